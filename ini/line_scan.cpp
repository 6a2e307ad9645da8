#include "ini/line_scan.h"

#include "ini/line_rules.h"
#include "store/lines.h"

namespace inicrypt::ini {

LineScan::LineScan(FileNumber file) : file_(file) {
  position_ = GetPosition(file);
  failed_ = position_ < 0;
}

bool LineScan::Next() {
  if (failed_ || ended_) return false;
  ReadLine(file_, &line_);  // reuses the storage of the last line
  const int32_t after = GetPosition(file_);
  // A read consumes the line and at most a CR and a LF besides; a failed
  // read has jumped to the end of the file instead.
  const int64_t consumed = int64_t{after} - position_;
  const int64_t length = static_cast<int64_t>(line_.size());
  if (after < 0 || consumed < length || consumed > length + 2) {
    failed_ = true;
    return false;
  }
  start_ = position_;
  position_ = after;
  // A line with bytes in it was not read at the end of the text.
  if (length > 0) return true;
  // An empty line is a blank one, or nothing was left to read.
  if (AtEndOfText()) {
    ended_ = true;
    return false;
  }
  if (consumed == 0) failed_ = true;  // not at the end, yet nothing was read
  return !failed_;
}

bool LineScan::AtEndOfText() {
  if (!IsAtEnd(file_, 1)) return false;
  // IsAtEnd also answers "at the end" when the store fails: check that the
  // file really ends here or that a NUL or 0x1A byte stands here.
  const int32_t length = GetFileLength(file_);
  if (length < 0) {
    failed_ = true;
  } else if (position_ < length) {
    unsigned char next = 0;
    const bool read = ReadBytes(file_, &next, 1) == 1;
    if (!Seek(file_, position_) || !read || (next != 0x00 && next != 0x1A)) failed_ = true;
  }
  return true;
}

SectionSearch ScanToSection(LineScan& scan, std::string_view section) {
  const Text header = ConcatTexts("[", section, "]");
  while (scan.Next()) {
    if (EqualIgnoringCase(scan.line(), header)) return SectionSearch::kFound;
  }
  return scan.failed() ? SectionSearch::kFailed : SectionSearch::kNotFound;
}

}  // namespace inicrypt::ini
