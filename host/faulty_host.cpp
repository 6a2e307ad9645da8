// A host for tests that fails chosen calls.
#include "host/faulty_host.h"

#include <cerrno>
#include <string>
#include <utility>

namespace inicrypt {

bool IsIoCall(HostCall call) { return call <= HostCall::kDeleteFolder; }

Status InjectedFailure(std::string_view operation, std::string_view path, int code) {
  std::string message(operation);
  message += ' ';
  message += path;
  message += ": injected failure";
  return Status::Error(std::move(message), code);
}

bool FaultyHost::State::ShouldFail(HostCall call) {
  int count = ++calls[static_cast<int>(call)];
  int io_count = IsIoCall(call) ? ++io_calls : 0;
  for (const Rule& rule : rules) {
    if (rule.io ? io_count == 0 : rule.call != call) continue;
    int n = rule.io ? io_count : count;
    if (n == rule.n || (rule.span == FaultSpan::kFromNthOn && n > rule.n)) {
      ++injected;
      return true;
    }
  }
  return false;
}

// A file opened through the faulty host: counts its calls and fails the
// chosen ones, forwarding the rest.
class FaultyHost::File final : public HostFile {
 public:
  File(std::unique_ptr<HostFile> inner, std::shared_ptr<State> state, std::string_view path)
      : inner_(std::move(inner)), state_(std::move(state)), path_(path) {}

  Status Read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (state_->ShouldFail(HostCall::kRead)) return InjectedFailure("read", path_, EIO);
    return inner_->Read(buffer, n, got);
  }

  Status Write(const void* bytes, size_t n) override {
    if (!state_->ShouldFail(HostCall::kWrite)) return inner_->Write(bytes, n);
    if (!state_->full_disk) return InjectedFailure("write", path_, EIO);
    // A full disk takes what fits, then refuses the rest.
    if (Status part = inner_->Write(bytes, n / 2); !part.ok()) return part;
    return InjectedFailure("write", path_, ENOSPC);
  }

  Status Seek(int64_t offset, SeekOrigin origin, int64_t* position) override {
    if (state_->ShouldFail(HostCall::kSeek)) return InjectedFailure("seek", path_, EIO);
    return inner_->Seek(offset, origin, position);
  }

  Status SetEnd() override {
    if (state_->ShouldFail(HostCall::kSetEnd)) return InjectedFailure("set end of", path_, EIO);
    return inner_->SetEnd();
  }

  Status Sync() override {
    if (state_->ShouldFail(HostCall::kSync)) return InjectedFailure("sync", path_, EIO);
    return inner_->Sync();
  }

  // The destructor closes without counting: only explicit closes are calls.
  Status Close() override {
    bool fail = state_->ShouldFail(HostCall::kClose);
    Status closed = inner_->Close();
    return fail && closed.ok() ? InjectedFailure("close", path_, EIO) : closed;
  }

  FileId Id() const override { return inner_->Id(); }

  Status SetMode(uint32_t mode) override {
    if (state_->ShouldFail(HostCall::kSetMode)) return InjectedFailure("chmod", path_, EIO);
    return inner_->SetMode(mode);
  }

  Status SetOwner(uint32_t owner, uint32_t group) override {
    if (state_->ShouldFail(HostCall::kSetOwner)) return InjectedFailure("chown", path_, EIO);
    return inner_->SetOwner(owner, group);
  }

  Status PutInPlaceOf(std::string_view target) override {
    if (state_->ShouldFail(HostCall::kPutInPlace)) return InjectedFailure("rename", path_, EIO);
    return inner_->PutInPlaceOf(target);
  }

 private:
  std::unique_ptr<HostFile> inner_;
  std::shared_ptr<State> state_;
  Text path_;
};

FaultyHost::FaultyHost(Host& target) : HostWrapper(target), state_(std::make_shared<State>()) {}

void FaultyHost::FailCall(HostCall call, int n, FaultSpan span) {
  state_->rules.push_back(Rule{false, call, n, span});
}

void FaultyHost::FailIo(int n, FaultSpan span) {
  state_->rules.push_back(Rule{true, HostCall::kOpen, n, span});
}

void FaultyHost::Reset() {
  bool full_disk = state_->full_disk;
  *state_ = State{};
  state_->full_disk = full_disk;
}

Status FaultyHost::OpenFile(std::string_view path, FileAccess access, FileShare share,
                            FileCreation creation, std::unique_ptr<HostFile>* file) {
  file->reset();
  if (ShouldFail(HostCall::kOpen)) return InjectedFailure("open", path, EIO);
  std::unique_ptr<HostFile> inner;
  Status status = target().OpenFile(path, access, share, creation, &inner);
  if (status.ok()) *file = std::make_unique<File>(std::move(inner), state_, path);
  return status;
}

Status FaultyHost::DeleteFile(std::string_view path) {
  if (ShouldFail(HostCall::kDelete)) return InjectedFailure("delete", path, EIO);
  return target().DeleteFile(path);
}

Status FaultyHost::RenameFile(std::string_view from, std::string_view to) {
  if (ShouldFail(HostCall::kRename)) return InjectedFailure("rename", from, EIO);
  return target().RenameFile(from, to);
}

Status FaultyHost::GetFileMode(std::string_view path, uint32_t* mode) {
  *mode = 0;
  if (ShouldFail(HostCall::kGetMode)) return InjectedFailure("stat", path, EIO);
  return target().GetFileMode(path, mode);
}

Status FaultyHost::SetFileMode(std::string_view path, uint32_t mode) {
  if (ShouldFail(HostCall::kSetMode)) return InjectedFailure("chmod", path, EIO);
  return target().SetFileMode(path, mode);
}

Status FaultyHost::CreatePrivateFolder(std::string_view path) {
  if (ShouldFail(HostCall::kCreateFolder)) return InjectedFailure("create folder", path, EIO);
  return target().CreatePrivateFolder(path);
}

Status FaultyHost::DeleteFolder(std::string_view path) {
  if (ShouldFail(HostCall::kDeleteFolder)) return InjectedFailure("delete folder", path, EIO);
  return target().DeleteFolder(path);
}

Status FaultyHost::InspectPath(std::string_view path, PathInfo* info) {
  *info = PathInfo{};
  if (ShouldFail(HostCall::kInspect)) return InjectedFailure("stat", path, EIO);
  return target().InspectPath(path, info);
}

Status FaultyHost::CreateTemporaryIn(std::string_view folder, std::unique_ptr<HostFile>* file,
                                     Text* path) {
  file->reset();
  path->clear();
  if (ShouldFail(HostCall::kCreateTemporary)) {
    return InjectedFailure("create temporary in", folder, EIO);
  }
  std::unique_ptr<HostFile> inner;
  Status status = target().CreateTemporaryIn(folder, &inner, path);
  if (status.ok()) *file = std::make_unique<File>(std::move(inner), state_, *path);
  return status;
}

Status FaultyHost::SyncFolder(std::string_view folder) {
  if (ShouldFail(HostCall::kSyncFolder)) return InjectedFailure("sync", folder, EIO);
  return target().SyncFolder(folder);
}

Status FaultyHost::TryLockPath(std::string_view path, std::unique_ptr<HostFile>* held) {
  held->reset();
  if (ShouldFail(HostCall::kLock)) return InjectedFailure("lock", path, EIO);
  return target().TryLockPath(path, held);
}

Status FaultyHost::GetProgramPath(Text* path) {
  path->clear();
  if (ShouldFail(HostCall::kGetProgramPath))
    return InjectedFailure("readlink", "/proc/self/exe", EIO);
  return target().GetProgramPath(path);
}

Status FaultyHost::SetCurrentFolder(std::string_view path) {
  if (ShouldFail(HostCall::kSetCurrentFolder)) return InjectedFailure("chdir", path, EIO);
  return target().SetCurrentFolder(path);
}

Status FaultyHost::GetCurrentFolder(Text* path) {
  path->clear();
  if (ShouldFail(HostCall::kGetCurrentFolder)) return InjectedFailure("getcwd", "", EIO);
  return target().GetCurrentFolder(path);
}

Status FaultyHost::RunProgram(std::string_view program, const TextList& arguments, int* exit_code) {
  *exit_code = -1;
  if (ShouldFail(HostCall::kRunProgram)) return InjectedFailure("run", program, EIO);
  return target().RunProgram(program, arguments, exit_code);
}

Status FaultyHost::ReadSecretLine(std::string_view prompt, std::string* line) {
  line->clear();
  if (ShouldFail(HostCall::kReadSecretLine)) return InjectedFailure("read", "/dev/tty", EIO);
  return target().ReadSecretLine(prompt, line);
}

}  // namespace inicrypt
