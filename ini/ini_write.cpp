// Writing: one value set in place, through the store's line editing.
#include "ini/ini.h"
#include "ini/line_rules.h"
#include "ini/line_scan.h"
#include "store/lines.h"

namespace inicrypt {

using ini::LineScan;
using ini::ScopedFile;
using ini::SectionSearch;

namespace {

bool IsBlank(std::string_view text) { return ini::TrimView(text).empty(); }

// A LF, NUL or 0x1A byte would end the line, or the whole text, early.
bool BreaksLine(std::string_view text) {
  return text.find_first_of(std::string_view("\n\0\x1A", 3)) != std::string_view::npos;
}

// The key line's first "=" must be the one after the key: the key holds no
// "=" where a character starts, and does not end in a lead byte that would
// take the "=" for its second byte.
bool EndsAtItsEquals(std::string_view key) {
  return ini::FindEquals(ConcatTexts(key, "=")) == key.size();
}

// Makes sure the text in front of at ends with a line end, so that what is
// inserted at at starts a line of its own. A lone CR gets its LF. Returns
// where the insertion now goes, or -1 on failure.
int32_t EndLineBefore(FileNumber file, int32_t at) {
  if (at == 0) return 0;
  unsigned char last = 0;
  if (!Seek(file, at - 1) || ReadBytes(file, &last, 1) != 1) return -1;
  if (last == '\n') return at;
  if (last == '\r') {
    // CR becomes CR LF.
    if (!Seek(file, at - 1) || !DeleteData(file, 1)) return -1;
    if (!Seek(file, at - 1) || !InsertLine(file, "")) return -1;
    return at + 1;
  }
  if (!Seek(file, at) || !InsertLine(file, "")) return -1;
  return at + 2;
}

// Inserts the lines at the end of the text, which the scan reached at at.
bool AddAtEndOfText(FileNumber file, int32_t at, std::initializer_list<std::string_view> lines) {
  at = EndLineBefore(file, at);
  if (at < 0 || !Seek(file, at)) return false;
  for (const std::string_view line : lines) {
    if (!InsertLine(file, line)) return false;
  }
  return true;
}

// Replaces the line the scan has just read, with its own line end, by the
// text before its first "=", "=" and value.
bool ReplaceLine(const LineScan& scan, size_t eq, std::string_view value) {
  const FileNumber file = scan.file();
  const int32_t start = scan.line_start();
  const Text line = ConcatTexts(std::string_view(scan.line()).substr(0, eq), "=", value);
  return Seek(file, start) && DeleteData(file, scan.position() - start) && Seek(file, start) &&
         InsertLine(file, line);
}

// Scans the section the scan stands in: replaces the first line of key, or
// adds the key line at the end of the section.
bool SetInSection(LineScan& scan, std::string_view key, std::string_view value) {
  const Text key_line = ConcatTexts(key, "=", value);
  while (scan.Next()) {
    const std::string_view line = scan.line();
    if (ini::HeaderLine(line)) {
      // The section ends in front of this header.
      return Seek(scan.file(), scan.line_start()) && InsertLine(scan.file(), key_line);
    }
    const size_t eq = ini::FindEquals(line);
    if (eq != ini::kNoEquals && ini::KeyView(line, eq) == key) return ReplaceLine(scan, eq, value);
  }
  return !scan.failed() && AddAtEndOfText(scan.file(), scan.position(), {key_line});
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

bool WriteValue(Text& path, std::string_view password, std::string_view section,
                std::string_view key, std::string_view value) {
  if (IsBlank(path) || CheckWritablePair(section, key, value) != PairProblem::kNone) return false;
  NormalizePath(path);
  const ScopedFile file(OpenFile(path, OpenOrCreateReadWrite, ShareAll, password));
  if (!file) return false;
  LineScan scan(file.get());
  switch (ini::ScanToSection(scan, section)) {
    case SectionSearch::kFound:
      return SetInSection(scan, key, value);
    case SectionSearch::kNotFound:
      return AddAtEndOfText(file.get(), scan.position(),
                            {ConcatTexts("[", section, "]"), ConcatTexts(key, "=", value)});
    case SectionSearch::kFailed:
      break;
  }
  return false;
}

}  // namespace inicrypt
