// The host seam: everything the system asks of the operating system.
//
// Nothing outside base/ includes an operating-system header; the store, the
// INI access, the jobs and the front ends reach the platform only through
// GetHost(). A POSIX implementation is built on Linux (host_posix.cpp); tests
// wrap the host to fail chosen calls (FaultyHost, in faulty_host.h).
//
// Paths are Text: code page 936 bytes, with "\" or "/" as separators. A host
// whose file system uses another encoding or separator converts at this seam;
// a path that has no form there fails cleanly with an error Status and never
// reaches the file system mangled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "base/status.h"
#include "base/text.h"

namespace inicrypt {

enum class FileAccess { kRead, kWrite, kReadWrite };

// What other openers of the same file may do while this one has it open.
// Sharing holds between all openers inside the process, keyed by the file's
// identity, whatever spelling of the path each used.
enum class FileShare { kAll, kDenyRead, kDenyWrite, kDenyReadWrite };

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

// An open platform file. Bytes are raw: no translation of line ends.
class HostFile {
 public:
  virtual ~HostFile() = default;

  // Reads up to n bytes at the current position; *got is 0 at the end.
  virtual Status Read(void* buffer, size_t n, size_t* got) = 0;
  // Writes all n bytes at the current position; a short write is an error.
  virtual Status Write(const void* bytes, size_t n) = 0;
  // Moves the position; a resulting position below 0 is an error.
  virtual Status Seek(int64_t offset, SeekOrigin origin, int64_t* position) = 0;
  // Makes the current position the end of the file.
  virtual Status SetEnd() = 0;
  // Forces written bytes to stable storage.
  virtual Status Sync() = 0;
  // Closes the file; afterwards every call fails. Also done by the destructor.
  virtual Status Close() = 0;
  // Identifies the file itself, however its path was spelled (device and
  // inode on POSIX): two open files with equal ids are the same file.
  virtual FileId Id() const = 0;
};

// Kinds of object a path can name.
enum class PathKind { kMissing, kFile, kFolder, kOther };

class Host {
 public:
  virtual ~Host() = default;

  // --- files ---
  virtual Status OpenFile(std::string_view path, FileAccess access, FileShare share,
                          FileCreation creation, std::unique_ptr<HostFile>* file) = 0;
  virtual PathKind GetPathKind(std::string_view path) = 0;
  virtual Status DeleteFile(std::string_view path) = 0;
  // Renames from over to, replacing a file that to names.
  virtual Status RenameFile(std::string_view from, std::string_view to) = 0;
  // Permission bits of a file (POSIX mode & 07777); 0 where the host has none.
  virtual Status GetFileMode(std::string_view path, uint32_t* mode) = 0;
  virtual Status SetFileMode(std::string_view path, uint32_t mode) = 0;
  // Creates a folder readable by its owner only; path must not exist.
  virtual Status CreatePrivateFolder(std::string_view path) = 0;
  // Removes an empty folder.
  virtual Status DeleteFolder(std::string_view path) = 0;

  // --- process ---
  // Full path of the program's own file, as the operating system knows it.
  virtual Status GetProgramPath(Text* path) = 0;
  virtual Status SetCurrentFolder(std::string_view path) = 0;
  virtual Status GetCurrentFolder(Text* path) = 0;
  // The folder of a special-folder kind (1..11), ending in the separator,
  // or the empty text for a kind the host does not have.
  virtual Text GetSpecialFolder(int kind) = 0;
  // An environment variable, as code page 936; empty when unset.
  virtual Text GetEnvironment(std::string_view name) = 0;
  // Runs a program with arguments and waits; *exit_code is its exit code.
  virtual Status RunProgram(std::string_view program, const TextList& arguments,
                            int* exit_code) = 0;
  // Paths to remove (files, then empty folders) if the process is interrupted
  // or told to terminate (SIGINT, SIGTERM, SIGHUP on POSIX) before they are
  // forgotten again; the process then ends as the signal would end it.
  virtual void RemoveOnInterrupt(std::string_view path) = 0;
  virtual void ForgetOnInterrupt(std::string_view path) = 0;
  // Reads one line from the terminal without echoing it (prompt shown first).
  virtual Status ReadSecretLine(std::string_view prompt, std::string* line) = 0;
};

// The host in use: the platform's own unless a test has put another in place.
Host& GetHost();
// The platform's own host.
Host& PlatformHost();

// Puts a host in place for the lifetime of the object (tests).
class ScopedHost {
 public:
  explicit ScopedHost(Host& host);
  ~ScopedHost();
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

 private:
  Host* previous_;
};

// Separator of the platform's paths ('/' on POSIX, '\\' on Windows).
char PathSeparator();

}  // namespace inicrypt
