// Reading: path rule, section and key lists, single values.
#include "base/paths.h"
#include "base/services.h"
#include "ini/ini.h"
#include "ini/line_rules.h"
#include "ini/line_scan.h"

namespace inicrypt {

using ini::LineScan;
using ini::ScopedFile;
using ini::SectionSearch;

void NormalizePath(Text& path) {
  if (!HasPathSeparator(path)) {
    path = ConcatTexts(SpecialFolder(9), "\\", path);
  }
  path = ReplaceSubtext(path, "\\\\", "\\");
}

bool IsSectionHeader(std::string_view line) { return ini::HeaderLine(line); }

Text KeyOfLine(std::string_view line) {
  const size_t eq = ini::FindEquals(line);
  return eq == ini::kNoEquals ? Text() : Text(ini::KeyView(line, eq));
}

bool FindSection(FileNumber file, std::string_view section) {
  LineScan scan(file);
  return ini::ScanToSection(scan, section) == SectionSearch::kFound;
}

namespace {

FileNumber OpenForReading(Text& path, std::string_view password) {
  NormalizePath(path);
  return OpenFile(path, OpenRead, ShareAll, password);
}

// The name a header line is listed under: without any "[" or "]", trimmed.
Text ListedName(std::string_view line) {
  return TrimBothEnds(ReplaceSubtext(ReplaceSubtext(line, "["), "]"));
}

}  // namespace

bool ListSections(Text& path, std::string_view password, TextList& sections) {
  const ScopedFile file(OpenForReading(path, password));
  if (!file) return false;
  TextList found;
  LineScan scan(file.get());
  while (scan.Next()) {
    if (ini::HeaderLine(scan.line())) found.Append(ListedName(scan.line()));
  }
  if (scan.failed()) return false;
  sections = std::move(found);
  return true;
}

bool ListKeys(Text& path, std::string_view password, std::string_view section, TextList& keys) {
  const ScopedFile file(OpenForReading(path, password));
  if (!file) return false;
  LineScan scan(file.get());
  if (ini::ScanToSection(scan, section) != SectionSearch::kFound) return false;
  TextList found;
  while (scan.Next() && !ini::HeaderLine(scan.line())) {
    const size_t eq = ini::FindEquals(scan.line());
    if (eq != ini::kNoEquals) found.Append(ini::KeyView(scan.line(), eq));
  }
  if (scan.failed()) return false;
  keys = std::move(found);
  return true;
}

namespace {

// True when line is a line of key that gives a value: it splits at "=" into
// at least two fields (so "key=" with nothing after its only "=" does not).
bool GivesValueFor(std::string_view line, size_t eq, std::string_view key) {
  return ini::KeyView(line, eq) == key && SplitText(line, "=").Count() >= 2;
}

}  // namespace

Text ReadValue(Text& path, std::string_view password, std::string_view section,
               std::string_view key, std::string_view default_value) {
  const ScopedFile file(OpenForReading(path, password));
  if (!file) return Text(default_value);
  LineScan scan(file.get());
  if (ini::ScanToSection(scan, section) != SectionSearch::kFound) return Text(default_value);
  while (scan.Next() && !ini::HeaderLine(scan.line())) {
    const std::string_view line = scan.line();
    const size_t eq = ini::FindEquals(line);
    if (eq == ini::kNoEquals || !GivesValueFor(line, eq, key)) continue;
    const std::string_view value = line.substr(eq + 1);
    return ini::TrimView(value).empty() ? Text(default_value) : Text(value);
  }
  return Text(default_value);
}

}  // namespace inicrypt
