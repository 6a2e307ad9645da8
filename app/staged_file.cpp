#include "app/staged_file.h"

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "host/host.h"

namespace inicrypt {
namespace {

// "target.1a2b3c4d.tmp": beside the target, unlikely to be taken.
Text TemporaryName(std::string_view target) {
  static std::mt19937 engine{std::random_device{}()};
  static constexpr char kHex[] = "0123456789abcdef";
  Text name(target);
  name += '.';
  auto bits = static_cast<uint32_t>(engine());
  for (int i = 0; i < 8; ++i, bits >>= 4) name += kHex[bits & 0xF];
  name += ".tmp";
  return name;
}

// Copies every byte of from into to, both open.
Status CopyBytes(HostFile& from, HostFile& to) {
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    size_t got = 0;
    Status read = from.Read(buffer.data(), buffer.size(), &got);
    if (!read.ok()) return read;
    if (got == 0) return Status::Ok();
    Status write = to.Write(buffer.data(), got);
    if (!write.ok()) return write;
  }
}

Status CopyTargetInto(std::string_view target, HostFile& temp) {
  Host& host = GetHost();
  if (host.GetPathKind(target) == PathKind::kMissing) return Status::Ok();
  std::unique_ptr<HostFile> source;
  Status open = host.OpenFile(target, FileAccess::kRead, FileShare::kAll,
                              FileCreation::kOpenExisting, &source);
  if (!open.ok()) return open;
  return CopyBytes(*source, temp);
}

Status SyncFile(std::string_view path) {
  std::unique_ptr<HostFile> file;
  Status open = GetHost().OpenFile(path, FileAccess::kReadWrite, FileShare::kAll,
                                   FileCreation::kOpenExisting, &file);
  if (!open.ok()) return open;
  Status sync = file->Sync();
  Status close = file->Close();
  return sync.ok() ? close : sync;
}

}  // namespace

StagedFile::StagedFile(std::string_view target) : target_(target) {}

StagedFile::~StagedFile() { Discard(); }

Status StagedFile::Create(bool copy_target) {
  Host& host = GetHost();
  std::unique_ptr<HostFile> file;
  Status open;
  for (int attempt = 0; attempt < 8; ++attempt) {
    temp_ = TemporaryName(target_);
    open = host.OpenFile(temp_, FileAccess::kReadWrite, FileShare::kAll, FileCreation::kCreateNew,
                         &file);
    if (open.ok() || host.GetPathKind(temp_) == PathKind::kMissing) break;
  }
  if (!open.ok()) return open;
  pending_ = true;
  host.RemoveOnInterrupt(temp_);
  Status copy = copy_target ? CopyTargetInto(target_, *file) : Status::Ok();
  Status close = file->Close();
  return copy.ok() ? close : copy;
}

Status StagedFile::Commit() {
  Host& host = GetHost();
  Status sync = SyncFile(temp_);
  if (!sync.ok()) return sync;
  uint32_t mode = 0;
  if (host.GetPathKind(target_) == PathKind::kFile && host.GetFileMode(target_, &mode).ok() &&
      mode != 0) {
    Status chmod = host.SetFileMode(temp_, mode);
    if (!chmod.ok()) return chmod;
  }
  Status rename = host.RenameFile(temp_, target_);
  if (!rename.ok()) return rename;
  pending_ = false;
  host.ForgetOnInterrupt(temp_);
  return Status::Ok();
}

void StagedFile::Discard() {
  if (!pending_) return;
  Host& host = GetHost();
  (void)host.DeleteFile(temp_);
  host.ForgetOnInterrupt(temp_);
  pending_ = false;
}

}  // namespace inicrypt
