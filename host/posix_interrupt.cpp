// Removal of registered paths when the process is interrupted, and reading
// a line from the terminal with echo off; the one signal handler serves both
// (it puts the terminal back before the process ends).
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "base/cp936.h"
#include "host/posix_internal.h"

namespace inicrypt::posix {
namespace {

// The signal handler may only make async-signal-safe calls and must never
// see a half-built list. Registered paths are native strings allocated
// beforehand; the list is a chain of nodes that are never freed (a node whose
// path is forgotten is reused), each holding its path in an atomic pointer.

struct InterruptNode {
  std::atomic<char*> path{nullptr};
  InterruptNode* next = nullptr;
};

std::atomic<InterruptNode*> interrupt_nodes{nullptr};
// Serialises registering and forgetting (never taken by the handler).
std::mutex interrupt_registry;
std::atomic<bool> interrupt_running{false};
// The terminal whose echo ReadSecretLine has turned off, and its old settings.
std::atomic<int> secret_tty{-1};
termios secret_tty_saved{};

// Every signal that ends the process by default and may be caught, apart
// from those of a fault (SIGSEGV, SIGBUS, SIGILL, SIGFPE ...): the handler
// removes the registered paths, then the signal ends the process as it would.
constexpr int kInterruptSignals[] = {
    SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE,
    SIGXCPU, SIGVTALRM, SIGPROF, SIGXFSZ,
#ifdef SIGPOLL
    SIGPOLL,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
};

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
  std::string cwd;
  if (!NativeCurrentFolder(&cwd)) return "";
  return cwd + "/" + native;
}

}  // namespace

void AddInterruptPath(std::string_view path) {
  std::string native = AbsoluteNative(path);
  if (native.empty()) return;
  InstallInterruptHandlers();
  std::lock_guard lock(interrupt_registry);
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
  std::lock_guard lock(interrupt_registry);
  for (InterruptNode* n = interrupt_nodes.load(); n != nullptr; n = n->next) {
    char* p = n->path.load();
    if (p == nullptr || native != p || !n->path.compare_exchange_strong(p, nullptr)) continue;
    // A running handler may still be reading it; the process is ending then.
    if (!interrupt_running.load()) delete[] p;
    return;
  }
}

namespace {

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

Status ReadSecretFrom(int fd, std::string_view prompt, std::string* line) {
  std::string native_prompt;
  if (!Cp936ToLocale(prompt, &native_prompt)) {
    return PosixError("write /dev/tty", EILSEQ, "the prompt has no form in the locale");
  }
  if (Status s = WriteAllTo(fd, native_prompt); !s.ok()) return s;
  termios saved{};
  if (tcgetattr(fd, &saved) != 0) return PosixError("tcgetattr /dev/tty", errno);
  InstallInterruptHandlers();
  bool ended = false;
  Status status;
  {
    EchoOff echo_off(fd, saved);
    if (!echo_off.ok()) return PosixError("tcsetattr /dev/tty", errno);
    status = ReadRawLine(fd, line, &ended);
  }
  if (status.ok() && ended && line->empty()) status = Status::Error("read /dev/tty: end of input");
  if (!line->empty() && line->back() == '\r') line->pop_back();
  if (!status.ok()) {
    explicit_bzero(line->data(), line->size());
    line->clear();
  }
  return status;
}

}  // namespace

Status ReadSecret(std::string_view prompt, std::string* line) {
  line->clear();
  int fd = OpenRetrying("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return PosixError("open /dev/tty", errno);
  Status status = ReadSecretFrom(fd, prompt, line);
  CloseNoRetry(fd);
  return status;
}

}  // namespace inicrypt::posix
