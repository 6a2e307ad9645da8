// Special folders on Linux: the XDG base and user folders, under $HOME.
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "base/cp936.h"
#include "host/posix_internal.h"

namespace inicrypt::posix {
namespace {

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
    case 1:
      return UserFolder("XDG_DOCUMENTS_DIR", home, "Documents");
    case 2:
      return home;
    case 3:
      return UserFolder("XDG_DESKTOP_DIR", home, "Desktop");
    case 4:
      return under(data(), "fonts");
    case 5:
    case 6:
      return under(data(), "applications");
    case 7:
      return under(config(), "autostart");
    case 8:
      return data();
    case 9:
      return config();
    case 10:
      return "/etc";
    case 11: {
      std::string tmp = NativeEnvironment("TMPDIR");
      return !tmp.empty() && tmp[0] == '/' ? tmp : "/tmp";
    }
    default:
      return "";
  }
}

}  // namespace

Text FolderOfKind(int kind) {
  std::string native = NativeSpecialFolder(kind);
  if (native.empty()) return {};
  if (native.back() != '/') native += '/';
  Text folder;
  if (!Utf8ToCp936(native, &folder)) return {};
  return folder;
}

}  // namespace inicrypt::posix
