// A host that keeps everything in memory: files, folders, permission bits,
// file ids, sharing, the program path, the current folder, special folders
// and the environment. Harnesses and fault loops run on it without touching
// the disk, and each instance is a machine of its own.
//
// It behaves as the POSIX host does on a Linux file system in UTF-8, seen by
// an ordinary user who owns every file:
//   - paths are converted CP936 -> UTF-8, then every "\" becomes "/" (a path
//     with no UTF-8 form, or with a NUL byte, is refused); relative paths
//     are taken against the current folder; "." and ".." are walked as the
//     file system walks them; a name longer than 255 bytes is refused;
//   - files have content, permission bits (created 0666 less the umask,
//     0022 unless set), a FileId (device 1, an inode number never reused)
//     and any number of names (Link); an open file keeps its content when
//     its name is deleted or renamed over, as on POSIX;
//   - permission bits are obeyed as for the owner: reading needs 0400,
//     writing 0200; adding or removing names in a folder needs its 0200,
//     passing through a folder its 0100;
//   - the sharing rules of host.h hold between the openers of this host;
//   - there are no symbolic links; files belong to user and group 1000,
//     who may not give them away; temporaries are named (".ic1.N.tmp"),
//     this machine's process having the id 1, so that temporaries of other
//     ids count as left by dead processes; writers' locks are granted to
//     this machine's process unless HoldLockElsewhere says another has them;
//   - the devices "/dev/null" (takes every write, reads nothing) and
//     "/dev/full" (reads nothing, every write fails with ENOSPC) exist;
//   - the total of all file contents may not pass a capacity (1 GiB unless
//     set): a write that does not fit writes what fits, then fails with
//     ENOSPC, as a full disk does;
//   - errors carry POSIX error numbers and messages in the POSIX host's
//     words: "open /a/b.ini: No such file or directory".
//
// The starting machine has the folders "/", "/tmp", "/etc", "/dev" and the
// home folder "/home/user" (the current folder); the program is
// "/opt/inicrypt/inicrypt" (a file); special folders are those the POSIX
// host gives for that home with no XDG variables set; the environment holds
// HOME=/home/user and nothing else.
//
// Running a program and reading a secret line fail with a clear Status
// unless the test supplies an answer (SetProgramRunner, AddSecretLine).
// RemoveOnInterrupt only records its paths; Interrupt() removes them as the
// POSIX host's signal handler would, without ending anything.
//
// The helpers below the Host interface see the machine from outside, as
// another process or the test itself would: they ignore sharing and
// permission bits. Thread-safe: one lock guards the machine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace inicrypt {

class MemoryHost : public Host {
 public:
  MemoryHost();
  ~MemoryHost() override;
  MemoryHost(const MemoryHost&) = delete;
  MemoryHost& operator=(const MemoryHost&) = delete;

  // --- Host ---
  Status OpenFile(std::string_view path, FileAccess access, FileShare share, FileCreation creation,
                  std::unique_ptr<HostFile>* file) override;
  PathKind GetPathKind(std::string_view path) override;
  Status DeleteFile(std::string_view path) override;
  Status RenameFile(std::string_view from, std::string_view to) override;
  Status GetFileMode(std::string_view path, uint32_t* mode) override;
  Status SetFileMode(std::string_view path, uint32_t mode) override;
  Status CreatePrivateFolder(std::string_view path) override;
  Status DeleteFolder(std::string_view path) override;
  Status InspectPath(std::string_view path, PathInfo* info) override;
  Status CreateTemporaryIn(std::string_view folder, std::unique_ptr<HostFile>* file,
                           Text* path) override;
  uint32_t UsualFileMode() override;
  Status SyncFolder(std::string_view folder) override;
  Status TryLockPath(std::string_view path, std::unique_ptr<HostFile>* held) override;
  Status GetProgramPath(Text* path) override;
  Status SetCurrentFolder(std::string_view path) override;
  Status GetCurrentFolder(Text* path) override;
  Text GetSpecialFolder(int kind) override;
  Text GetEnvironment(std::string_view name) override;
  Status RunProgram(std::string_view program, const TextList& arguments, int* exit_code) override;
  void RemoveOnInterrupt(std::string_view path) override;
  void ForgetOnInterrupt(std::string_view path) override;
  Status ReadSecretLine(std::string_view prompt, std::string* line) override;

  // --- the machine, seen from outside ---
  // Makes path a file holding exactly bytes (created with the umask's mode
  // when missing; its folder must exist).
  Status WriteWholeFile(std::string_view path, std::string_view bytes);
  // The bytes of a file; nullopt when path names no file.
  std::optional<std::string> ReadWholeFile(std::string_view path);
  // Creates a folder and any missing folders above it (mode 0777 less the umask).
  Status CreateFolders(std::string_view path);
  // Gives the file at existing a further name (a hard link).
  Status Link(std::string_view existing, std::string_view new_path);
  // The names in a folder as the file system holds them (UTF-8), sorted.
  std::vector<std::string> Names(std::string_view folder);
  // Makes another process hold (or no longer hold) the writers' lock of
  // path (its folder when missing): TryLockPath then fails with EWOULDBLOCK.
  Status HoldLockElsewhere(std::string_view path, bool held = true);
  // The total of all file contents, and the most it may reach.
  uint64_t UsedBytes();
  void SetCapacity(uint64_t bytes);
  void SetUmask(uint32_t mask);
  void SetProgramPath(std::string_view path);
  // A special folder (ending in "/" unless empty); the folder is not created.
  void SetSpecialFolder(int kind, std::string_view folder);
  // Sets (or, with nullopt, unsets) a variable; name and value are CP936.
  void SetEnvironment(std::string_view name, std::optional<std::string_view> value);
  // Answers RunProgram; without one RunProgram fails with ENOSYS.
  using ProgramRunner =
      std::function<Status(std::string_view program, const TextList& arguments, int* exit_code)>;
  void SetProgramRunner(ProgramRunner runner);
  // Queues a line for ReadSecretLine; with none queued it fails as with no terminal.
  void AddSecretLine(std::string_view line);
  // The paths RemoveOnInterrupt holds (absolute), in order of registration.
  std::vector<Text> InterruptPaths();
  // Removes the registered paths, files first, then folders, as an
  // interrupt would; the registrations are dropped.
  void Interrupt();

 private:
  struct Machine;
  class File;
  std::shared_ptr<Machine> machine_;
};

}  // namespace inicrypt
