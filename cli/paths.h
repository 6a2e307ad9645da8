// Paths from the command line: converted from the locale's encoding to code
// page 936 and made absolute against the current folder, so that a bare
// "a.ini" means ./a.ini (the INI functions would take a bare name from a
// configuration folder instead).
#pragma once

#include <string_view>

#include "base/status.h"
#include "base/text.h"

namespace inicrypt::cli {

// The operand that names stdin or stdout.
inline constexpr std::string_view kStdStream = "-";

// The typed path as an absolute code page 936 path. Fails when the path is
// empty or has no code page 936 form.
[[nodiscard]] Status ResolvePath(std::string_view typed, Text* path);

// True when path starts at the root ("/" or "\").
bool IsAbsolutePath(std::string_view path);

// The last element of path (base/paths.h: NamePart).
Text BaseName(std::string_view path);

// The path of a file named name in the folder that holds path.
Text SiblingPath(std::string_view path, std::string_view name);

// count random lower-case letters and digits, for names no one else uses.
Text RandomLetters(int count);

}  // namespace inicrypt::cli
