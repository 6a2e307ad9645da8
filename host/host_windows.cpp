// The host on Windows.
//
// Names: every path, folder, environment value and program argument is code
// page 936 text inside the system. The host converts it to UTF-16 with code
// page 936 named explicitly and calls the wide form of each system function,
// so that the same bytes name the same file whatever code page the system
// runs in (on a system whose ANSI code page is 936 the result is the one the
// ANSI functions give). A name that is not code page 936 text is refused
// before it reaches the system, and a name coming back from the system that
// has no code page 936 form is an error, never a "?" put in its place. "\"
// and "/" are both separators here and need no mapping; as the conversion
// comes first, a 0x5C second byte stays inside its character.
//
// Errors: a failing call returns a Status whose message is
// "<operation> <path>: <the system's text for the error>" and whose code is
// the system's error number (GetLastError). They are made in one place,
// SystemError.
#include <shlobj.h>
#include <windows.h>
// The macro would rename the host's own DeleteFile.
#undef DeleteFile

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/cp936.h"
#include "host/host.h"

namespace inicrypt {
namespace {

// --- errors and names ---

std::string What(std::string_view operation, std::string_view path) {
  std::string what(operation);
  what += ' ';
  what += path;
  return what;
}

// The system's text for an error, in code page 936, without its line end;
// "error N" when there is none or it has no code page 936 form.
std::string ErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring wide(buffer != nullptr ? buffer : L"", n);
  if (buffer != nullptr) LocalFree(buffer);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ')) {
    wide.pop_back();
  }
  Text text;
  if (wide.empty() || !WideToCp936(wide, &text)) return "error " + std::to_string(error);
  return text;
}

// The one place a system error becomes a Status: "<what>: <reason>", the
// reason being the system's text unless given.
Status SystemError(std::string_view what, DWORD error, std::string_view reason = {}) {
  std::string message(what);
  message += ": ";
  message += reason.empty() ? ErrorText(error) : std::string(reason);
  return Status::Error(std::move(message), static_cast<int>(error));
}

Status LastError(std::string_view what) { return SystemError(what, GetLastError()); }

// The system's spelling of a code page 936 path.
Status ToNative(std::string_view operation, std::string_view path, std::wstring* native) {
  if (path.find('\0') != std::string_view::npos) {
    return SystemError(What(operation, path), ERROR_INVALID_NAME, "the path holds a NUL byte");
  }
  if (!Cp936ToWide(path, native)) {
    return SystemError(What(operation, path), ERROR_NO_UNICODE_TRANSLATION,
                       "the path is not code page 936 text");
  }
  return Status::Ok();
}

// A name from the system, in code page 936.
Status FromNative(std::string_view operation, std::wstring_view native, Text* out) {
  if (!WideToCp936(native, out)) {
    out->clear();
    return SystemError(operation, ERROR_NO_UNICODE_TRANSLATION,
                       "the name has no code page 936 form");
  }
  return Status::Ok();
}

// Runs a one-path call: converts the path, then fails with the last error
// when call returns false.
template <typename Call>
Status OnPath(std::string_view operation, std::string_view path, Call call) {
  std::wstring native;
  if (Status s = ToNative(operation, path, &native); !s.ok()) return s;
  if (!call(native.c_str())) return LastError(What(operation, path));
  return Status::Ok();
}

// Fills a buffer through a call that returns the length written, or the
// size needed when the buffer is too small, or 0 on failure (the pattern of
// GetCurrentDirectoryW, GetTempPathW and their kind). False on failure.
template <typename Call>
bool FillBuffer(std::wstring* out, Call call) {
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD n = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return false;
    if (n < buffer.size()) {
      buffer.resize(n);
      *out = std::move(buffer);
      return true;
    }
    buffer.resize(static_cast<size_t>(n) + 1);
  }
}

// --- files ---

bool Writes(FileAccess access) { return access != FileAccess::kRead; }

DWORD DesiredAccess(FileAccess access) {
  switch (access) {
    case FileAccess::kRead:
      return GENERIC_READ;
    case FileAccess::kWrite:
      return GENERIC_WRITE;
    case FileAccess::kReadWrite:
      break;
  }
  return GENERIC_READ | GENERIC_WRITE;
}

// What others may do: the system itself enforces this between every opener,
// in this process and in others.
DWORD ShareMode(FileShare share) {
  switch (share) {
    case FileShare::kAll:
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case FileShare::kDenyRead:
      return FILE_SHARE_WRITE;
    case FileShare::kDenyWrite:
      return FILE_SHARE_READ;
    case FileShare::kDenyReadWrite:
      break;
  }
  return 0;
}

DWORD Disposition(FileCreation creation) {
  switch (creation) {
    case FileCreation::kOpenExisting:
      return OPEN_EXISTING;
    case FileCreation::kCreateAlways:
      return CREATE_ALWAYS;
    case FileCreation::kOpenAlways:
      return OPEN_ALWAYS;
    case FileCreation::kCreateNew:
      break;
  }
  return CREATE_NEW;
}

// The most one ReadFile or WriteFile call is given.
constexpr size_t kMaxTransfer = 1u << 30;

class WindowsFile final : public HostFile {
 public:
  WindowsFile(HANDLE handle, std::string_view path, FileAccess access, FileId id)
      : handle_(handle), path_(path), access_(access), id_(id) {}
  ~WindowsFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) (void)Close();
  }
  WindowsFile(const WindowsFile&) = delete;
  WindowsFile& operator=(const WindowsFile&) = delete;

  Status Read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (handle_ == INVALID_HANDLE_VALUE) return Closed("read");
    if (n == 0) return Status::Ok();
    DWORD read = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(n < kMaxTransfer ? n : kMaxTransfer), &read,
                  nullptr)) {
      // The writing end of a pipe has gone: the end of its data.
      if (GetLastError() == ERROR_BROKEN_PIPE) return Status::Ok();
      return LastError(What("read", path_));
    }
    *got = read;
    return Status::Ok();
  }

  Status Write(const void* bytes, size_t n) override {
    if (handle_ == INVALID_HANDLE_VALUE) return Closed("write");
    if (!Writes(access_)) return ReadOnly("write");
    const char* p = static_cast<const char*>(bytes);
    while (n > 0) {
      DWORD written = 0;
      if (!WriteFile(handle_, p, static_cast<DWORD>(n < kMaxTransfer ? n : kMaxTransfer), &written,
                     nullptr)) {
        return LastError(What("write", path_));
      }
      if (written == 0) return SystemError(What("write", path_), ERROR_DISK_FULL);
      p += written;
      n -= written;
    }
    return Status::Ok();
  }

  Status Seek(int64_t offset, SeekOrigin origin, int64_t* position) override {
    if (handle_ == INVALID_HANDLE_VALUE) return Closed("seek");
    const DWORD method = origin == SeekOrigin::kStart ? FILE_BEGIN
                         : origin == SeekOrigin::kEnd ? FILE_END
                                                      : FILE_CURRENT;
    LARGE_INTEGER distance, result;
    distance.QuadPart = offset;
    // A resulting position below 0 fails (ERROR_NEGATIVE_SEEK) and leaves
    // the position where it was.
    if (!SetFilePointerEx(handle_, distance, &result, method)) {
      return LastError(What("seek", path_));
    }
    if (position != nullptr) *position = result.QuadPart;
    return Status::Ok();
  }

  Status SetEnd() override {
    if (handle_ == INVALID_HANDLE_VALUE) return Closed("set end of");
    if (!Writes(access_)) return ReadOnly("set end of");
    if (!SetEndOfFile(handle_)) return LastError(What("set end of", path_));
    return Status::Ok();
  }

  Status Sync() override {
    if (handle_ == INVALID_HANDLE_VALUE) return Closed("sync");
    if (!FlushFileBuffers(handle_)) return LastError(What("sync", path_));
    return Status::Ok();
  }

  Status Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return Closed("close");
    HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    if (!CloseHandle(handle)) return LastError(What("close", path_));
    return Status::Ok();
  }

  FileId Id() const override { return id_; }

 private:
  Status Closed(std::string_view operation) const {
    return SystemError(What(operation, path_), ERROR_INVALID_HANDLE, "the file is closed");
  }
  Status ReadOnly(std::string_view operation) const {
    return SystemError(What(operation, path_), ERROR_ACCESS_DENIED,
                       "the file is open for reading only");
  }

  HANDLE handle_;
  Text path_;
  FileAccess access_;
  FileId id_;
};

// The volume and the file's index on it; for what has none (a device), a
// value no other open file has.
FileId IdOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) {
    return FileId{UINT64_MAX, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle))};
  }
  return FileId{info.dwVolumeSerialNumber,
                (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

Status OpenWindowsFile(std::string_view path, FileAccess access, FileShare share,
                       FileCreation creation, std::unique_ptr<HostFile>* file) {
  file->reset();
  std::wstring native;
  if (Status s = ToNative("open", path, &native); !s.ok()) return s;
  // A folder does not open without FILE_FLAG_BACKUP_SEMANTICS; the system
  // refuses it. CREATE_ALWAYS empties the file only once the share modes
  // have let the open through.
  HANDLE handle = CreateFileW(native.c_str(), DesiredAccess(access), ShareMode(share), nullptr,
                              Disposition(creation), FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError(What("open", path));
  *file = std::make_unique<WindowsFile>(handle, path, access, IdOf(handle));
  return Status::Ok();
}

// GetFileAttributesW rather than a directory search: a search would take
// "*" and "?" as wildcards and find any name they match, and it does not
// find a drive's root.
PathKind KindOfPath(std::string_view path) {
  std::wstring native;
  if (path.empty() || !ToNative("stat", path, &native).ok()) return PathKind::kMissing;
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::kFolder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return PathKind::kOther;
  return PathKind::kFile;
}

// MoveFileExW replaces the target in one step, as rename(2) does, and
// returns once the move is on disk. ReplaceFileW would keep the old file's
// attributes and ACL, but it fails when the target is missing and is not
// one step: a crash in between can leave neither name holding the new file.
Status RenamePath(std::string_view from, std::string_view to) {
  const std::string what = What("rename", from) + " to " + std::string(to);
  std::wstring native_from, native_to;
  if (Status s = ToNative("rename", from, &native_from); !s.ok()) return s;
  if (Status s = ToNative("rename", to, &native_to); !s.ok()) return s;
  if (!MoveFileExW(native_from.c_str(), native_to.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return LastError(what);
  }
  return Status::Ok();
}

// Windows has no permission bits: a file that exists has mode 0, and
// setting a mode changes nothing (access is the ACL's, inherited from the
// folder).
Status ModeOf(std::string_view path, uint32_t* mode) {
  *mode = 0;
  return OnPath("stat", path, [](const wchar_t* native) {
    return GetFileAttributesW(native) != INVALID_FILE_ATTRIBUTES;
  });
}

// --- process ---

Status ProgramPath(Text* path) {
  path->clear();
  std::wstring native(MAX_PATH, L'\0');
  while (true) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetModuleFileNameW(nullptr, native.data(), static_cast<DWORD>(native.size()));
    if (n == 0) return LastError("GetModuleFileName");
    // A full buffer may have cut the name short.
    if (n < native.size() && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      native.resize(n);
      return FromNative("GetModuleFileName", native, path);
    }
    native.resize(native.size() * 2);
  }
}

Status CurrentFolder(Text* path) {
  path->clear();
  std::wstring native;
  if (!FillBuffer(&native, [](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); })) {
    return LastError("GetCurrentDirectory");
  }
  return FromNative("GetCurrentDirectory", native, path);
}

// The folder of a kind as the system names it; empty when the system has
// none or cannot tell.
std::wstring NativeSpecialFolder(int kind) {
  int csidl = -1;
  switch (kind) {
    case 1:
      csidl = CSIDL_PERSONAL;
      break;
    case 2:
      csidl = CSIDL_FAVORITES;
      break;
    case 3:
      csidl = CSIDL_DESKTOPDIRECTORY;
      break;
    case 4:
      csidl = CSIDL_FONTS;
      break;
    case 5:
      csidl = CSIDL_STARTMENU;
      break;
    case 6:
      csidl = CSIDL_PROGRAMS;
      break;
    case 7:
      csidl = CSIDL_STARTUP;
      break;
    case 8:
      csidl = CSIDL_APPDATA;
      break;
    default:
      break;
  }
  std::wstring folder;
  if (csidl >= 0) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return {};
    return buffer;
  }
  bool ok = false;
  switch (kind) {
    case 9:
      ok = FillBuffer(&folder, [](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); });
      break;
    case 10:
      ok = FillBuffer(&folder, [](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); });
      break;
    case 11:
      ok = FillBuffer(&folder, [](wchar_t* b, DWORD n) { return GetTempPathW(n, b); });
      break;
    default:
      break;
  }
  return ok ? folder : std::wstring();
}

Text FolderOfKind(int kind) {
  std::wstring native = NativeSpecialFolder(kind);
  if (native.empty()) return {};
  if (native.back() != L'\\' && native.back() != L'/') native += L'\\';
  Text folder;
  if (!WideToCp936(native, &folder)) return {};
  return folder;
}

Text Environment(std::string_view name) {
  std::wstring native;
  if (name.empty() || name.find_first_of(std::string_view("=\0", 2)) != std::string_view::npos ||
      !Cp936ToWide(name, &native)) {
    return {};
  }
  std::wstring value;
  SetLastError(ERROR_SUCCESS);
  const bool found = FillBuffer(
      &value, [&](wchar_t* b, DWORD n) { return GetEnvironmentVariableW(native.c_str(), b, n); });
  Text text;
  if (!found || !WideToCp936(value, &text)) return {};
  return text;
}

// One argument as the C runtime's parser (and CommandLineToArgvW) takes it
// back: quoted when it is empty or holds a blank or a quote, with the
// backslashes before a quote, and before the closing quote, doubled.
void AppendArgument(std::wstring_view argument, std::wstring* line) {
  if (!line->empty()) *line += L' ';
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos) {
    *line += argument;
    return;
  }
  *line += L'"';
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    line->append(backslashes, L'\\');
    backslashes = 0;
    *line += c;
  }
  line->append(backslashes * 2, L'\\');
  *line += L'"';
}

// --- interrupts and the console ---
//
// The console's control handler runs on a thread of its own. Registered
// paths are kept as absolute wide names under a lock the handler takes too.
// A Ctrl-C or Ctrl-Break typed while a program runs is that program's to
// handle (the console sends it to every process attached to it); a close,
// log-off or shut-down request still ends this process, after the clean-up.

std::mutex& InterruptLock() {
  static std::mutex* lock = new std::mutex;  // outlives static destructors
  return *lock;
}

std::vector<std::wstring>& InterruptPaths() {
  static auto* paths = new std::vector<std::wstring>;
  return *paths;
}

std::atomic<int> programs_running{0};
// The console input whose echo ReadSecretLine has turned off, and its mode.
std::atomic<HANDLE> secret_console{nullptr};
std::atomic<DWORD> secret_console_mode{0};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if ((event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) && programs_running.load() > 0) {
    return TRUE;
  }
  if (HANDLE console = secret_console.load(); console != nullptr) {
    SetConsoleMode(console, secret_console_mode.load());
  }
  std::lock_guard lock(InterruptLock());
  for (const std::wstring& path : InterruptPaths()) DeleteFileW(path.c_str());
  // Folders after their files; repeated while it helps, for nested folders.
  for (bool removed = true; removed;) {
    removed = false;
    for (const std::wstring& path : InterruptPaths()) {
      if (RemoveDirectoryW(path.c_str())) removed = true;
    }
  }
  InterruptPaths().clear();
  return FALSE;  // the next handler, in the end the system's: the process ends
}

void InstallConsoleHandler() {
  static std::once_flag once;
  std::call_once(once, [] { SetConsoleCtrlHandler(OnConsoleControl, TRUE); });
}

// The absolute form of a path, or empty when it has none.
std::wstring AbsoluteNative(std::string_view path) {
  std::wstring native, full;
  if (path.empty() || !ToNative("remove", path, &native).ok()) return {};
  if (!FillBuffer(&full, [&](wchar_t* b, DWORD n) {
        return GetFullPathNameW(native.c_str(), n, b, nullptr);
      })) {
    return {};
  }
  return full;
}

void AddInterruptPath(std::string_view path) {
  std::wstring native = AbsoluteNative(path);
  if (native.empty()) return;
  InstallConsoleHandler();
  std::lock_guard lock(InterruptLock());
  InterruptPaths().push_back(std::move(native));
}

void DropInterruptPath(std::string_view path) {
  std::wstring native = AbsoluteNative(path);
  if (native.empty()) return;
  std::lock_guard lock(InterruptLock());
  std::vector<std::wstring>& paths = InterruptPaths();
  for (auto it = paths.begin(); it != paths.end(); ++it) {
    if (*it == native) {
      paths.erase(it);
      return;
    }
  }
}

Status Run(std::string_view program, const TextList& arguments, int* exit_code) {
  *exit_code = -1;
  std::wstring native_program;
  if (Status s = ToNative("run", program, &native_program); !s.ok()) return s;
  std::wstring line;
  AppendArgument(native_program, &line);
  for (const Text& argument : arguments) {
    std::wstring native;
    if (argument.find('\0') != Text::npos || !Cp936ToWide(argument, &native)) {
      return SystemError(What("run", program), ERROR_NO_UNICODE_TRANSLATION,
                         "an argument is not code page 936 text: " + argument);
    }
    AppendArgument(native, &line);
  }
  InstallConsoleHandler();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // No handle is inherited: files this process has open stay its own. The
  // program is found as CreateProcess finds the first word of a command
  // line: by its path, or in the usual folders and along PATH, with ".exe"
  // added when it has no extension.
  ++programs_running;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    Status status = LastError(What("run", program));
    --programs_running;
    return status;
  }
  CloseHandle(process.hThread);
  Status status;
  DWORD code = 0;
  if (WaitForSingleObject(process.hProcess, INFINITE) == WAIT_FAILED) {
    status = LastError(What("wait for", program));
  } else if (!GetExitCodeProcess(process.hProcess, &code)) {
    status = LastError(What("wait for", program));
  } else {
    *exit_code = static_cast<int>(code);
  }
  CloseHandle(process.hProcess);
  --programs_running;
  return status;
}

Status WriteConsoleText(HANDLE console, std::wstring_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    const DWORD n = static_cast<DWORD>(text.size() < 4096 ? text.size() : 4096);
    if (!WriteConsoleW(console, text.data(), n, &written, nullptr) || written == 0) {
      return LastError("write CONOUT$");
    }
    text.remove_prefix(written);
  }
  return Status::Ok();
}

// Turns echo off for its lifetime; the control handler restores it too.
class EchoOff {
 public:
  EchoOff(HANDLE console, DWORD saved) : console_(console), saved_(saved) {
    secret_console_mode.store(saved);
    secret_console.store(console);
    // Line input stays on, so Enter ends the line and Backspace edits it.
    ok_ = SetConsoleMode(console, (saved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) &
                                      ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
  }
  ~EchoOff() {
    SetConsoleMode(console_, saved_);
    secret_console.store(nullptr);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
  bool ok() const { return ok_; }

 private:
  HANDLE console_;
  DWORD saved_;
  bool ok_ = false;
};

// Reads UTF-16 up to LF (not kept) or the end of input (Ctrl-Z).
Status ReadConsoleLine(HANDLE console, std::wstring* line, bool* ended) {
  *ended = false;
  wchar_t buffer[256];
  while (true) {
    DWORD n = 0;
    if (!ReadConsoleW(console, buffer, 256, &n, nullptr)) return LastError("read CONIN$");
    if (n == 0) {
      *ended = true;
      return Status::Ok();
    }
    for (DWORD i = 0; i < n; ++i) {
      if (buffer[i] == L'\n') return Status::Ok();
      if (buffer[i] == L'\x1A' && line->empty()) {
        *ended = true;
        return Status::Ok();
      }
      line->push_back(buffer[i]);
    }
  }
}

// The console, as the terminal is on POSIX: read and written as UTF-16, and
// the line handed on as UTF-8, the local encoding of this host's edges.
Status ReadSecret(std::string_view prompt, std::string* line) {
  line->clear();
  std::wstring wide_prompt;
  if (!Cp936ToWide(prompt, &wide_prompt)) {
    return SystemError("write CONOUT$", ERROR_NO_UNICODE_TRANSLATION,
                       "the prompt is not code page 936 text");
  }
  HANDLE input =
      CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE) return LastError("open CONIN$");
  HANDLE output =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  Status status;
  DWORD saved = 0;
  std::wstring wide;
  bool ended = false;
  if (output == INVALID_HANDLE_VALUE) {
    status = LastError("open CONOUT$");
  } else if (status = WriteConsoleText(output, wide_prompt); status.ok()) {
    if (!GetConsoleMode(input, &saved)) {
      status = LastError("GetConsoleMode CONIN$");
    } else {
      InstallConsoleHandler();
      EchoOff echo_off(input, saved);
      status = echo_off.ok() ? ReadConsoleLine(input, &wide, &ended)
                             : LastError("SetConsoleMode CONIN$");
    }
    // The Enter did not show; the next output starts on a line of its own.
    if (status.ok()) (void)WriteConsoleText(output, L"\r\n");
  }
  if (status.ok() && ended && wide.empty()) status = Status::Error("read CONIN$: end of input");
  if (!wide.empty() && wide.back() == L'\r') wide.pop_back();
  if (status.ok() && !WideToUtf8(wide, line)) {
    status =
        SystemError("read CONIN$", ERROR_NO_UNICODE_TRANSLATION, "the line is not valid UTF-16");
  }
  SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
  if (!status.ok()) {
    SecureZeroMemory(line->data(), line->size());
    line->clear();
  }
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  CloseHandle(input);
  return status;
}

class WindowsHost final : public Host {
 public:
  Status OpenFile(std::string_view path, FileAccess access, FileShare share, FileCreation creation,
                  std::unique_ptr<HostFile>* file) override {
    return OpenWindowsFile(path, access, share, creation, file);
  }
  PathKind GetPathKind(std::string_view path) override { return KindOfPath(path); }
  Status DeleteFile(std::string_view path) override {
    return OnPath("delete", path, [](const wchar_t* p) { return DeleteFileW(p) != 0; });
  }
  Status RenameFile(std::string_view from, std::string_view to) override {
    return RenamePath(from, to);
  }
  Status GetFileMode(std::string_view path, uint32_t* mode) override { return ModeOf(path, mode); }
  Status SetFileMode(std::string_view path, uint32_t) override {
    uint32_t ignored = 0;
    return ModeOf(path, &ignored);
  }
  // The folder takes the ACL of the one it is made in; the user's own
  // folders (the temporary folder among them) are private to the user.
  Status CreatePrivateFolder(std::string_view path) override {
    return OnPath("create folder", path,
                  [](const wchar_t* p) { return CreateDirectoryW(p, nullptr) != 0; });
  }
  Status DeleteFolder(std::string_view path) override {
    return OnPath("delete folder", path, [](const wchar_t* p) { return RemoveDirectoryW(p) != 0; });
  }
  Status GetProgramPath(Text* path) override { return ProgramPath(path); }
  Status SetCurrentFolder(std::string_view path) override {
    return OnPath("chdir", path, [](const wchar_t* p) { return SetCurrentDirectoryW(p) != 0; });
  }
  Status GetCurrentFolder(Text* path) override { return CurrentFolder(path); }
  Text GetSpecialFolder(int kind) override { return FolderOfKind(kind); }
  Text GetEnvironment(std::string_view name) override { return Environment(name); }
  Status RunProgram(std::string_view program, const TextList& arguments, int* exit_code) override {
    return Run(program, arguments, exit_code);
  }
  void RemoveOnInterrupt(std::string_view path) override { AddInterruptPath(path); }
  void ForgetOnInterrupt(std::string_view path) override { DropInterruptPath(path); }
  Status ReadSecretLine(std::string_view prompt, std::string* line) override {
    return ReadSecret(prompt, line);
  }
};

}  // namespace

Host& NewPlatformHost() { return *new WindowsHost; }

}  // namespace inicrypt
