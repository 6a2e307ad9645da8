#include "host/replace.h"

#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

#include "base/paths.h"

namespace inicrypt {
namespace {

std::atomic<int64_t> lock_wait_ms{5000};

// The folder of a path, for the host's calls: "." for a bare name.
Text FolderOf(std::string_view path) {
  Text folder(FolderPart(path));
  return folder.empty() ? Text(".") : folder;
}

Status CopyBytes(HostFile& from, HostFile& to) {
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    size_t got = 0;
    if (Status read = from.Read(buffer.data(), buffer.size(), &got); !read.ok()) return read;
    if (got == 0) return Status::Ok();
    if (Status write = to.Write(buffer.data(), got); !write.ok()) return write;
  }
}

}  // namespace

Replacement::Replacement(std::string_view target, ReplaceRules rules)
    : target_(target), rules_(rules) {}

Replacement::~Replacement() { Discard(); }

Status Replacement::Begin() {
  Host& host = GetHost();
  if (Status s = host.InspectPath(target_, &old_); !s.ok()) return s;
  resolved_ = old_.resolved.empty() ? target_ : old_.resolved;
  if (old_.kind == PathKind::kFolder) return Status::Error(target_ + ": is a folder", EISDIR);
  if (old_.kind != PathKind::kMissing && !old_.writable && !rules_.allow_unwritable) {
    return Status::Error(target_ + ": not writable (permission denied)", EACCES);
  }
  if (old_.kind == PathKind::kOther) {
    // A device, a FIFO or a terminal: written where it is, never replaced.
    in_place_ = true;
    path_ = resolved_;
    return host.OpenFile(resolved_, FileAccess::kWrite, FileShare::kAll,
                         FileCreation::kOpenExisting, &file_);
  }
  return host.CreateTemporaryIn(FolderOf(resolved_), &file_, &path_);
}

Status Replacement::CopyTarget() {
  if (in_place_ || old_.kind != PathKind::kFile) return Status::Ok();
  std::unique_ptr<HostFile> source;
  Status status = GetHost().OpenFile(resolved_, FileAccess::kRead, FileShare::kAll,
                                     FileCreation::kOpenExisting, &source);
  if (status.ok()) status = CopyBytes(*source, *file_);
  if (source != nullptr) {
    Status closed = source->Close();
    if (status.ok()) status = closed;
  }
  return status;
}

Status Replacement::Commit() {
  if (file_ == nullptr) return Status::Error("replace " + target_ + ": nothing begun", EINVAL);
  if (in_place_) {
    Status closed = file_->Close();
    file_.reset();
    return closed;
  }
  Status status = file_->Sync();
  if (status.ok() && old_.kind == PathKind::kFile) status = file_->SetOwner(old_.owner, old_.group);
  // The final mode comes last before the rename: until then only we can read it.
  if (status.ok()) {
    uint32_t mode = old_.kind == PathKind::kFile ? old_.mode : rules_.new_file_mode;
    if (mode == ReplaceRules::kUsualMode) mode = GetHost().UsualFileMode();
    status = file_->SetMode(mode);
  }
  if (status.ok()) status = file_->PutInPlaceOf(resolved_);
  if (!status.ok()) {
    Discard();
    return status;
  }
  // The rename was the step that counts: the new file stands, its bytes on
  // disk. Forcing the folder's new name to disk is done as well as it can be.
  (void)file_->Close();
  file_.reset();
  (void)GetHost().SyncFolder(FolderOf(resolved_));
  return Status::Ok();
}

void Replacement::Discard() {
  if (file_ == nullptr) return;
  (void)file_->Close();
  file_.reset();
}

Status ReplaceWholeFile(std::string_view target, std::initializer_list<std::string_view> pieces,
                        ReplaceRules rules) {
  Replacement replacement(target, rules);
  Status status = replacement.Begin();
  for (std::string_view piece : pieces) {
    if (!status.ok()) break;
    if (!piece.empty()) status = replacement.file().Write(piece.data(), piece.size());
  }
  if (status.ok()) status = replacement.Commit();
  return status;
}

std::chrono::milliseconds WriterLockWait() { return std::chrono::milliseconds(lock_wait_ms.load()); }

void SetWriterLockWait(std::chrono::milliseconds wait) { lock_wait_ms.store(wait.count()); }

Status WriterLock::Acquire(std::string_view path) {
  Release();
  Host& host = GetHost();
  const auto deadline = std::chrono::steady_clock::now() + WriterLockWait();
  for (;;) {
    PathInfo before;
    if (Status s = host.InspectPath(path, &before); !s.ok()) return s;
    if (before.kind == PathKind::kOther) return Status::Ok();
    std::unique_ptr<HostFile> held;
    Status status = host.TryLockPath(before.kind == PathKind::kMissing ? before.resolved : Text(path),
                                     &held);
    if (status.ok()) {
      // The path must still lead to what was locked: a writer may have
      // replaced the file (or created it) meanwhile.
      PathInfo after;
      PathInfo folder;
      status = host.InspectPath(path, &after);
      if (status.ok() && after.kind == PathKind::kMissing) {
        status = host.InspectPath(FolderOf(after.resolved), &folder);
      }
      if (!status.ok()) return status;
      const FileId now = after.kind == PathKind::kMissing ? folder.id : after.id;
      if (now == held->Id()) {
        held_ = std::move(held);
        return Status::Ok();
      }
      (void)held->Close();
      continue;
    }
    if (status.code() != EWOULDBLOCK) return status;
    if (std::chrono::steady_clock::now() >= deadline) {
      return Status::Error(Text(path) + " is being written by another process; gave up after " +
                               std::to_string(WriterLockWait().count()) + " ms",
                           EWOULDBLOCK);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void WriterLock::Release() {
  if (held_ != nullptr) (void)held_->Close();
  held_.reset();
}

}  // namespace inicrypt
