// Conversion between code page 936, the encoding of every text inside the
// system, and UTF-8, the encoding of the edges on POSIX (file names, the
// terminal, the window toolkit). A text that has no form in the other
// encoding is refused: the result is false and *out is left empty.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace inicrypt {

[[nodiscard]] bool Cp936ToUtf8(std::string_view cp936, std::string* out);
[[nodiscard]] bool Utf8ToCp936(std::string_view utf8, Text* out);

// The same between code page 936 and the encoding of the process's locale
// (LC_CTYPE), for the terminal and the command line.
[[nodiscard]] bool LocaleToCp936(std::string_view local, Text* out);
[[nodiscard]] bool Cp936ToLocale(std::string_view cp936, std::string* out);

#ifdef _WIN32
// Between code page 936 and UTF-16, the encoding of the system's wide
// functions (the Windows host's names, console and command line).
[[nodiscard]] bool Cp936ToWide(std::string_view cp936, std::wstring* out);
[[nodiscard]] bool WideToCp936(std::wstring_view wide, Text* out);
// Between UTF-16 and UTF-8 (the console and the command line).
[[nodiscard]] bool WideToUtf8(std::wstring_view wide, std::string* out);
[[nodiscard]] bool Utf8ToWide(std::string_view utf8, std::wstring* out);
#endif

}  // namespace inicrypt
