// Files on POSIX: open rules, and Windows share modes kept between the
// openers inside this process.
//
// Sharing is kept by a table keyed by (device, inode), so every spelling of
// a path, hard links included, meets the same openers. Between processes
// sharing is not enforced (POSIX has no mandatory sharing): writers that must
// not be seen half-done build a temporary file and rename it over the old one
// (CreateTemporary), and read-modify-write cycles take the writers' advisory
// lock (TryLock, flock), which ends with its process.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <utility>

#include "host/posix_internal.h"
#include "host/lock_handle.h"
#include "host/share_table.h"

namespace inicrypt::posix {
namespace {

// ".ic" + the process id + "." + six random letters + ".tmp": short, so that
// it fits wherever a target's name fits, and telling which process made it.
std::string TemporaryName() {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  static std::mutex mutex;
  static std::mt19937_64 engine{std::random_device{}() ^
                                (static_cast<uint64_t>(getpid()) << 32)};
  std::string name = ".ic" + std::to_string(getpid()) + ".";
  std::lock_guard lock(mutex);
  uint64_t bits = engine();
  for (int i = 0; i < 6; ++i, bits /= 36) name += kDigits[bits % 36];
  return name + ".tmp";
}

// The process id in a name of TemporaryName's making; 0 for other names.
pid_t MakerOf(std::string_view name) {
  if (!name.starts_with(".ic") || !name.ends_with(".tmp")) return 0;
  name.remove_prefix(3);
  pid_t pid = 0;
  size_t i = 0;
  for (; i < name.size() && i < 10 && name[i] >= '0' && name[i] <= '9'; ++i) {
    pid = pid * 10 + (name[i] - '0');
  }
  if (i == 0 || i >= name.size() || name[i] != '.' || name.size() != i + 1 + 6 + 4) return 0;
  return pid;
}

// Removes the temporaries in folder whose maker is no longer running.
void RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return;
  while (dirent* entry = readdir(dir)) {
    pid_t pid = MakerOf(entry->d_name);
    if (pid <= 0 || pid == getpid()) continue;
    if (kill(pid, 0) == 0 || errno != ESRCH) continue;  // running, or not ours to ask
    struct stat st {};
    if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
      (void)unlinkat(dirfd(dir), entry->d_name, 0);
    }
  }
  closedir(dir);
}

ShareTable& Shares() {
  static ShareTable* table = new ShareTable;  // outlives files closed at exit
  return *table;
}

// What kind of temporary a file is.
enum class Temporary { kNone, kAnonymous, kNamed };

class PosixFile final : public HostFile {
 public:
  PosixFile(int fd, std::string_view path, FileAccess access, FileShare share, FileId id,
            Temporary temporary = Temporary::kNone, std::string native_name = {})
      : fd_(fd), path_(path), access_(access), share_(share), id_(id), temporary_(temporary),
        native_name_(std::move(native_name)) {}
  ~PosixFile() override {
    if (fd_ >= 0) (void)Close();
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  Status Read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (fd_ < 0) return Closed("read");
    while (true) {
      ssize_t r = read(fd_, buffer, n);
      if (r >= 0) {
        *got = static_cast<size_t>(r);
        return Status::Ok();
      }
      if (errno != EINTR) return PosixError(What("read", path_), errno);
    }
  }

  Status Write(const void* bytes, size_t n) override {
    if (fd_ < 0) return Closed("write");
    if (!Writes(access_)) return ReadOnly("write");
    const char* p = static_cast<const char*>(bytes);
    while (n > 0) {
      ssize_t w = write(fd_, p, n);
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return PosixError(What("write", path_), errno);
      if (w == 0) return PosixError(What("write", path_), ENOSPC);
      p += w;
      n -= static_cast<size_t>(w);
    }
    return Status::Ok();
  }

  Status Seek(int64_t offset, SeekOrigin origin, int64_t* position) override {
    if (fd_ < 0) return Closed("seek");
    int whence = origin == SeekOrigin::kStart ? SEEK_SET
                 : origin == SeekOrigin::kEnd ? SEEK_END
                                              : SEEK_CUR;
    off_t result = lseek(fd_, static_cast<off_t>(offset), whence);
    if (result < 0) return PosixError(What("seek", path_), errno);
    if (position != nullptr) *position = static_cast<int64_t>(result);
    return Status::Ok();
  }

  Status SetEnd() override {
    if (fd_ < 0) return Closed("set end of");
    if (!Writes(access_)) return ReadOnly("set end of");
    off_t here = lseek(fd_, 0, SEEK_CUR);
    if (here < 0) return PosixError(What("set end of", path_), errno);
    while (ftruncate(fd_, here) != 0) {
      if (errno != EINTR) return PosixError(What("set end of", path_), errno);
    }
    return Status::Ok();
  }

  Status Sync() override {
    if (fd_ < 0) return Closed("sync");
    while (fsync(fd_) != 0) {
      if (errno != EINTR) return PosixError(What("sync", path_), errno);
    }
    return Status::Ok();
  }

  Status Close() override {
    if (fd_ < 0) return Closed("close");
    int fd = std::exchange(fd_, -1);
    if (temporary_ == Temporary::kNone) Shares().Release(id_, access_, share_);
    if (temporary_ == Temporary::kNamed) {
      // Closed without being put in place: the name goes with it.
      (void)unlink(native_name_.c_str());
      DropInterruptPath(path_);
    }
    if (CloseNoRetry(fd) != 0) return PosixError(What("close", path_), errno);
    return Status::Ok();
  }

  FileId Id() const override { return id_; }

  Status SetMode(uint32_t mode) override {
    if (fd_ < 0) return Closed("chmod");
    if (fchmod(fd_, static_cast<mode_t>(mode & 07777u)) != 0) {
      return PosixError(What("chmod", path_), errno);
    }
    return Status::Ok();
  }

  Status SetOwner(uint32_t owner, uint32_t group) override {
    if (fd_ < 0) return Closed("chown");
    if (fchown(fd_, static_cast<uid_t>(owner), static_cast<gid_t>(group)) == 0) return Status::Ok();
    if (errno != EPERM) return PosixError(What("chown", path_), errno);
    // Not allowed to give the file away: keep at least the group if we may.
    if (fchown(fd_, static_cast<uid_t>(-1), static_cast<gid_t>(group)) == 0 || errno == EPERM) {
      return Status::Ok();
    }
    return PosixError(What("chown", path_), errno);
  }

  Status PutInPlaceOf(std::string_view target) override {
    if (fd_ < 0) return Closed("rename");
    const std::string what = What("rename", path_) + " to " + std::string(target);
    if (temporary_ == Temporary::kNone) return PosixError(what, EINVAL, "not a temporary file");
    std::string native_target;
    if (Status s = ToNative("rename", target, &native_target); !s.ok()) return s;
    if (temporary_ == Temporary::kAnonymous) {
      // Give the file a short name of our own beside the target for the
      // moment of the rename: rename needs a name.
      std::string folder = native_target.substr(0, native_target.rfind('/') + 1);
      std::string from = "/proc/self/fd/" + std::to_string(fd_);
      for (int attempt = 0;; ++attempt) {
        native_name_ = folder + TemporaryName();
        if (linkat(AT_FDCWD, from.c_str(), AT_FDCWD, native_name_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
          break;
        }
        if (errno != EEXIST || attempt == 8) return PosixError(what, errno);
      }
      Text shown;
      if (FromNative("rename", native_name_, &shown).ok()) AddInterruptPath(shown);
      int rc = rename(native_name_.c_str(), native_target.c_str());
      int err = errno;
      if (rc != 0) (void)unlink(native_name_.c_str());
      if (!shown.empty()) DropInterruptPath(shown);
      if (rc != 0) return PosixError(what, err);
      temporary_ = Temporary::kNone;
      return Status::Ok();
    }
    if (rename(native_name_.c_str(), native_target.c_str()) != 0) return PosixError(what, errno);
    DropInterruptPath(path_);
    temporary_ = Temporary::kNone;
    return Status::Ok();
  }

 private:
  Status Closed(std::string_view operation) const {
    return PosixError(What(operation, path_), EBADF, "the file is closed");
  }
  Status ReadOnly(std::string_view operation) const {
    return PosixError(What(operation, path_), EBADF, "the file is open for reading only");
  }

  int fd_;
  Text path_;
  FileAccess access_;
  FileShare share_;
  FileId id_;
  Temporary temporary_;
  std::string native_name_;  // a named temporary's name, as the system spells it
};

int OpenFlags(FileAccess access, FileCreation creation) {
  int flags = O_CLOEXEC | O_NOCTTY;
  // Emptying needs a descriptor that can write, even for a reader; the file
  // object itself still refuses to write.
  if (access == FileAccess::kReadWrite ||
      (access == FileAccess::kRead && creation == FileCreation::kCreateAlways)) {
    flags |= O_RDWR;
  } else {
    flags |= access == FileAccess::kRead ? O_RDONLY : O_WRONLY;
  }
  switch (creation) {
    case FileCreation::kOpenExisting:
      break;
    case FileCreation::kCreateAlways:
    case FileCreation::kOpenAlways:
      flags |= O_CREAT;
      break;
    case FileCreation::kCreateNew:
      flags |= O_CREAT | O_EXCL;
      break;
  }
  return flags;
}

// Opens without waiting for the other end of a FIFO, then makes the
// descriptor blocking again for the reads and writes.
int OpenNoWait(const char* native, int flags) {
  int fd = OpenRetrying(native, flags | O_NONBLOCK);
  if (fd < 0) return fd;
  int now = fcntl(fd, F_GETFL);
  if (now < 0 || fcntl(fd, F_SETFL, now & ~O_NONBLOCK) < 0) {
    int err = errno;
    CloseNoRetry(fd);
    errno = err;
    return -1;
  }
  return fd;
}

// Checks what was opened and takes its place among the openers; on failure
// the descriptor is closed.
Status AdmitOpened(int fd, std::string_view path, FileAccess access, FileShare share,
                   FileCreation creation, FileId* id) {
  struct stat st {};
  Status status;
  if (fstat(fd, &st) != 0) {
    status = PosixError(What("open", path), errno);
  } else if (S_ISDIR(st.st_mode)) {
    status = PosixError(What("open", path), EISDIR);
  } else {
    *id = FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    if (!Shares().Acquire(*id, access, share)) {
      status = PosixError(What("open", path), EBUSY,
                          "the file is open elsewhere in this process with a conflicting "
                          "share mode");
    } else if (creation == FileCreation::kCreateAlways && S_ISREG(st.st_mode) &&
               ftruncate(fd, 0) != 0) {
      status = PosixError(What("open", path), errno);
      Shares().Release(*id, access, share);
    }
  }
  if (!status.ok()) CloseNoRetry(fd);
  return status;
}

}  // namespace

Status OpenPosixFile(std::string_view path, FileAccess access, FileShare share,
                     FileCreation creation, std::unique_ptr<HostFile>* file) {
  file->reset();
  std::string native;
  if (Status s = ToNative("open", path, &native); !s.ok()) return s;
  // The file is emptied only once the sharing rules let the open through.
  int fd = OpenNoWait(native.c_str(), OpenFlags(access, creation));
  if (fd < 0) return PosixError(What("open", path), errno);
  FileId id;
  if (Status s = AdmitOpened(fd, path, access, share, creation, &id); !s.ok()) return s;
  *file = std::make_unique<PosixFile>(fd, path, access, share, id);
  return Status::Ok();
}

Status CreateTemporary(std::string_view folder, std::unique_ptr<HostFile>* file, Text* path) {
  file->reset();
  path->clear();
  std::string native;
  if (Status s = ToNative("create temporary in", folder, &native); !s.ok()) return s;
  if (native.empty()) native = ".";
  if (native.back() != '/') native += '/';
  RemoveStaleTemporaries(native);
  int flags = O_RDWR | O_CLOEXEC | O_NOCTTY;
  int fd = -1;
  do {
    fd = open(native.c_str(), flags | O_TMPFILE, 0600);
  } while (fd < 0 && errno == EINTR);
  Temporary kind = Temporary::kAnonymous;
  std::string name;
  if (fd >= 0) {
    *path = "/proc/self/fd/" + std::to_string(fd);
  } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOENT) {
    // No anonymous files here: a named one of our own scheme.
    kind = Temporary::kNamed;
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
      name = native + TemporaryName();
      do {
        fd = open(name.c_str(), flags | O_CREAT | O_EXCL, 0600);
      } while (fd < 0 && errno == EINTR);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return PosixError(What("create temporary in", folder), errno);
    if (Status s = FromNative("create temporary in", name, path); !s.ok()) {
      (void)unlink(name.c_str());
      CloseNoRetry(fd);
      return s;
    }
    AddInterruptPath(*path);
  } else {
    return PosixError(What("create temporary in", folder), errno);
  }
  struct stat st {};
  fstat(fd, &st);
  FileId id{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  *file = std::make_unique<PosixFile>(fd, *path, FileAccess::kReadWrite, FileShare::kAll, id, kind,
                                      name);
  return Status::Ok();
}

namespace {

// The writers' locks this process holds, by file: the descriptor that holds
// the flock, and how many holders share it.
struct HeldLock {
  int fd = -1;
  int holders = 0;
};
std::mutex& LockMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}
std::map<std::pair<uint64_t, uint64_t>, HeldLock>& HeldLocks() {
  static auto* locks = new std::map<std::pair<uint64_t, uint64_t>, HeldLock>;
  return *locks;
}

// One holder of a writer's lock; only Close and Id do anything.
class LockHolder final : public LockHandle {
 public:
  LockHolder(std::string_view path, FileId id) : path_(path), id_(id) {}
  ~LockHolder() override {
    if (held_) (void)Close();
  }
  Status Close() override {
    if (!held_) return PosixError(What("unlock", path_), EBADF, "the lock is released");
    held_ = false;
    std::lock_guard lock(LockMutex());
    auto it = HeldLocks().find({id_.device, id_.inode});
    if (it != HeldLocks().end() && --it->second.holders == 0) {
      CloseNoRetry(it->second.fd);  // releases the flock
      HeldLocks().erase(it);
    }
    return Status::Ok();
  }
  FileId Id() const override { return id_; }

 private:
  Status Refuse(std::string_view operation) const override {
    return PosixError(What(operation, path_), EBADF, "a lock holds no file open");
  }
  Text path_;
  FileId id_;
  bool held_ = true;
};

int OpenForLock(const std::string& native) {
  int fd = OpenRetrying(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0 && errno == EACCES) {
    fd = OpenRetrying(native.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  }
  return fd;
}

}  // namespace

Status TryLock(std::string_view path, std::unique_ptr<HostFile>* held) {
  held->reset();
  std::string native;
  if (Status s = ToNative("lock", path, &native); !s.ok()) return s;
  int fd = OpenForLock(native);
  if (fd < 0 && errno == ENOENT) {
    // Nothing there yet: the writers of a new file meet at its folder.
    size_t cut = native.rfind('/');
    std::string folder = cut == std::string::npos ? "." : cut == 0 ? "/" : native.substr(0, cut);
    fd = OpenRetrying(folder.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
  }
  if (fd < 0) return PosixError(What("lock", path), errno);
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    int err = errno;
    CloseNoRetry(fd);
    return PosixError(What("lock", path), err);
  }
  FileId id{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  std::lock_guard lock(LockMutex());
  HeldLock& entry = HeldLocks()[{id.device, id.inode}];
  if (entry.holders > 0) {
    CloseNoRetry(fd);
  } else {
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      int err = errno;
      CloseNoRetry(fd);
      HeldLocks().erase({id.device, id.inode});
      if (err == EWOULDBLOCK) {
        return PosixError(What("lock", path), EWOULDBLOCK, "another process is writing it");
      }
      return PosixError(What("lock", path), err);
    }
    entry.fd = fd;
  }
  ++entry.holders;
  *held = std::make_unique<LockHolder>(path, id);
  return Status::Ok();
}

}  // namespace inicrypt::posix
