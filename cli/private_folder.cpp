#include "cli/private_folder.h"

#include <cstdint>
#include <memory>
#include <string>

#include "cli/file_bytes.h"
#include "cli/paths.h"
#include "host/folders.h"
#include "host/host.h"

namespace inicrypt::cli {

namespace {

constexpr std::string_view kPrefix = "inicrypt-";
constexpr int kRandomLetters = 10;

// "inicrypt-USER-PROCESS-": the folders of this user's runs begin so.
Text OwnPrefix(Host& host, int64_t process) {
  return Text(kPrefix) + std::to_string(host.UserNumber()) + "-" + std::to_string(process) + "-";
}

// The process number in a name "inicrypt-USER-PROCESS-LETTERS" of this
// user's, or 0 when the name is not of that form.
int64_t ProcessOf(Host& host, std::string_view name) {
  const Text user = Text(kPrefix) + std::to_string(host.UserNumber()) + "-";
  if (!name.starts_with(user)) return 0;
  name.remove_prefix(user.size());
  const size_t dash = name.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash > 10 ||
      name.size() - dash - 1 != static_cast<size_t>(kRandomLetters)) {
    return 0;
  }
  int64_t process = 0;
  for (char c : name.substr(0, dash)) {
    if (c < '0' || c > '9') return 0;
    process = process * 10 + (c - '0');
  }
  for (char c : name.substr(dash + 1)) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return 0;
  }
  return process;
}

}  // namespace

PrivateFolder::~PrivateFolder() { Remove(); }

void PrivateFolder::RemoveLeftovers() {
  Host& host = GetHost();
  const Text base = SpecialFolder(11);
  std::vector<Text> names;
  if (base.empty() || !host.ListFolder(base, &names).ok()) return;
  for (const Text& name : names) {
    const int64_t process = ProcessOf(host, name);
    if (process <= 0 || process == host.ProcessNumber() || host.ProcessIsRunning(process)) continue;
    const Text folder = base + name;
    if (host.GetPathKind(folder) != PathKind::kFolder) continue;
    std::vector<Text> files;
    if (!host.ListFolder(folder, &files).ok()) continue;
    for (const Text& file : files) (void)host.DeleteFile(JoinPath(folder, file));
    (void)host.DeleteFolder(folder);
  }
}

Status PrivateFolder::Create() {
  if (!folder_.empty()) return Status::Ok();
  const Text base = SpecialFolder(FolderKind::kTemporary);
  if (base.empty()) return Status::Error("no folder for temporary files");
  Host& host = GetHost();
  host.ProtectProcessMemory();  // plain text is about to be held
  for (int attempt = 0; attempt < 16; ++attempt) {
    Text folder = base + OwnPrefix(host, host.ProcessNumber()) + RandomLetters(kRandomLetters);
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
