// Writing: one value set in place, through the store's line editing.
#include "ini/ini.h"
#include "ini/line_rules.h"
#include "ini/line_scan.h"
#include "host/replace.h"
#include "store/lines.h"

namespace inicrypt {

using ini::LineScan;
using ini::ScopedFile;

namespace {

bool IsBlank(std::string_view text) { return ini::TrimView(text).empty(); }

// A LF, NUL or 0x1A byte would end the line, or the whole text, early.
bool BreaksLine(std::string_view text) {
  return text.find_first_of(std::string_view("\n\0\x1A", 3)) != std::string_view::npos;
}

// The key line's first "=" must be the one after the key: the key holds no
// "=" where a character starts, and does not end in a lone lead byte, which
// the reader would trim off the key.
bool EndsAtItsEquals(std::string_view key) {
  size_t last = 0;
  for (size_t i = 0; i < key.size(); i += CharWidthAt(key, i)) last = i;
  if (!key.empty() && last + 1 == key.size() && IsLeadByte(static_cast<unsigned char>(key[last]))) {
    return false;
  }
  return ini::FindEquals(ConcatTexts(key, "=")) == key.size();
}

bool AcceptsArguments(std::string_view path, std::string_view section, std::string_view key,
                      std::string_view value) {
  return !IsBlank(path) && CheckWritablePair(section, key, value) == PairProblem::kNone;
}

// Inserts a line at a position.
Status InsertAt(FileNumber file, int32_t at, std::string_view line) {
  if (Status status = store::Seek(file, at); !status.ok()) return status;
  return store::InsertLine(file, line);
}

// Makes sure the text in front of at ends with a line end, so that what is
// inserted at at starts a line of its own. A lone CR gets its LF. *next is
// where the insertion now goes.
Status EndLineBefore(FileNumber file, int32_t at, int32_t* next) {
  *next = at;
  if (at == 0) return Status::Ok();
  unsigned char last = 0;
  int32_t got = 0;
  if (Status status = store::Seek(file, at - 1); !status.ok()) return status;
  if (Status status = store::Read(file, &last, 1, &got); !status.ok()) return status;
  if (got != 1) return Status::Error("INI: the file shrank during an edit");
  if (last == '\n') return Status::Ok();
  if (last == '\r') {
    // CR becomes CR LF.
    if (Status status = store::Seek(file, at - 1); !status.ok()) return status;
    if (Status status = store::DeleteData(file, 1); !status.ok()) return status;
    *next = at + 1;
    return InsertAt(file, at - 1, "");
  }
  *next = at + 2;
  return InsertAt(file, at, "");
}

// Inserts the lines at the end of the text, which the scan reached at at.
Status AddAtEndOfText(FileNumber file, int32_t at, std::initializer_list<std::string_view> lines) {
  if (Status status = EndLineBefore(file, at, &at); !status.ok()) return status;
  if (Status status = store::Seek(file, at); !status.ok()) return status;
  for (const std::string_view line : lines) {
    if (Status status = store::InsertLine(file, line); !status.ok()) return status;
  }
  return Status::Ok();
}

// Replaces the line the scan has just read, with its own line end, by the
// text before its first "=", "=" and value.
Status ReplaceLine(const LineScan& scan, size_t eq, std::string_view value) {
  const FileNumber file = scan.file();
  const int32_t start = scan.line_start();
  const Text line = ConcatTexts(std::string_view(scan.line()).substr(0, eq), "=", value);
  if (Status status = store::Seek(file, start); !status.ok()) return status;
  if (Status status = store::DeleteData(file, scan.position() - start); !status.ok()) return status;
  return InsertAt(file, start, line);
}

// Scans the section the scan stands in: replaces the first line of key, or
// adds the key line at the end of the section.
Status SetInSection(LineScan& scan, std::string_view key, std::string_view value) {
  const Text key_line = ConcatTexts(key, "=", value);
  Lookup read = scan.Next();
  for (; read.found(); read = scan.Next()) {
    const std::string_view line = scan.line();
    // The section ends in front of the next header.
    if (ini::HeaderLine(line)) return InsertAt(scan.file(), scan.line_start(), key_line);
    const size_t eq = ini::FindEquals(line);
    if (eq != ini::kNoEquals && ini::KeyView(line, eq) == key) return ReplaceLine(scan, eq, value);
  }
  if (read.failed()) return read.status();
  return AddAtEndOfText(scan.file(), scan.position(), {key_line});
}

Status Edit(FileNumber file, std::string_view section, std::string_view key,
            std::string_view value) {
  LineScan scan(file);
  const Lookup search = ini::ScanToSection(scan, section);
  if (search.found()) return SetInSection(scan, key, value);
  if (search.failed()) return search.status();
  return AddAtEndOfText(file, scan.position(),
                        {ConcatTexts("[", section, "]"), ConcatTexts(key, "=", value)});
}

}  // namespace

PairProblem CheckWritablePair(std::string_view section, std::string_view key,
                              std::string_view value) {
  if (BreaksLine(section) || BreaksLine(key) || BreaksLine(value)) return PairProblem::kBreaksLine;
  if (IsBlank(section)) return PairProblem::kBlankSection;
  if (IsBlank(key)) return PairProblem::kBlankKey;
  if (!EndsAtItsEquals(key)) return PairProblem::kKeyHoldsEquals;
  return PairProblem::kNone;
}

Status ini::WriteValue(std::string_view path, std::string_view password, std::string_view section,
                       std::string_view key, std::string_view value) {
  if (!AcceptsArguments(path, section, key, value)) {
    return Status::Error(
        "INI: refused a blank path, section or key, a line end in a name or value, or a key "
        "holding \"=\"");
  }
  // Writers in other processes wait for each other.
  WriterLock lock;
  if (Status status = lock.Acquire(NormalizePath(path)); !status.ok()) return status;
  ScopedFile file;
  if (Status status = file.Open(path, OpenOrCreateReadWrite, password); !status.ok()) {
    return status;
  }
  Status edited = Edit(file.get(), section, key, value);
  Status closed = file.Close();
  return edited.ok() ? closed : edited;
}

bool WriteValue(std::string_view path, std::string_view password, std::string_view section,
                std::string_view key, std::string_view value) {
  return ini::WriteValue(path, password, section, key, value).ok();
}

}  // namespace inicrypt
