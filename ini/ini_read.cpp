// Reading: path rule, section and key lists, single values.
#include "base/paths.h"
#include "host/folders.h"
#include "ini/ini.h"
#include "ini/line_rules.h"
#include "ini/line_scan.h"

namespace inicrypt {

using ini::LineScan;
using ini::ScopedFile;

Text NormalizePath(std::string_view path) {
  Text full(path);
  if (!HasPathSeparator(full)) {
    full = ConcatTexts(SpecialFolder(FolderKind::kIniFiles), "\\", path);
  }
  return ReplaceSubtext(full, "\\\\", "\\");
}

bool IsSectionHeader(std::string_view line) { return ini::HeaderLine(line); }

Text KeyOfLine(std::string_view line) {
  const size_t eq = ini::FindEquals(line);
  return eq == ini::kNoEquals ? Text() : Text(ini::KeyView(line, eq));
}

namespace {

// The name a header line is listed under: without any "[" or "]", trimmed.
Text ListedName(std::string_view line) {
  return TrimBothEnds(ReplaceSubtext(ReplaceSubtext(line, "["), "]"));
}

// True when line is a line of key that gives a value: it splits at "=" into
// at least two fields (so "key=" with nothing after its only "=" does not).
bool GivesValueFor(std::string_view line, size_t eq, std::string_view key) {
  return ini::KeyView(line, eq) == key && SplitText(line, "=").Count() >= 2;
}

}  // namespace

namespace ini {

Lookup FindSection(FileNumber file, std::string_view section) {
  LineScan scan(file);
  return ScanToSection(scan, section);
}

Status ListSections(std::string_view path, std::string_view password, TextList* sections) {
  ScopedFile file;
  if (Status status = file.Open(path, OpenRead, password); !status.ok()) return status;
  TextList found;
  LineScan scan(file.get());
  Lookup read = scan.Next();
  for (; read.found(); read = scan.Next()) {
    if (HeaderLine(scan.line())) found.Append(ListedName(scan.line()));
  }
  if (read.failed()) return read.status();
  *sections = std::move(found);
  return Status::Ok();
}

Lookup ListKeys(std::string_view path, std::string_view password, std::string_view section,
                TextList* keys) {
  ScopedFile file;
  if (Status status = file.Open(path, OpenRead, password); !status.ok()) {
    return Lookup::Failed(status);
  }
  LineScan scan(file.get());
  if (Lookup search = ScanToSection(scan, section); !search.found()) return search;
  TextList found;
  Lookup read = scan.Next();
  for (; read.found() && !HeaderLine(scan.line()); read = scan.Next()) {
    const size_t eq = FindEquals(scan.line());
    if (eq != kNoEquals) found.Append(KeyView(scan.line(), eq));
  }
  if (read.failed()) return read;
  *keys = std::move(found);
  return Lookup::Found();
}

Lookup ReadValue(std::string_view path, std::string_view password, std::string_view section,
                 std::string_view key, Text* value) {
  value->clear();
  ScopedFile file;
  if (Status status = file.Open(path, OpenRead, password); !status.ok()) {
    return Lookup::Failed(status);
  }
  LineScan scan(file.get());
  if (Lookup search = ScanToSection(scan, section); !search.found()) return search;
  Lookup read = scan.Next();
  for (; read.found() && !HeaderLine(scan.line()); read = scan.Next()) {
    const std::string_view line = scan.line();
    const size_t eq = FindEquals(line);
    if (eq == kNoEquals || !GivesValueFor(line, eq, key)) continue;
    *value = Text(line.substr(eq + 1));
    return Lookup::Found();
  }
  return read.failed() ? read : Lookup::NotFound();
}

}  // namespace ini

bool ListSections(std::string_view path, std::string_view password, TextList& sections) {
  return ini::ListSections(path, password, &sections).ok();
}

bool ListKeys(std::string_view path, std::string_view password, std::string_view section,
              TextList& keys) {
  return ini::ListKeys(path, password, section, &keys).found();
}

Text ReadValue(std::string_view path, std::string_view password, std::string_view section,
               std::string_view key, std::string_view default_value) {
  Text value;
  if (!ini::ReadValue(path, password, section, key, &value).found()) return Text(default_value);
  return ini::TrimView(value).empty() ? Text(default_value) : value;
}

bool FindSection(FileNumber file, std::string_view section) {
  return ini::FindSection(file, section).found();
}

}  // namespace inicrypt
