#include "host/whole_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

namespace inicrypt {
namespace {

constexpr size_t kPiece = size_t{1} << 20;

Status TooLarge() { return Status::Error("too large (2 GiB or more)", EFBIG); }

Status ReadAllInto(HostFile& file, std::string* bytes, size_t max_bytes) {
  int64_t end = 0;
  int64_t start = 0;
  Status status = file.Seek(0, SeekOrigin::kEnd, &end);
  if (status.ok()) status = file.Seek(0, SeekOrigin::kStart, &start);
  if (!status.ok()) return status;
  if (end < 0 || static_cast<uint64_t>(end) > max_bytes) return TooLarge();
  // One spare byte, so that the read that finds the end needs no more room.
  bytes->resize(static_cast<size_t>(end) + 1);
  size_t size = 0;
  for (;;) {
    if (size > max_bytes) return TooLarge();
    if (size == bytes->size()) {
      // A stream longer than its length said (a device, a growing file):
      // grow by pieces, up to one byte past the limit.
      bytes->resize(std::min(size + std::max(size, kPiece), max_bytes + 1));
    }
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

Status ReadWholeFile(HostFile& file, std::string* bytes, size_t max_bytes) {
  Status status = ReadAllInto(file, bytes, max_bytes);
  if (!status.ok()) bytes->clear();
  return status;
}

Status ReadWholeFile(std::string_view path, std::string* bytes, size_t max_bytes) {
  bytes->clear();
  std::unique_ptr<HostFile> file;
  Status status = GetHost().OpenFile(path, FileAccess::kRead, FileShare::kAll,
                                     FileCreation::kOpenExisting, &file);
  if (status.ok()) {
    status = ReadWholeFile(*file, bytes, max_bytes);
    if (status.code() == EFBIG) status = Status::Error(std::string(path) + ": " + status.message(), EFBIG);
  }
  if (status.ok()) status = file->Close();
  if (!status.ok()) bytes->clear();
  return status;
}

}  // namespace inicrypt
