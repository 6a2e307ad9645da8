// Replacing a whole file safely, and the lock its writers share.
//
// Replacement: the new content is written into a temporary file in the
// target's folder (0600 from its first instant, nameless where the system
// allows it), forced to disk, given the target's owner, group and permission
// bits (a new file the caller's mode), renamed over the target, and the
// folder is forced to disk: a failure or a crash at any moment leaves the old
// file or the new one, and no temporary behind (a named one left by a crash
// is removed by the next replacement in that folder). A symbolic link is
// followed and the file it leads to replaced, the link kept. A target that
// is no regular file (a device such as /dev/null, a FIFO, a terminal) is
// written in place, never replaced. A target the process may not write is
// refused unless the caller allows it.
//
// WriterLock: every read-modify-write of a file holds it, so that writers in
// other processes wait for each other instead of losing each other's
// changes. It is an advisory lock that ends with its process (a killed
// writer leaves none). A second writer waits up to WriterLockWait(), then
// fails naming the file.
#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "base/status.h"
#include "base/text.h"
#include "host/host.h"

namespace inicrypt {

struct ReplaceRules {
  // Permission bits of a target that does not exist yet; kUsualMode: what a
  // newly created file gets (0666 less the umask).
  static constexpr uint32_t kUsualMode = ~0u;
  uint32_t new_file_mode = kUsualMode;
  bool allow_unwritable = false;  // replace a target the process may not write
};

class Replacement {
 public:
  explicit Replacement(std::string_view target, ReplaceRules rules = {});
  ~Replacement();  // Discard() unless committed
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  // Follows the target's links and opens what the new content goes into: a
  // temporary file beside the target, or the target itself when it is no
  // regular file. Refuses a folder, and an unwritable target (see rules).
  [[nodiscard]] Status Begin();
  // True when the target is written in place (no regular file).
  bool in_place() const { return in_place_; }
  // The open file the new content goes into, valid after Begin.
  HostFile& file() { return *file_; }
  // A path by which this process may open that file while it is open.
  const Text& path() const { return path_; }
  // The file the replacement puts in place: the target, its links followed.
  const Text& target() const { return resolved_; }
  // Copies the target's bytes (when it exists) into the file.
  [[nodiscard]] Status CopyTarget();
  // Forces the new content to disk, gives it the old file's owner, group and
  // permission bits (a new file the rules' mode), renames it over the target
  // and forces the folder to disk (a failure of that last step, with the new
  // file in place, is not reported). In place: closes the target.
  [[nodiscard]] Status Commit();
  // Drops the new content; the target is untouched.
  void Discard();

 private:
  Text target_;
  ReplaceRules rules_;
  Text resolved_;
  Text path_;
  PathInfo old_;
  bool in_place_ = false;
  std::unique_ptr<HostFile> file_;
};

// Puts the pieces, in order, in place of target by a Replacement.
[[nodiscard]] Status ReplaceWholeFile(std::string_view target,
                                      std::initializer_list<std::string_view> pieces,
                                      ReplaceRules rules = {});

class WriterLock {
 public:
  WriterLock() = default;
  ~WriterLock() { Release(); }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

  // Takes the lock of path (what its links lead to; its folder while it does
  // not exist), waiting up to WriterLockWait() for another process to let
  // go: "PATH is being written by another process (waited N s)". After the
  // lock is taken, path must still lead to what was locked, else it is taken
  // again. A target that is no regular file or folder is not locked.
  [[nodiscard]] Status Acquire(std::string_view path);
  void Release();

 private:
  std::unique_ptr<HostFile> held_;
};

// How long a writer waits for another (5 seconds unless set; tests shorten it).
std::chrono::milliseconds WriterLockWait();
void SetWriterLockWait(std::chrono::milliseconds wait);

}  // namespace inicrypt
