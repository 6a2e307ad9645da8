#include "host/whole_file.h"

#include <memory>

namespace inicrypt {
namespace {

Status ReadAllInto(HostFile& file, std::string* bytes) {
  int64_t end = 0;
  int64_t start = 0;
  Status status = file.Seek(0, SeekOrigin::kEnd, &end);
  if (status.ok()) status = file.Seek(0, SeekOrigin::kStart, &start);
  if (!status.ok()) return status;
  // One spare byte, so that the read that finds the end needs no more room.
  bytes->resize(static_cast<size_t>(end) + 1);
  size_t size = 0;
  for (;;) {
    if (size == bytes->size()) bytes->resize(bytes->size() * 2);
    size_t got = 0;
    status = file.Read(bytes->data() + size, bytes->size() - size, &got);
    if (!status.ok()) return status;
    if (got == 0) break;
    size += got;
  }
  bytes->resize(size);
  return Status::Ok();
}

}  // namespace

Status ReadWholeFile(HostFile& file, std::string* bytes) {
  Status status = ReadAllInto(file, bytes);
  if (!status.ok()) bytes->clear();
  return status;
}

Status ReadWholeFile(std::string_view path, std::string* bytes) {
  bytes->clear();
  std::unique_ptr<HostFile> file;
  Status status = GetHost().OpenFile(path, FileAccess::kRead, FileShare::kAll,
                                     FileCreation::kOpenExisting, &file);
  if (status.ok()) status = ReadWholeFile(*file, bytes);
  if (status.ok()) status = file->Close();
  if (!status.ok()) bytes->clear();
  return status;
}

}  // namespace inicrypt
