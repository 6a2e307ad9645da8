// Scanning an open file line by line, as every INI operation does: the next
// line is read only while the end of the text has not been reached (the end
// of the file, or a NUL or 0x1A byte).
//
// The scan gives the same lines, and stops at the same position, as a loop
// that asks IsAtEnd (text-line variant) before every ReadLine; it asks only
// after a read that gave the empty text, since a line with bytes in it was
// not read at the end of the text. A blank line just in front of the end of
// the text is not handed out; it plays no part in any rule.
//
// The store reports a failing read only by jumping to the end of the file
// and handing back the empty text, and a failing end test by answering
// "at the end". The scan tells these from the real end of the text, so that
// a failure is not taken for a short file. (Only a read that fails with at
// most two bytes left looks like a blank last line.)
#pragma once

#include <cstdint>
#include <string_view>

#include "base/text.h"
#include "store/file_store.h"

namespace inicrypt::ini {

// Closes the file it holds when it goes out of scope.
class ScopedFile {
 public:
  explicit ScopedFile(FileNumber file) : file_(file) {}
  ~ScopedFile() {
    if (file_ != 0) CloseFile(file_);
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

  FileNumber get() const { return file_; }
  explicit operator bool() const { return file_ != 0; }

 private:
  FileNumber file_;
};

class LineScan {
 public:
  // Starts at the file's current position.
  explicit LineScan(FileNumber file);

  // Reads the next line. False at the end of the text, or when the store
  // failed; failed() tells which.
  [[nodiscard]] bool Next();
  bool failed() const { return failed_; }

  FileNumber file() const { return file_; }
  // The last line read, without its line end.
  const Text& line() const { return line_; }
  // Where the last line read starts.
  int32_t line_start() const { return start_; }
  // Just after the bytes the last read consumed; once Next() has answered
  // false without a failure, the end of the text.
  int32_t position() const { return position_; }

 private:
  bool AtEndOfText();

  FileNumber file_;
  Text line_;
  int32_t start_ = 0;
  int32_t position_ = 0;
  bool failed_ = false;
  bool ended_ = false;
};

enum class SectionSearch { kFound, kNotFound, kFailed };

// Reads lines until the header of section: the line, untrimmed, equal to
// "[" section "]" when both are upper-cased (ASCII letters only). When found
// the scan stands just after that line; when not, at the end of the text.
[[nodiscard]] SectionSearch ScanToSection(LineScan& scan, std::string_view section);

}  // namespace inicrypt::ini
