#include "ini/line_scan.h"

#include "ini/line_rules.h"
#include "store/lines.h"

namespace inicrypt::ini {

LineScan::LineScan(FileNumber file) : file_(file) {
  position_ = GetPosition(file);
  failed_ = position_ < 0;
}

bool LineScan::Next() {
  if (failed_ || AtEndOfText()) return false;
  start_ = position_;
  ReadLine(file_, &line_);  // reuses the storage of the last line
  const int32_t after = GetPosition(file_);
  // A read consumes the line, at least one byte, and at most a CR and a LF
  // besides; a failed read has jumped to the end of the file instead.
  const int64_t consumed = int64_t{after} - start_;
  const int64_t length = static_cast<int64_t>(line_.size());
  if (after < 0 || consumed < (length > 0 ? length : 1) || consumed > length + 2) {
    failed_ = true;
    return false;
  }
  position_ = after;
  return true;
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
  const Text header = ToUpperCase(ConcatTexts("[", section, "]"));
  while (scan.Next()) {
    if (EqualsUpperCased(scan.line(), header)) return SectionSearch::kFound;
  }
  return scan.failed() ? SectionSearch::kFailed : SectionSearch::kNotFound;
}

}  // namespace inicrypt::ini
