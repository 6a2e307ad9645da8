// The host seam: everything the system asks of the operating system.
//
// Nothing outside host/ includes an operating-system header (apart from the
// C library's iconv, behind the code page 936 conversion in base/); the
// profile service, the store, the INI access, the jobs and the front ends
// reach the platform only through GetHost(). A POSIX implementation is built on Linux (host_posix.cpp); tests
// wrap the host to fail chosen calls (FaultyHost, in faulty_host.h).
//
// Paths are Text: code page 936 bytes, with "\" or "/" as separators. A host
// whose file system uses another encoding or separator converts at this seam
// (POSIX: CP936 -> UTF-8 first, then every "\" becomes "/", so the second byte
// of a two-byte character is never taken for a separator); a path that has no
// form there, or holds a NUL byte, fails cleanly with an error Status and
// never reaches the file system mangled. Names that come back from the host
// (program path, folders, environment) are converted back to code page 936;
// one that has no CP936 form is an error or the empty text, never mangled.
//
// Errors: a failing call returns a Status whose message names the operation
// and the path as the caller spelled it, then the reason, for instance
// "open /x/y.ini: No such file or directory"; code() holds the host's error
// number (errno on POSIX). Messages are code page 936 text.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <string_view>

#include "base/paths.h"
#include "base/status.h"
#include "base/text.h"

namespace inicrypt {

enum class FileAccess { kRead, kWrite, kReadWrite };

// What other openers of the same file may do while this one has it open.
// Sharing holds between all openers inside the process, keyed by the file's
// identity, whatever spelling of the path each used (a hard link included),
// as Windows share modes do: an open is refused when its access is denied by
// the share mode of an opener that still has the file open, or when its own
// share mode denies an access that such an opener holds. Between processes
// the POSIX host enforces nothing (see posix_files.cpp).
enum class FileShare {
  kAll,            // others may read and write
  kDenyRead,       // others may write only
  kDenyWrite,      // others may read only
  kDenyReadWrite,  // others may not open the file at all
};

enum class FileCreation {
  kOpenExisting,  // fails when missing
  kCreateAlways,  // created, or emptied to length 0
  kOpenAlways,    // opened with its content, or created
  kCreateNew,     // created; fails when something already has the name
};

enum class SeekOrigin { kStart, kCurrent, kEnd };

struct FileId {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileId&) const = default;
};

// An open platform file. Bytes are raw: no translation of line ends. A new
// file object is positioned at 0. Calls against a closed file fail.
class HostFile {
 public:
  virtual ~HostFile() = default;

  // Reads up to n bytes at the current position (one platform read); *got is
  // the number read, 0 at the end of the file. On failure *got is 0.
  virtual Status Read(void* buffer, size_t n, size_t* got) = 0;
  // Writes all n bytes at the current position; a write that cannot
  // complete (a full disk) is an error, and the bytes written before it stay.
  // Writing a file opened for reading only is an error.
  virtual Status Write(const void* bytes, size_t n) = 0;
  // Moves the position and stores the new one in *position (may be null). A
  // resulting position below 0 is an error and leaves the position as it was;
  // a position beyond the end is allowed.
  virtual Status Seek(int64_t offset, SeekOrigin origin, int64_t* position) = 0;
  // Makes the current position the end of the file (shortens or extends it).
  virtual Status SetEnd() = 0;
  // Forces written bytes to stable storage.
  virtual Status Sync() = 0;
  // Closes the file. Afterwards the file is closed even when an error is
  // returned, and every call fails. Also done by the destructor.
  virtual Status Close() = 0;
  // Identifies the file itself, however its path was spelled (device and
  // inode on POSIX): two open files with equal ids are the same file.
  virtual FileId Id() const = 0;
  // Permission bits of the open file (POSIX fchmod).
  virtual Status SetMode(uint32_t mode) = 0;
  // Gives the open file an owner and a group as far as the process may: what
  // it may not change stays as it is, silently (POSIX fchown by an ordinary
  // user keeps the owner, and a group it is no member of).
  virtual Status SetOwner(uint32_t owner, uint32_t group) = 0;
  // For a file from CreateTemporaryIn only: puts it in place of target (a
  // path in the same folder, no symbolic link) in one rename. Other files
  // refuse (EINVAL).
  virtual Status PutInPlaceOf(std::string_view target) = 0;
};

// Kinds of object a path can name. A path that cannot be examined (no
// access, no form on the file system) counts as missing.
enum class PathKind { kMissing, kFile, kFolder, kOther };

// What a path leads to, its symbolic links followed.
struct PathInfo {
  PathKind kind = PathKind::kMissing;
  // The path with the symbolic links of its last name followed, as often as
  // they lead on: the name a replacement renames over. The path itself when
  // it names no link.
  Text resolved;
  uint32_t mode = 0;  // permission bits (POSIX mode & 07777)
  uint32_t owner = 0;
  uint32_t group = 0;
  FileId id;
  bool writable = false;  // this process may open it for writing
};

class Host {
 public:
  virtual ~Host() = default;

  // --- files ---
  // Opens or creates a file. On success *file holds it, positioned at 0; on
  // failure *file is null and nothing was created or emptied. A folder never
  // opens as a file. Created files get the usual permissions (POSIX: 0666
  // less the umask). kCreateAlways empties the file only once the sharing
  // rules have let the open through.
  virtual Status OpenFile(std::string_view path, FileAccess access, FileShare share,
                          FileCreation creation, std::unique_ptr<HostFile>* file) = 0;
  virtual PathKind GetPathKind(std::string_view path) = 0;
  // Deletes a file (not a folder).
  virtual Status DeleteFile(std::string_view path) = 0;
  // Renames from over to, replacing a file that to names (atomically on POSIX).
  virtual Status RenameFile(std::string_view from, std::string_view to) = 0;
  // Permission bits of a file (POSIX mode & 07777); 0 where the host has none.
  virtual Status GetFileMode(std::string_view path, uint32_t* mode) = 0;
  virtual Status SetFileMode(std::string_view path, uint32_t mode) = 0;
  // Creates a folder readable by its owner only; path must not exist.
  virtual Status CreatePrivateFolder(std::string_view path) = 0;
  // Removes an empty folder.
  virtual Status DeleteFolder(std::string_view path) = 0;

  // --- replacing a file, and the writers' lock ---
  // Describes what path leads to. A missing path (a dangling link included)
  // is no error: kind is kMissing and resolved names where the file would
  // be created.
  virtual Status InspectPath(std::string_view path, PathInfo* info) = 0;
  // Creates a new empty file in folder, open for reading and writing,
  // readable and writable by its owner only (0600) from its first instant.
  // Where the system allows it the file has no name at all until
  // PutInPlaceOf (Linux O_TMPFILE), so a crash leaves nothing behind; else
  // it gets a short name of the host's own (".ic", the process id, a random
  // part, ".tmp"), removed again when the file is closed without being put
  // in place, or on an interrupt. Named temporaries of dead processes in
  // folder are removed first. *path is a name by which this process may
  // open the file while it stays open. The file takes no part in sharing.
  virtual Status CreateTemporaryIn(std::string_view folder, std::unique_ptr<HostFile>* file,
                                   Text* path) = 0;
  // The permission bits a newly created file gets (POSIX: 0666 less the umask).
  virtual uint32_t UsualFileMode() = 0;
  // Forces the folder's names (a rename in it) to stable storage.
  virtual Status SyncFolder(std::string_view folder) = 0;
  // Takes, without waiting, the advisory lock that writers of path share
  // between processes: on the file path leads to, or on its folder when it
  // is missing. *held keeps it until closed; the process's death releases
  // it. Held by another process: an error with code EWOULDBLOCK. Inside one
  // process the lock is shared: a second lock of a file the process holds is
  // granted at once.
  virtual Status TryLockPath(std::string_view path, std::unique_ptr<HostFile>* held) = 0;

  // --- process ---
  // Full path of the program's own file, as the operating system knows it
  // (not as the program was started).
  virtual Status GetProgramPath(Text* path) = 0;
  virtual Status SetCurrentFolder(std::string_view path) = 0;
  // The current folder, a full path without a trailing separator (except
  // for the root).
  virtual Status GetCurrentFolder(Text* path) = 0;
  // The folder of a special-folder kind (1..11), ending in the separator,
  // or the empty text for a kind the host does not have or cannot tell. The
  // folder is not created. Kind 3 is the user's desktop; kind 9 is where the
  // INI functions look for a bare file name (the Windows folder on Windows,
  // the user's configuration folder on POSIX).
  virtual Text GetSpecialFolder(int kind) = 0;
  // An environment variable, as code page 936; empty when unset or when its
  // value has no CP936 form.
  virtual Text GetEnvironment(std::string_view name) = 0;
  // An environment variable as it is set: *value is absent when it is unset,
  // and a value with no CP936 form is an error naming the variable (never
  // taken for an unset one). This default reads GetEnvironment, an empty
  // value counting as unset.
  virtual Status FindEnvironment(std::string_view name, std::optional<Text>* value) {
    Text text = GetEnvironment(name);
    *value = text.empty() ? std::nullopt : std::optional<Text>(std::move(text));
    return Status::Ok();
  }
  // Runs a program with arguments and waits; *exit_code is its exit code.
  // The program is found like a path, or along PATH when it holds no
  // separator; each argument is passed as one argument, converted to the
  // host's encoding but otherwise as given (no shell). A program that cannot
  // be started, or that ends by a signal, is an error. While it runs, an
  // interrupt or quit typed at the terminal is left to the program (as
  // system(3) does); termination requests still reach this process.
  virtual Status RunProgram(std::string_view program, const TextList& arguments,
                            int* exit_code) = 0;
  // RunProgram, with the variables named in hidden left out of the
  // environment the program inherits (secrets it must not see). A host with
  // no environment of its own to pass on (the in-memory host) just runs it.
  virtual Status RunProgramHiding(std::string_view program, const TextList& arguments,
                                  const TextList& hidden, int* exit_code) {
    (void)hidden;
    return RunProgram(program, arguments, exit_code);
  }
  // Keeps the process's memory, which holds a password or plain text, out of
  // core dumps and away from debuggers of the same user (POSIX:
  // PR_SET_DUMPABLE 0) for the rest of its life. Where the host cannot, it
  // does nothing.
  virtual void ProtectProcessMemory() {}
  // The names in a folder ("." and ".." left out), in no particular order.
  // A host that cannot list folders fails (ENOSYS).
  virtual Status ListFolder(std::string_view path, std::vector<Text>* names) {
    names->clear();
    return Status::Error("list " + std::string(path) + ": not supported by this host", ENOSYS);
  }
  // This process and its user, as numbers (0 where the host has none), and
  // whether a process of that number runs (true when it cannot tell).
  virtual int64_t ProcessNumber() { return 0; }
  virtual int64_t UserNumber() { return 0; }
  virtual bool ProcessIsRunning(int64_t number) {
    (void)number;
    return true;
  }
  // Paths to remove (files, then empty folders) if the process is interrupted
  // or told to terminate (on POSIX every catchable signal whose default ends
  // the process and that is no fault: SIGINT, SIGTERM, SIGHUP, SIGQUIT,
  // SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE, SIGXCPU, SIGXFSZ ...) before they are
  // forgotten again; the process then ends as the signal would end it. A
  // relative path is taken against the current folder at the time of the call.
  virtual void RemoveOnInterrupt(std::string_view path) = 0;
  virtual void ForgetOnInterrupt(std::string_view path) = 0;
  // Reads one line from the terminal without echoing it (prompt shown
  // first). The prompt is code page 936, shown in the terminal's encoding
  // (the locale's); *line is the line as typed, in that encoding, without its
  // line end: the caller converts it (LocaleToCp936). No terminal, or end of
  // input before any byte, is an error; echo is restored on every way out,
  // an interrupt included.
  virtual Status ReadSecretLine(std::string_view prompt, std::string* line) = 0;
  // True when the process's standard output is a terminal (where control
  // characters in what is printed would act on the terminal).
  virtual bool StandardOutputIsTerminal() { return false; }
};

// Forwards every call to another host; a subclass overrides what it changes.
class HostWrapper : public Host {
 public:
  explicit HostWrapper(Host& target) : target_(target) {}
  Host& target() const { return target_; }

  Status OpenFile(std::string_view path, FileAccess access, FileShare share, FileCreation creation,
                  std::unique_ptr<HostFile>* file) override {
    return target_.OpenFile(path, access, share, creation, file);
  }
  PathKind GetPathKind(std::string_view path) override { return target_.GetPathKind(path); }
  Status DeleteFile(std::string_view path) override { return target_.DeleteFile(path); }
  Status RenameFile(std::string_view from, std::string_view to) override {
    return target_.RenameFile(from, to);
  }
  Status GetFileMode(std::string_view path, uint32_t* mode) override {
    return target_.GetFileMode(path, mode);
  }
  Status SetFileMode(std::string_view path, uint32_t mode) override {
    return target_.SetFileMode(path, mode);
  }
  Status CreatePrivateFolder(std::string_view path) override {
    return target_.CreatePrivateFolder(path);
  }
  Status DeleteFolder(std::string_view path) override { return target_.DeleteFolder(path); }
  Status InspectPath(std::string_view path, PathInfo* info) override {
    return target_.InspectPath(path, info);
  }
  Status CreateTemporaryIn(std::string_view folder, std::unique_ptr<HostFile>* file,
                           Text* path) override {
    return target_.CreateTemporaryIn(folder, file, path);
  }
  uint32_t UsualFileMode() override { return target_.UsualFileMode(); }
  Status SyncFolder(std::string_view folder) override { return target_.SyncFolder(folder); }
  Status TryLockPath(std::string_view path, std::unique_ptr<HostFile>* held) override {
    return target_.TryLockPath(path, held);
  }
  Status GetProgramPath(Text* path) override { return target_.GetProgramPath(path); }
  Status SetCurrentFolder(std::string_view path) override { return target_.SetCurrentFolder(path); }
  Status GetCurrentFolder(Text* path) override { return target_.GetCurrentFolder(path); }
  Text GetSpecialFolder(int kind) override { return target_.GetSpecialFolder(kind); }
  Text GetEnvironment(std::string_view name) override { return target_.GetEnvironment(name); }
  Status FindEnvironment(std::string_view name, std::optional<Text>* value) override {
    return target_.FindEnvironment(name, value);
  }
  Status RunProgram(std::string_view program, const TextList& arguments, int* exit_code) override {
    return target_.RunProgram(program, arguments, exit_code);
  }
  Status RunProgramHiding(std::string_view program, const TextList& arguments,
                          const TextList& hidden, int* exit_code) override {
    return target_.RunProgramHiding(program, arguments, hidden, exit_code);
  }
  void ProtectProcessMemory() override { target_.ProtectProcessMemory(); }
  Status ListFolder(std::string_view path, std::vector<Text>* names) override {
    return target_.ListFolder(path, names);
  }
  int64_t ProcessNumber() override { return target_.ProcessNumber(); }
  int64_t UserNumber() override { return target_.UserNumber(); }
  bool ProcessIsRunning(int64_t number) override { return target_.ProcessIsRunning(number); }
  void RemoveOnInterrupt(std::string_view path) override { target_.RemoveOnInterrupt(path); }
  void ForgetOnInterrupt(std::string_view path) override { target_.ForgetOnInterrupt(path); }
  Status ReadSecretLine(std::string_view prompt, std::string* line) override {
    return target_.ReadSecretLine(prompt, line);
  }
  bool StandardOutputIsTerminal() override { return target_.StandardOutputIsTerminal(); }

 private:
  Host& target_;
};

// The host in use: the platform's own unless a test has put another in place.
Host& GetHost();
// The platform's own host. It lives until the process ends (never destroyed,
// so files closed from static destructors still find it).
Host& PlatformHost();

// Puts a host in place for the lifetime of the object (tests). Scopes nest.
class ScopedHost {
 public:
  explicit ScopedHost(Host& host);
  ~ScopedHost();
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

 private:
  Host* previous_;
};

}  // namespace inicrypt
