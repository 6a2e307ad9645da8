#include "cli/staged_file.h"

#include <memory>
#include <random>

#include "base/host.h"
#include "cli/file_bytes.h"
#include "cli/paths.h"

namespace inicrypt::cli {
namespace {

Text RandomSuffix() {
  static std::mt19937 generator{std::random_device{}()};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  Text suffix;
  for (int i = 0; i < 8; ++i) suffix += kLetters[pick(generator)];
  return suffix;
}

}  // namespace

StagedFile::~StagedFile() { Discard(); }

Status StagedFile::Create(std::string_view target) {
  Discard();
  Host& host = GetHost();
  if (host.GetPathKind(target) == PathKind::kFolder) {
    return Status::Error(std::string(target) + ": is a folder");
  }
  target_ = Text(target);
  for (int attempt = 0; attempt < 16; ++attempt) {
    Text temp = SiblingPath(target, "." + BaseName(target) + "." + RandomSuffix() + ".tmp");
    if (host.GetPathKind(temp) != PathKind::kMissing) continue;
    std::unique_ptr<HostFile> file;
    Status status =
        host.OpenFile(temp, FileAccess::kWrite, FileShare::kAll, FileCreation::kCreateNew, &file);
    if (!status.ok()) return status;
    temp_ = temp;
    pending_ = true;
    host.RemoveOnInterrupt(temp_);
    if (status = file->Close(); !status.ok()) return status;
    return host.SetFileMode(temp_, kNewFileMode);
  }
  return Status::Error("no free temporary name beside " + target_);
}

Status StagedFile::Write(std::string_view bytes) {
  return WriteWholeFile(temp_, bytes, FileCreation::kOpenExisting);
}

Status StagedFile::Commit() {
  Host& host = GetHost();
  std::unique_ptr<HostFile> file;
  Status status = host.OpenFile(temp_, FileAccess::kWrite, FileShare::kAll,
                                FileCreation::kOpenExisting, &file);
  if (status.ok()) status = file->Sync();
  if (status.ok()) status = file->Close();
  if (!status.ok()) return status;
  uint32_t mode = kNewFileMode;
  if (host.GetPathKind(target_) != PathKind::kMissing) {
    if (status = host.GetFileMode(target_, &mode); !status.ok()) return status;
  }
  if (status = host.SetFileMode(temp_, mode); !status.ok()) return status;
  if (status = host.RenameFile(temp_, target_); !status.ok()) return status;
  host.ForgetOnInterrupt(temp_);
  pending_ = false;
  return Status::Ok();
}

void StagedFile::Discard() {
  if (!pending_) return;
  Host& host = GetHost();
  (void)host.DeleteFile(temp_);
  host.ForgetOnInterrupt(temp_);
  pending_ = false;
}

}  // namespace inicrypt::cli
