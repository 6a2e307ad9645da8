// Scanning an open file line by line, as every INI operation does: lines are
// read up to the end of the text (the end of the file, or a NUL or 0x1A
// byte), and a failure of the store ends the scan as a failure.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/status.h"
#include "base/text.h"
#include "store/file_store.h"

namespace inicrypt::ini {

// Holds a file open and closes it when it goes out of scope, unless Close
// was called.
class ScopedFile {
 public:
  ScopedFile() = default;
  ~ScopedFile() {
    if (file_ != 0) (void)store::Close(file_);
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

  // Opens path under NormalizePath.
  [[nodiscard]] Status Open(std::string_view path, OpenMode mode, std::string_view password);
  // Closes the file; the host's failure to close is returned.
  [[nodiscard]] Status Close();
  FileNumber get() const { return file_; }

 private:
  FileNumber file_ = 0;
};

class LineScan {
 public:
  // Starts at the position of an open file.
  explicit LineScan(FileNumber file);

  // Reads the next line: found, not found at the end of the text, or failed.
  Lookup Next();

  FileNumber file() const { return file_; }
  // The last line read, without its line end.
  const Text& line() const { return line_; }
  // Where the last line read starts.
  int32_t line_start() const { return start_; }
  // Just after the bytes the last read consumed; once Next() has answered
  // not found, the end of the text.
  int32_t position() const { return position_; }

 private:
  FileNumber file_;
  Text line_;
  int32_t start_ = 0;
  int32_t position_ = 0;
};

// Reads lines until the header of section: the line, untrimmed, equal to
// "[" section "]" when both are upper-cased (ASCII letters only). When found
// the scan stands just after that line; when not, at the end of the text.
Lookup ScanToSection(LineScan& scan, std::string_view section);

}  // namespace inicrypt::ini
