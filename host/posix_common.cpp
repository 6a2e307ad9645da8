// Errors, names and small system calls shared by the POSIX host's files.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "base/cp936.h"
#include "host/posix_internal.h"

namespace inicrypt::posix {

Status PosixError(std::string_view what, int err, std::string_view reason) {
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

Status FromNative(std::string_view operation, std::string_view native, Text* out) {
  if (!Utf8ToCp936(native, out)) {
    return PosixError(What(operation, native), EILSEQ, "the name has no code page 936 form");
  }
  return Status::Ok();
}

int OpenRetrying(const char* native, int flags) {
  while (true) {
    int fd = open(native, flags, 0666);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

int CloseNoRetry(int fd) {
  int rc = close(fd);
  return rc != 0 && errno == EINTR ? 0 : rc;
}

std::string NativeEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool NativeCurrentFolder(std::string* folder) {
  folder->assign(256, '\0');
  while (getcwd(folder->data(), folder->size()) == nullptr) {
    if (errno != ERANGE) return false;
    folder->resize(folder->size() * 2);
  }
  folder->resize(std::strlen(folder->c_str()));
  return true;
}

}  // namespace inicrypt::posix
