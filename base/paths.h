// Paths as the system spells them: code page 936 text with "\" or "/" as
// separators.
#pragma once

#include <cstddef>
#include <string_view>

namespace inicrypt {

// 0-based position of the last "\" or "/" of path found at a character
// boundary (so never the second byte of a two-byte character), or npos.
size_t LastPathSeparator(std::string_view path);

}  // namespace inicrypt
