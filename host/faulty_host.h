// A host for tests that fails chosen calls (library inicrypt_host_testing).
//
// FaultyHost forwards every call to another host (the platform's by default)
// and wraps the files it opens, so that the calls made through those files
// are counted and can fail too. With no rule set it changes nothing.
//
// A rule names the calls that fail:
//   FailCall(HostCall::kWrite, 3)                 the 3rd write only
//   FailCall(HostCall::kWrite, 3, FaultSpan::kFromNthOn)   the 3rd and every later write
//   FailIo(5)                                     the 5th I/O call, all kinds counted together
//   FailIo(5, FaultSpan::kFromNthOn)              the 5th I/O call and every later one
// Calls are counted from construction or the last Reset(), starting at 1.
// The I/O calls are the file calls: open, read, write, seek, set-end, sync,
// close, delete, rename, get-mode, set-mode (of a path or an open file),
// create-folder, inspect, create-temporary, sync-folder, lock, set-owner,
// put-in-place, delete-folder.
// GetPathKind, GetSpecialFolder and GetEnvironment never fail.
//
// A failed call returns an error Status (code EIO, message
// "<operation> <path>: injected failure") and does nothing, except:
//   - a failed close still closes the file (a closed file stays closed);
//   - with SetFullDisk(true) a failed write first writes the first half of
//     its bytes, then reports ENOSPC, as a full disk does.
//
// The fault loop, for code that must leave files whole whatever fails:
//
//   for (int n = 1;; ++n) {
//     FaultyHost faulty;
//     ScopedHost in_use(faulty);
//     faulty.FailIo(n);                      // once with kOnce, once kFromNthOn
//     bool ok = OperationUnderTest();
//     ExpectFilesIntact();                   // the old bytes or the new ones
//     if (faulty.Injected() == 0) {          // nothing failed: the run is done
//       EXPECT_TRUE(ok);
//       break;
//     }
//   }
//
// Files opened through a FaultyHost may outlive it; they then go on counting
// and failing by its rules. Not thread-safe: a test drives it from one thread.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace inicrypt {

enum class HostCall {
  // File calls (I/O).
  kOpen,
  kRead,
  kWrite,
  kSeek,
  kSetEnd,
  kSync,
  kClose,
  kDelete,
  kRename,
  kGetMode,
  kSetMode,
  kCreateFolder,
  kInspect,
  kCreateTemporary,
  kSyncFolder,
  kLock,
  kSetOwner,
  kPutInPlace,
  kDeleteFolder,
  // Process calls (not I/O).
  kGetProgramPath,
  kSetCurrentFolder,
  kGetCurrentFolder,
  kRunProgram,
  kReadSecretLine,
};
inline constexpr int kHostCallKinds = static_cast<int>(HostCall::kReadSecretLine) + 1;

// True for the calls counted by FailIo and IoCalls.
bool IsIoCall(HostCall call);

enum class FaultSpan {
  kOnce,       // only the n-th call fails
  kFromNthOn,  // the n-th call and every later one fail
};

class FaultyHost : public HostWrapper {
 public:
  explicit FaultyHost(Host& target = PlatformHost());

  // Adds a rule for one kind of call (n >= 1).
  void FailCall(HostCall call, int n, FaultSpan span = FaultSpan::kOnce);
  // Adds a rule counting every I/O call together (n >= 1).
  void FailIo(int n, FaultSpan span = FaultSpan::kOnce);
  // A failing write writes half of its bytes, then reports a full disk.
  void SetFullDisk(bool full_disk) { state_->full_disk = full_disk; }
  // Drops the rules and sets every counter back to 0 (the full-disk choice stays).
  void Reset();

  // Calls made of one kind, of all I/O kinds, and how many were failed.
  int Calls(HostCall call) const { return state_->calls[static_cast<int>(call)]; }
  int IoCalls() const { return state_->io_calls; }
  int Injected() const { return state_->injected; }

  Status OpenFile(std::string_view path, FileAccess access, FileShare share, FileCreation creation,
                  std::unique_ptr<HostFile>* file) override;
  Status DeleteFile(std::string_view path) override;
  Status RenameFile(std::string_view from, std::string_view to) override;
  Status GetFileMode(std::string_view path, uint32_t* mode) override;
  Status SetFileMode(std::string_view path, uint32_t mode) override;
  Status CreatePrivateFolder(std::string_view path) override;
  Status DeleteFolder(std::string_view path) override;
  Status InspectPath(std::string_view path, PathInfo* info) override;
  Status CreateTemporaryIn(std::string_view folder, std::unique_ptr<HostFile>* file,
                           Text* path) override;
  Status SyncFolder(std::string_view folder) override;
  Status TryLockPath(std::string_view path, std::unique_ptr<HostFile>* held) override;
  Status GetProgramPath(Text* path) override;
  Status SetCurrentFolder(std::string_view path) override;
  Status GetCurrentFolder(Text* path) override;
  Status RunProgram(std::string_view program, const TextList& arguments, int* exit_code) override;
  Status ReadSecretLine(std::string_view prompt, std::string* line) override;

 private:
  struct Rule {
    bool io = false;  // counts every I/O call rather than one kind
    HostCall call = HostCall::kOpen;
    int n = 1;
    FaultSpan span = FaultSpan::kOnce;
  };
  // Shared with the files opened through this host, which may outlive it.
  struct State {
    std::vector<Rule> rules;
    int calls[kHostCallKinds] = {};
    int io_calls = 0;
    int injected = 0;
    bool full_disk = false;
    // Counts the call and tells whether it is to fail (counted as injected).
    bool ShouldFail(HostCall call);
  };
  class File;

  bool ShouldFail(HostCall call) { return state_->ShouldFail(call); }

  std::shared_ptr<State> state_;
};

// The error an injected failure returns: "<operation> <path>: injected failure".
Status InjectedFailure(std::string_view operation, std::string_view path, int code);

}  // namespace inicrypt
