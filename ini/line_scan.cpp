#include "ini/line_scan.h"

#include "ini/ini.h"
#include "ini/line_rules.h"
#include "store/lines.h"

namespace inicrypt::ini {

Status ScopedFile::Open(std::string_view path, OpenMode mode, std::string_view password) {
  if (Status status = Close(); !status.ok()) return status;
  return store::Open(NormalizePath(path), mode, ShareAll, password, &file_);
}

Status ScopedFile::Close() {
  if (file_ == 0) return Status::Ok();
  const FileNumber file = file_;
  file_ = 0;
  return store::Close(file);
}

LineScan::LineScan(FileNumber file) : file_(file) {
  (void)store::GetPosition(file, &position_);  // an unknown file fails on the first read
  start_ = position_;
}

Lookup LineScan::Next() {
  Lookup read = store::ReadLine(file_, &line_);  // reuses the storage of the last line
  if (!read.found()) return read;
  start_ = position_;
  if (Status status = store::GetPosition(file_, &position_); !status.ok()) {
    return Lookup::Failed(status);
  }
  return read;
}

Lookup ScanToSection(LineScan& scan, std::string_view section) {
  const Text header = ConcatTexts("[", section, "]");
  for (;;) {
    Lookup read = scan.Next();
    if (!read.found()) return read;
    if (EqualIgnoringCase(scan.line(), header)) return read;
  }
}

}  // namespace inicrypt::ini
