// The profile (INI) service of a host that has none of its own: one value
// read from, or written into, a plain INI file, the way the Windows profile
// functions do it. Every call reads the file afresh; a write goes to a
// temporary file in the same folder that is renamed over the old one.
#pragma once

#include <string_view>

#include "base/text.h"

namespace inicrypt {

// Longest value handed back, in bytes.
inline constexpr int kProfileValueMax = 10239;

// The value, or default_value with its trailing spaces removed. path is a
// full path (the caller has applied the bare-name rule).
Text ProfileGetString(std::string_view path, std::string_view section, std::string_view key,
                      std::string_view default_value);

// False when the file cannot be written; the old file is then left whole.
bool ProfileWriteString(std::string_view path, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace inicrypt
