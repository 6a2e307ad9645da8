// Files on POSIX: open rules, and Windows share modes kept between the
// openers inside this process.
//
// Sharing is kept by a table keyed by (device, inode), so every spelling of
// a path, hard links included, meets the same openers. Between processes
// nothing is enforced: POSIX has no mandatory sharing and this host takes no
// advisory locks either, so another process may open, change or delete a
// file this one holds open. Writers that must not be seen half-done write a
// temporary file and rename it over the old one.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "host/posix_internal.h"
#include "host/share_table.h"

namespace inicrypt::posix {
namespace {

ShareTable& Shares() {
  static ShareTable* table = new ShareTable;  // outlives files closed at exit
  return *table;
}

class PosixFile final : public HostFile {
 public:
  PosixFile(int fd, std::string_view path, FileAccess access, FileShare share, FileId id)
      : fd_(fd), path_(path), access_(access), share_(share), id_(id) {}
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
    Shares().Release(id_, access_, share_);
    if (CloseNoRetry(fd) != 0) return PosixError(What("close", path_), errno);
    return Status::Ok();
  }

  FileId Id() const override { return id_; }

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

}  // namespace inicrypt::posix
