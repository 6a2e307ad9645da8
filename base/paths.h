// Path syntax. "\" and "/" both separate the parts of a path, and count only
// where a character starts: the second byte of a two-byte character (0x5C in
// 誠, bytes D5 5C) is never a separator.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/text.h"

namespace inicrypt {

// The separator the system puts between a folder and a name: the platform's
// own ('/' on POSIX, '\' on Windows).
constexpr char PathSeparator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// 0-based position of the last separator of path, or npos.
[[nodiscard]] size_t LastPathSeparator(std::string_view path);
// True when path holds a separator.
[[nodiscard]] bool HasPathSeparator(std::string_view path);
// True when the last character of path is a separator.
[[nodiscard]] bool EndsWithPathSeparator(std::string_view path);

// The folder part of path up to and including its last separator; empty
// when path holds none («a/b/c» gives «a/b/»).
[[nodiscard]] std::string_view FolderPart(std::string_view path);
// The part after the last separator: the whole path when it holds none.
[[nodiscard]] std::string_view NamePart(std::string_view path);
// path less every separator at its end («a//» gives «a», «/» the empty text).
[[nodiscard]] std::string_view WithoutTrailingSeparators(std::string_view path);

// folder, the platform's separator and name.
[[nodiscard]] Text JoinPath(std::string_view folder, std::string_view name);

}  // namespace inicrypt
