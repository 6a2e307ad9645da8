#include "cli/private_folder.h"

#include <memory>

#include "cli/file_bytes.h"
#include "cli/paths.h"
#include "host/folders.h"
#include "host/host.h"

namespace inicrypt::cli {

PrivateFolder::~PrivateFolder() { Remove(); }

Status PrivateFolder::Create() {
  if (!folder_.empty()) return Status::Ok();
  const Text base = SpecialFolder(FolderKind::kTemporary);
  if (base.empty()) return Status::Error("no folder for temporary files");
  Host& host = GetHost();
  for (int attempt = 0; attempt < 16; ++attempt) {
    Text folder = base + "inicrypt-" + RandomLetters(10);
    if (host.GetPathKind(folder) != PathKind::kMissing) continue;
    host.RemoveOnInterrupt(folder);
    Status status = host.CreatePrivateFolder(folder);
    if (!status.ok()) {
      host.ForgetOnInterrupt(folder);
      return status;
    }
    folder_ = folder;
    return Status::Ok();
  }
  return Status::Error("no free temporary folder name in " + base);
}

Status PrivateFolder::AddFile(std::string_view name, std::string_view bytes, Text* path) {
  if (Status s = Create(); !s.ok()) return s;
  Host& host = GetHost();
  Text file = JoinPath(folder_, name);
  host.RemoveOnInterrupt(file);
  files_.push_back(file);
  std::unique_ptr<HostFile> handle;
  Status status =
      host.OpenFile(file, FileAccess::kWrite, FileShare::kAll, FileCreation::kCreateNew, &handle);
  if (status.ok()) status = handle->Close();
  if (status.ok()) status = host.SetFileMode(file, kNewFileMode);
  if (status.ok()) status = WriteWholeFile(file, bytes, FileCreation::kOpenExisting);
  if (status.ok()) *path = file;
  return status;
}

void PrivateFolder::Remove() {
  if (folder_.empty()) return;
  Host& host = GetHost();
  for (const Text& file : files_) {
    if (host.GetPathKind(file) != PathKind::kMissing) (void)host.DeleteFile(file);
    host.ForgetOnInterrupt(file);
  }
  files_.clear();
  if (Status s = host.DeleteFolder(folder_); !s.ok()) {
    invocation_.Warn("the private folder " + folder_ + " stays: " + s.message());
  }
  host.ForgetOnInterrupt(folder_);
  folder_.clear();
}

}  // namespace inicrypt::cli
