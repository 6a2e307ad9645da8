// Conversion between code page 936, the encoding of every text inside the
// system, and UTF-8, the encoding of the edges on POSIX (file names, the
// terminal, the window toolkit). A text that has no form in the other
// encoding is refused: the result is false and *out is left empty.
#pragma once

#include <string_view>

#include "base/text.h"

namespace inicrypt {

[[nodiscard]] bool Cp936ToUtf8(std::string_view cp936, std::string* out);
[[nodiscard]] bool Utf8ToCp936(std::string_view utf8, Text* out);

// The same between code page 936 and the encoding of the process's locale
// (LC_CTYPE), for the terminal and the command line.
[[nodiscard]] bool LocaleToCp936(std::string_view local, Text* out);
[[nodiscard]] bool Cp936ToLocale(std::string_view cp936, std::string* out);

}  // namespace inicrypt
