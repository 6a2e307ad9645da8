// The host on POSIX systems (Linux): path and process calls, and the host
// object that gathers the parts (files in posix_files.cpp, special folders in
// posix_folders.cpp, interrupts and the terminal in posix_interrupt.cpp).
//
// Paths: CP936 -> UTF-8 first, then "\" -> "/" (see host.h). Errors are made
// in one place, PosixError, from errno and the caller's spelling of the path.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/cp936.h"
#include "host/host.h"
#include "host/posix_internal.h"

namespace inicrypt {
namespace {

using posix::FromNative;
using posix::PosixError;
using posix::ToNative;
using posix::What;

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

// Follows the symbolic links of the last name of native, as often as they
// lead on (at most 40 times, as the system does).
Status FollowLinks(std::string_view path, std::string* native) {
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (lstat(native->c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return Status::Ok();
    if (hops == 40) return PosixError(What("stat", path), ELOOP);
    std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    ssize_t n = readlink(native->c_str(), link.data(), link.size());
    if (n < 0) return PosixError(What("readlink", path), errno);
    link.resize(static_cast<size_t>(n));
    if (link.empty() || link[0] != '/') {
      size_t cut = native->rfind('/');
      link = (cut == std::string::npos ? std::string() : native->substr(0, cut + 1)) + link;
    }
    *native = std::move(link);
  }
}

Status Inspect(std::string_view path, PathInfo* info) {
  *info = PathInfo{};
  std::string native;
  if (Status s = ToNative("stat", path, &native); !s.ok()) return s;
  std::string followed = native;
  if (Status s = FollowLinks(path, &followed); !s.ok()) return s;
  struct stat st {};
  const bool found = stat(native.c_str(), &st) == 0;
  const int err = errno;
  // A link the system follows by magic (/proc/self/fd/N) reads as no path.
  struct stat seen {};
  if (found && lstat(followed.c_str(), &seen) != 0) followed = native;
  if (Status s = FromNative("stat", followed, &info->resolved); !s.ok()) return s;
  if (!found) {
    if (err == ENOENT) return Status::Ok();
    return PosixError(What("stat", path), err);
  }
  info->kind = S_ISREG(st.st_mode)   ? PathKind::kFile
               : S_ISDIR(st.st_mode) ? PathKind::kFolder
                                     : PathKind::kOther;
  info->mode = static_cast<uint32_t>(st.st_mode) & 07777u;
  info->owner = static_cast<uint32_t>(st.st_uid);
  info->group = static_cast<uint32_t>(st.st_gid);
  info->id = FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  info->writable = access(native.c_str(), W_OK) == 0;
  return Status::Ok();
}

Status SyncFolderAt(std::string_view folder) {
  std::string native;
  if (Status s = ToNative("sync", folder, &native); !s.ok()) return s;
  if (native.empty()) native = ".";
  int fd = posix::OpenRetrying(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return PosixError(What("sync", folder), errno);
  int rc = 0;
  while ((rc = fsync(fd)) != 0 && errno == EINTR) {
  }
  int err = errno;
  posix::CloseNoRetry(fd);
  // Some file systems cannot sync a folder; their renames are as safe as they get.
  if (rc != 0 && err != EINVAL && err != EROFS) return PosixError(What("sync", folder), err);
  return Status::Ok();
}

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
  std::string native;
  if (!posix::NativeCurrentFolder(&native)) return PosixError("getcwd", errno);
  return FromNative("getcwd", native, path);
}

Text Environment(std::string_view name) {
  std::string native;
  Text value;
  if (name.empty() || name.find_first_of(std::string_view("=\0", 2)) != std::string_view::npos ||
      !Cp936ToUtf8(name, &native) ||
      !Utf8ToCp936(posix::NativeEnvironment(native.c_str()), &value)) {
    return {};
  }
  return value;
}

Status FindEnvironmentValue(std::string_view name, std::optional<Text>* value) {
  value->reset();
  std::string native;
  if (name.empty() || name.find_first_of(std::string_view("=\0", 2)) != std::string_view::npos ||
      !Cp936ToUtf8(name, &native)) {
    return Status::Ok();  // no such variable can be set
  }
  const char* set = getenv(native.c_str());
  if (set == nullptr) return Status::Ok();
  Text text;
  if (!Utf8ToCp936(set, &text)) {
    return PosixError("environment " + std::string(name), EILSEQ,
                      "its value has no code page 936 form");
  }
  *value = std::move(text);
  return Status::Ok();
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

Status Run(std::string_view program, const TextList& arguments, const TextList& hidden,
           int* exit_code) {
  *exit_code = -1;
  std::vector<std::string> native(1);
  if (Status s = ToNative("run", program, &native[0]); !s.ok()) return s;
  for (const Text& argument : arguments) {
    native.emplace_back();
    if (argument.find('\0') != Text::npos || !Cp936ToUtf8(argument, &native.back())) {
      return PosixError(What("run", program), EILSEQ, "an argument has no UTF-8 form: " + argument);
    }
  }
  std::vector<char*> argv;
  for (std::string& a : native) argv.push_back(a.data());
  argv.push_back(nullptr);

  // As system(3) does: while the program runs, a Ctrl-C or Ctrl-\ typed at
  // the terminal is the program's (an editor's) to handle, not a reason for
  // us to end and remove files it still has open. The child starts with the
  // default actions.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  struct sigaction old_int {}, old_quit {};
  sigaction(SIGINT, &ignore, &old_int);
  sigaction(SIGQUIT, &ignore, &old_quit);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGQUIT);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  // The environment less the hidden variables.
  std::vector<std::string> hidden_prefixes;
  for (const Text& name : hidden) {
    std::string native_name;
    if (Cp936ToUtf8(name, &native_name)) hidden_prefixes.push_back(native_name + "=");
  }
  std::vector<char*> environment;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    bool keep = true;
    for (const std::string& prefix : hidden_prefixes) {
      if (std::string_view(*e).starts_with(prefix)) keep = false;
    }
    if (keep) environment.push_back(*e);
  }
  environment.push_back(nullptr);
  int rc = posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environment.data());
  posix_spawnattr_destroy(&attributes);
  Status result = rc != 0 ? PosixError(What("run", program), rc) : WaitFor(pid, program, exit_code);
  sigaction(SIGINT, &old_int, nullptr);
  sigaction(SIGQUIT, &old_quit, nullptr);
  return result;
}

Status ListNames(std::string_view path, std::vector<Text>* names) {
  names->clear();
  std::string native;
  if (Status s = ToNative("list", path, &native); !s.ok()) return s;
  DIR* folder = opendir(native.c_str());
  if (folder == nullptr) return PosixError(What("list", path), errno);
  while (const dirent* entry = readdir(folder)) {
    const std::string_view name = entry->d_name;
    Text text;
    if (name == "." || name == ".." || !Utf8ToCp936(name, &text)) continue;
    names->push_back(std::move(text));
  }
  closedir(folder);
  return Status::Ok();
}

class PosixHost final : public Host {
 public:
  Status OpenFile(std::string_view path, FileAccess access, FileShare share, FileCreation creation,
                  std::unique_ptr<HostFile>* file) override {
    return posix::OpenPosixFile(path, access, share, creation, file);
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
  Status InspectPath(std::string_view path, PathInfo* info) override {
    return Inspect(path, info);
  }
  Status CreateTemporaryIn(std::string_view folder, std::unique_ptr<HostFile>* file,
                           Text* path) override {
    return posix::CreateTemporary(folder, file, path);
  }
  uint32_t UsualFileMode() override {
    // umask(2) can only be read by setting it; set it straight back.
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    mode_t mask = umask(022);
    umask(mask);
    return 0666u & ~static_cast<uint32_t>(mask);
  }
  Status SyncFolder(std::string_view folder) override { return SyncFolderAt(folder); }
  Status TryLockPath(std::string_view path, std::unique_ptr<HostFile>* held) override {
    return posix::TryLock(path, held);
  }
  Status GetProgramPath(Text* path) override { return ProgramPath(path); }
  Status SetCurrentFolder(std::string_view path) override {
    return OnPath("chdir", path, [](const char* p) { return chdir(p); });
  }
  Status GetCurrentFolder(Text* path) override { return CurrentFolder(path); }
  Text GetSpecialFolder(int kind) override { return posix::FolderOfKind(kind); }
  Text GetEnvironment(std::string_view name) override { return Environment(name); }
  Status FindEnvironment(std::string_view name, std::optional<Text>* value) override {
    return FindEnvironmentValue(name, value);
  }
  Status RunProgram(std::string_view program, const TextList& arguments, int* exit_code) override {
    return Run(program, arguments, TextList(), exit_code);
  }
  Status RunProgramHiding(std::string_view program, const TextList& arguments,
                          const TextList& hidden, int* exit_code) override {
    return Run(program, arguments, hidden, exit_code);
  }
  void ProtectProcessMemory() override { prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }
  Status ListFolder(std::string_view path, std::vector<Text>* names) override {
    return ListNames(path, names);
  }
  int64_t ProcessNumber() override { return getpid(); }
  int64_t UserNumber() override { return getuid(); }
  bool ProcessIsRunning(int64_t number) override {
    if (number <= 0 || number > INT32_MAX) return false;
    return kill(static_cast<pid_t>(number), 0) == 0 || errno != ESRCH;
  }
  void RemoveOnInterrupt(std::string_view path) override { posix::AddInterruptPath(path); }
  void ForgetOnInterrupt(std::string_view path) override { posix::DropInterruptPath(path); }
  Status ReadSecretLine(std::string_view prompt, std::string* line) override {
    return posix::ReadSecret(prompt, line);
  }
  bool StandardOutputIsTerminal() override { return isatty(STDOUT_FILENO) == 1; }
};

}  // namespace

Host& NewPlatformHost() { return *new PosixHost; }

}  // namespace inicrypt
