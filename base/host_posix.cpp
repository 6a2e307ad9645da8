// The host on POSIX systems (Linux).
//
// Paths: CP936 -> UTF-8 first, then "\" -> "/" (see host.h). Errors are made
// in one place, PosixError, from errno and the caller's spelling of the path.
//
// Sharing: Windows share modes are kept between the openers inside this
// process by a table keyed by (device, inode). Between processes nothing is
// enforced: POSIX has no mandatory sharing and this host takes no advisory
// locks either, so another process may open, change or delete a file that
// this one holds open; the store's users rely on atomic renames instead.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/cp936.h"
#include "base/host.h"

namespace inicrypt {
namespace {

// ---------------------------------------------------------------- errors ---

// The one place an error number becomes a Status: "<what>: <reason>", where
// what is "<operation> <path>". The reason is the error's English text
// (never translated, so messages stay code page 936 safe).
Status PosixError(std::string_view what, int err, std::string_view reason = {}) {
  std::string message(what);
  message += ": ";
  if (!reason.empty()) {
    message += reason;
  } else if (const char* text = strerrordesc_np(err); text != nullptr) {
    message += text;
  } else {
    message += "error " + std::to_string(err);
  }
  return Status::Error(std::move(message), err);
}

std::string What(std::string_view operation, std::string_view path) {
  std::string what(operation);
  what += ' ';
  what += path;
  return what;
}

// ----------------------------------------------------------------- paths ---

// The file system's spelling of a CP936 path: UTF-8, with "/" for every "\".
// The conversion comes first, so a 0x5C second byte of a two-byte character
// is part of its character and never a separator.
Status ToNative(std::string_view operation, std::string_view path, std::string* native) {
  if (path.find('\0') != std::string_view::npos) {
    return PosixError(What(operation, path), EINVAL, "the path holds a NUL byte");
  }
  if (!Cp936ToUtf8(path, native)) {
    return PosixError(What(operation, path), EILSEQ, "the path has no UTF-8 form");
  }
  std::replace(native->begin(), native->end(), '\\', '/');
  return Status::Ok();
}

// A name from the file system, in code page 936.
Status FromNative(std::string_view operation, std::string_view native, Text* out) {
  if (!Utf8ToCp936(native, out)) {
    return PosixError(What(operation, native), EILSEQ, "the name has no code page 936 form");
  }
  return Status::Ok();
}

// ---------------------------------------------------------------- sharing ---

bool Reads(FileAccess access) { return access != FileAccess::kWrite; }
bool Writes(FileAccess access) { return access != FileAccess::kRead; }
bool DeniesRead(FileShare share) {
  return share == FileShare::kDenyRead || share == FileShare::kDenyReadWrite;
}
bool DeniesWrite(FileShare share) {
  return share == FileShare::kDenyWrite || share == FileShare::kDenyReadWrite;
}

// The openers of every file open in this process, counted by what they do
// and what they deny.
class ShareTable {
 public:
  // Adds an opener unless it conflicts with one that is there; false then.
  bool Acquire(FileId id, FileAccess access, FileShare share) {
    std::lock_guard lock(mutex_);
    Counts& c = files_[{id.device, id.inode}];
    bool conflict = (Reads(access) && c.deny_read > 0) || (Writes(access) && c.deny_write > 0) ||
                    (DeniesRead(share) && c.readers > 0) ||
                    (DeniesWrite(share) && c.writers > 0);
    if (conflict) {
      if (c.openers == 0) files_.erase({id.device, id.inode});
      return false;
    }
    Add(c, access, share, 1);
    return true;
  }

  void Release(FileId id, FileAccess access, FileShare share) {
    std::lock_guard lock(mutex_);
    auto it = files_.find({id.device, id.inode});
    if (it == files_.end()) return;
    Add(it->second, access, share, -1);
    if (it->second.openers == 0) files_.erase(it);
  }

 private:
  struct Counts {
    int openers = 0, readers = 0, writers = 0, deny_read = 0, deny_write = 0;
  };

  static void Add(Counts& c, FileAccess access, FileShare share, int step) {
    c.openers += step;
    if (Reads(access)) c.readers += step;
    if (Writes(access)) c.writers += step;
    if (DeniesRead(share)) c.deny_read += step;
    if (DeniesWrite(share)) c.deny_write += step;
  }

  std::mutex mutex_;
  std::map<std::pair<uint64_t, uint64_t>, Counts> files_;
};

ShareTable& Shares() {
  static ShareTable* table = new ShareTable;  // outlives files closed at exit
  return *table;
}

// ------------------------------------------------------------------ files ---

int CloseNoRetry(int fd) {
  // On Linux the descriptor is gone even when close reports EINTR.
  int rc = close(fd);
  return rc != 0 && errno == EINTR ? 0 : rc;
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

int OpenRetrying(const char* native, int flags) {
  while (true) {
    int fd = open(native, flags, 0666);
    if (fd >= 0 || errno != EINTR) return fd;
  }
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
    } else if (creation == FileCreation::kCreateAlways && ftruncate(fd, 0) != 0) {
      status = PosixError(What("open", path), errno);
      Shares().Release(*id, access, share);
    }
  }
  if (!status.ok()) CloseNoRetry(fd);
  return status;
}

Status OpenPosixFile(std::string_view path, FileAccess access, FileShare share,
                     FileCreation creation, std::unique_ptr<HostFile>* file) {
  file->reset();
  std::string native;
  if (Status s = ToNative("open", path, &native); !s.ok()) return s;
  // The file is emptied only once the sharing rules let the open through.
  int fd = OpenRetrying(native.c_str(), OpenFlags(access, creation));
  if (fd < 0) return PosixError(What("open", path), errno);
  FileId id;
  if (Status s = AdmitOpened(fd, path, access, share, creation, &id); !s.ok()) return s;
  *file = std::make_unique<PosixFile>(fd, path, access, share, id);
  return Status::Ok();
}

// Runs a one-path call: converts the path, then fails with errno when call
// returns non-zero.
template <typename Call>
Status OnPath(std::string_view operation, std::string_view path, Call call) {
  std::string native;
  if (Status s = ToNative(operation, path, &native); !s.ok()) return s;
  if (call(native.c_str()) != 0) return PosixError(What(operation, path), errno);
  return Status::Ok();
}

PathKind KindOfPath(std::string_view path) {
  std::string native;
  struct stat st {};
  if (!ToNative("stat", path, &native).ok() || stat(native.c_str(), &st) != 0) {
    return PathKind::kMissing;
  }
  if (S_ISREG(st.st_mode)) return PathKind::kFile;
  if (S_ISDIR(st.st_mode)) return PathKind::kFolder;
  return PathKind::kOther;
}

Status RenamePath(std::string_view from, std::string_view to) {
  std::string what = What("rename", from) + " to " + std::string(to);
  std::string native_from, native_to;
  if (Status s = ToNative("rename", from, &native_from); !s.ok()) return s;
  if (Status s = ToNative("rename", to, &native_to); !s.ok()) return s;
  if (rename(native_from.c_str(), native_to.c_str()) != 0) return PosixError(what, errno);
  return Status::Ok();
}

Status ModeOf(std::string_view path, uint32_t* mode) {
  *mode = 0;
  struct stat st {};
  Status s = OnPath("stat", path, [&](const char* native) { return stat(native, &st); });
  if (s.ok()) *mode = static_cast<uint32_t>(st.st_mode) & 07777u;
  return s;
}

// ---------------------------------------------------------------- process ---

Status ProgramPath(Text* path) {
  path->clear();
  std::string native(256, '\0');
  while (true) {
    ssize_t n = readlink("/proc/self/exe", native.data(), native.size());
    if (n < 0) return PosixError("readlink /proc/self/exe", errno);
    if (static_cast<size_t>(n) < native.size()) {
      native.resize(static_cast<size_t>(n));
      return FromNative("readlink", native, path);
    }
    native.resize(native.size() * 2);
  }
}

Status CurrentFolder(Text* path) {
  path->clear();
  std::string native(256, '\0');
  while (getcwd(native.data(), native.size()) == nullptr) {
    if (errno != ERANGE) return PosixError("getcwd", errno);
    native.resize(native.size() * 2);
  }
  native.resize(std::strlen(native.c_str()));
  return FromNative("getcwd", native, path);
}

// An environment variable as the OS holds it; empty when unset.
std::string NativeEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

Text Environment(std::string_view name) {
  std::string native;
  Text value;
  if (name.empty() || name.find_first_of(std::string_view("=\0", 2)) != std::string_view::npos ||
      !Cp936ToUtf8(name, &native) || !Utf8ToCp936(NativeEnvironment(native.c_str()), &value)) {
    return {};
  }
  return value;
}

Status WaitFor(pid_t pid, std::string_view program, int* exit_code) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return PosixError(What("wait for", program), errno);
  }
  if (WIFEXITED(status)) {
    *exit_code = WEXITSTATUS(status);
    return Status::Ok();
  }
  int sig = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return Status::Error(What("run", program) + ": ended by signal " + std::to_string(sig));
}

Status Run(std::string_view program, const TextList& arguments, int* exit_code) {
  *exit_code = -1;
  std::vector<std::string> native(1);
  if (Status s = ToNative("run", program, &native[0]); !s.ok()) return s;
  for (const Text& argument : arguments) {
    native.emplace_back();
    if (argument.find('\0') != Text::npos || !Cp936ToUtf8(argument, &native.back())) {
      return PosixError(What("run", program), EILSEQ,
                        "an argument has no UTF-8 form: " + argument);
    }
  }
  std::vector<char*> argv;
  for (std::string& a : native) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (rc != 0) return PosixError(What("run", program), rc);
  return WaitFor(pid, program, exit_code);
}

// -------------------------------------------------------- special folders ---

std::string HomeFolder() {
  std::string home = NativeEnvironment("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  return found != nullptr && found->pw_dir != nullptr ? found->pw_dir : "";
}

// An XDG base folder: the variable when it holds an absolute path, else
// home + "/" + fallback; empty when neither is known.
std::string XdgFolder(const char* variable, const std::string& home, const char* fallback) {
  std::string value = NativeEnvironment(variable);
  if (!value.empty() && value[0] == '/') return value;
  return home.empty() ? "" : home + "/" + fallback;
}

// The whole of a small file, or the empty text.
std::string ReadSmallFile(const std::string& native) {
  std::string content;
  int fd = OpenRetrying(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return content;
  char buffer[4096];
  while (content.size() < (1u << 20)) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  CloseNoRetry(fd);
  return content;
}

// The value of NAME="..." in a user-dirs.dirs text, with "$HOME" expanded
// and backslash escapes undone; empty when absent or not absolute.
std::string UserDirEntry(const std::string& dirs, std::string_view name, const std::string& home) {
  size_t start = 0;
  while (start < dirs.size()) {
    size_t end = dirs.find('\n', start);
    if (end == std::string::npos) end = dirs.size();
    std::string_view line(dirs.data() + start, end - start);
    start = end + 1;
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    if (line.substr(0, name.size()) != name || line.substr(name.size(), 2) != "=\"") continue;
    std::string value;
    for (size_t i = name.size() + 2; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) ++i;
      value += line[i];
    }
    if (value.rfind("$HOME", 0) == 0 && !home.empty()) value = home + value.substr(5);
    return !value.empty() && value[0] == '/' ? value : "";
  }
  return "";
}

// A user folder named in $XDG_CONFIG_HOME/user-dirs.dirs, else home + "/" + fallback.
std::string UserFolder(std::string_view name, const std::string& home, const char* fallback) {
  std::string config = XdgFolder("XDG_CONFIG_HOME", home, ".config");
  if (!config.empty()) {
    std::string entry = UserDirEntry(ReadSmallFile(config + "/user-dirs.dirs"), name, home);
    if (!entry.empty()) return entry;
  }
  return home.empty() ? "" : home + "/" + fallback;
}

std::string NativeSpecialFolder(int kind) {
  const std::string home = HomeFolder();
  auto data = [&] { return XdgFolder("XDG_DATA_HOME", home, ".local/share"); };
  auto config = [&] { return XdgFolder("XDG_CONFIG_HOME", home, ".config"); };
  auto under = [](const std::string& base, const char* sub) {
    return base.empty() ? base : base + "/" + sub;
  };
  switch (kind) {
    case 1: return UserFolder("XDG_DOCUMENTS_DIR", home, "Documents");
    case 2: return home;
    case 3: return UserFolder("XDG_DESKTOP_DIR", home, "Desktop");
    case 4: return under(data(), "fonts");
    case 5:
    case 6: return under(data(), "applications");
    case 7: return under(config(), "autostart");
    case 8: return data();
    case 9: return config();
    case 10: return "/etc";
    case 11: {
      std::string tmp = NativeEnvironment("TMPDIR");
      return !tmp.empty() && tmp[0] == '/' ? tmp : "/tmp";
    }
    default: return "";
  }
}

Text SpecialFolder(int kind) {
  std::string native = NativeSpecialFolder(kind);
  if (native.empty()) return {};
  if (native.back() != '/') native += '/';
  Text folder;
  if (!Utf8ToCp936(native, &folder)) return {};
  return folder;
}

// ------------------------------------------------------- interrupt removal ---
//
// The signal handler may only make async-signal-safe calls and must never
// see a half-built list. Registered paths are native strings allocated
// beforehand; the list is a chain of nodes that are never freed (a node whose
// path is forgotten is reused), each holding its path in an atomic pointer.

struct InterruptNode {
  std::atomic<char*> path{nullptr};
  InterruptNode* next = nullptr;
};

std::atomic<InterruptNode*> interrupt_nodes{nullptr};
std::atomic<bool> interrupt_running{false};
// The terminal whose echo ReadSecretLine has turned off, and its old settings.
std::atomic<int> secret_tty{-1};
termios secret_tty_saved{};

constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveRegisteredPaths() {
  for (InterruptNode* n = interrupt_nodes.load(); n != nullptr; n = n->next) {
    if (char* p = n->path.load()) unlink(p);
  }
  // Folders after their files; repeated while it helps, for nested folders.
  for (bool removed = true; removed;) {
    removed = false;
    for (InterruptNode* n = interrupt_nodes.load(); n != nullptr; n = n->next) {
      if (char* p = n->path.load(); p != nullptr && rmdir(p) == 0) removed = true;
    }
  }
}

void OnInterrupt(int sig) {
  int saved_errno = errno;
  interrupt_running.store(true);
  if (int tty = secret_tty.load(); tty >= 0) tcsetattr(tty, TCSAFLUSH, &secret_tty_saved);
  RemoveRegisteredPaths();
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(sig, &action, nullptr);
  raise(sig);  // delivered with the default action once the handler returns
  errno = saved_errno;
}

// Takes over the interrupt signals whose action is still the default; one
// that is ignored stays ignored, and a handler someone else set stays theirs.
void InstallInterruptHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int sig : kInterruptSignals) {
      struct sigaction old {};
      if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL ||
          (old.sa_flags & SA_SIGINFO) != 0) {
        continue;
      }
      struct sigaction action {};
      action.sa_handler = OnInterrupt;
      sigemptyset(&action.sa_mask);
      for (int other : kInterruptSignals) sigaddset(&action.sa_mask, other);
      action.sa_flags = SA_RESTART;
      sigaction(sig, &action, nullptr);
    }
  });
}

// The absolute native path, or empty when it has no form.
std::string AbsoluteNative(std::string_view path) {
  std::string native;
  if (!ToNative("remove", path, &native).ok() || native.empty()) return "";
  if (native[0] == '/') return native;
  std::string cwd(256, '\0');
  while (getcwd(cwd.data(), cwd.size()) == nullptr) {
    if (errno != ERANGE) return "";
    cwd.resize(cwd.size() * 2);
  }
  cwd.resize(std::strlen(cwd.c_str()));
  return cwd + "/" + native;
}

void AddInterruptPath(std::string_view path) {
  std::string native = AbsoluteNative(path);
  if (native.empty()) return;
  InstallInterruptHandlers();
  char* copy = new char[native.size() + 1];
  std::memcpy(copy, native.c_str(), native.size() + 1);
  for (InterruptNode* n = interrupt_nodes.load(); n != nullptr; n = n->next) {
    char* expected = nullptr;
    if (n->path.compare_exchange_strong(expected, copy)) return;
  }
  auto* node = new InterruptNode;
  node->path.store(copy);
  node->next = interrupt_nodes.load();
  while (!interrupt_nodes.compare_exchange_weak(node->next, node)) {
  }
}

void DropInterruptPath(std::string_view path) {
  std::string native = AbsoluteNative(path);
  if (native.empty()) return;
  for (InterruptNode* n = interrupt_nodes.load(); n != nullptr; n = n->next) {
    char* p = n->path.load();
    if (p == nullptr || native != p || !n->path.compare_exchange_strong(p, nullptr)) continue;
    // A running handler may still be reading it; the process is ending then.
    if (!interrupt_running.load()) delete[] p;
    return;
  }
}

// --------------------------------------------------------------- terminal ---

Status WriteAllTo(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t w = write(fd, bytes.data(), bytes.size());
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return PosixError("write /dev/tty", w < 0 ? errno : EIO);
    bytes.remove_prefix(static_cast<size_t>(w));
  }
  return Status::Ok();
}

// Turns echo off for its lifetime; the interrupt handler restores it too.
class EchoOff {
 public:
  EchoOff(int fd, const termios& saved) : fd_(fd) {
    secret_tty_saved = saved;
    secret_tty.store(fd);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;  // the Enter still shows as a new line
    ok_ = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    tcsetattr(fd_, TCSAFLUSH, &secret_tty_saved);
    secret_tty.store(-1);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
  bool ok() const { return ok_; }

 private:
  int fd_;
  bool ok_ = false;
};

// Reads bytes up to LF (not kept) or the end of input.
Status ReadRawLine(int fd, std::string* raw, bool* ended) {
  *ended = false;
  while (true) {
    char c = 0;
    ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return PosixError("read /dev/tty", errno);
    if (n == 0) {
      *ended = true;
      return Status::Ok();
    }
    if (c == '\n') return Status::Ok();
    raw->push_back(c);
  }
}

Status ReadSecretFrom(int fd, std::string_view prompt, Text* line) {
  std::string native_prompt;
  if (!Cp936ToLocale(prompt, &native_prompt)) {
    return PosixError("write /dev/tty", EILSEQ, "the prompt has no form in the locale");
  }
  if (Status s = WriteAllTo(fd, native_prompt); !s.ok()) return s;
  termios saved{};
  if (tcgetattr(fd, &saved) != 0) return PosixError("tcgetattr /dev/tty", errno);
  InstallInterruptHandlers();
  std::string raw;
  bool ended = false;
  Status status;
  {
    EchoOff echo_off(fd, saved);
    if (!echo_off.ok()) return PosixError("tcsetattr /dev/tty", errno);
    status = ReadRawLine(fd, &raw, &ended);
  }
  if (status.ok() && ended && raw.empty()) status = Status::Error("read /dev/tty: end of input");
  if (!raw.empty() && raw.back() == '\r') raw.pop_back();
  if (status.ok() && !LocaleToCp936(raw, line)) {
    status = PosixError("read /dev/tty", EILSEQ, "the line has no code page 936 form");
  }
  explicit_bzero(raw.data(), raw.size());
  return status;
}

Status ReadSecret(std::string_view prompt, Text* line) {
  line->clear();
  int fd = OpenRetrying("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return PosixError("open /dev/tty", errno);
  Status status = ReadSecretFrom(fd, prompt, line);
  CloseNoRetry(fd);
  return status;
}

// ------------------------------------------------------------------- host ---

class PosixHost final : public Host {
 public:
  Status OpenFile(std::string_view path, FileAccess access, FileShare share,
                  FileCreation creation, std::unique_ptr<HostFile>* file) override {
    return OpenPosixFile(path, access, share, creation, file);
  }
  PathKind GetPathKind(std::string_view path) override { return KindOfPath(path); }
  Status DeleteFile(std::string_view path) override {
    return OnPath("delete", path, [](const char* p) { return unlink(p); });
  }
  Status RenameFile(std::string_view from, std::string_view to) override {
    return RenamePath(from, to);
  }
  Status GetFileMode(std::string_view path, uint32_t* mode) override { return ModeOf(path, mode); }
  Status SetFileMode(std::string_view path, uint32_t mode) override {
    return OnPath("chmod", path, [mode](const char* p) { return chmod(p, mode & 07777u); });
  }
  Status CreatePrivateFolder(std::string_view path) override {
    return OnPath("create folder", path, [](const char* p) { return mkdir(p, 0700); });
  }
  Status DeleteFolder(std::string_view path) override {
    return OnPath("delete folder", path, [](const char* p) { return rmdir(p); });
  }
  Status GetProgramPath(Text* path) override { return ProgramPath(path); }
  Status SetCurrentFolder(std::string_view path) override {
    return OnPath("chdir", path, [](const char* p) { return chdir(p); });
  }
  Status GetCurrentFolder(Text* path) override { return CurrentFolder(path); }
  Text GetSpecialFolder(int kind) override { return SpecialFolder(kind); }
  Text GetEnvironment(std::string_view name) override { return Environment(name); }
  Status RunProgram(std::string_view program, const TextList& arguments,
                    int* exit_code) override {
    return Run(program, arguments, exit_code);
  }
  void RemoveOnInterrupt(std::string_view path) override { AddInterruptPath(path); }
  void ForgetOnInterrupt(std::string_view path) override { DropInterruptPath(path); }
  Status ReadSecretLine(std::string_view prompt, Text* line) override {
    return ReadSecret(prompt, line);
  }
};

}  // namespace

Host& NewPlatformHost() { return *new PosixHost; }

}  // namespace inicrypt
