// One value read from, or written into, a plain INI file through the profile
// service (profile.h), with the rules callers of the service share: control
// bytes before the names are passed over, and a bare file name lies in
// SpecialFolder(9).
#pragma once

#include <string_view>

#include "base/text.h"

namespace inicrypt {

// The value of key in section of the plain INI file at path, through the
// profile service (profile.h): at most 10239 bytes, or the default with its
// trailing spaces removed when the file, section or key is missing. Leading
// bytes 0x01-0x20 of path, section and key are passed over first; when one
// of them is then empty the result is the empty text, default or not, and the
// file is not read. A path with no "\" or "/" names the file of that name in
// SpecialFolder(9), the file the INI reader opens for it; when that folder is
// unknown the result is the default.
Text ReadProfileValue(std::string_view path, std::string_view section, std::string_view key,
                      std::string_view default_value = {});
// Sets key in section of the plain INI file at path to value, creating the
// file when it is missing (its folder must exist); every other pair stays as
// it was. The bare-name rule is the one of ReadProfileValue. False when the
// file cannot be written, the old file then left whole (profile.h tells
// every case). kByCaller is for a file being built under a temporary name
// whose owner forces it to disk once when it is complete: the file is edited
// in place, not replaced, and nothing is flushed; a failure may leave it half
// written.
enum class ProfileSync { kEachWrite, kByCaller };
[[nodiscard]] bool WriteProfileValue(std::string_view path, std::string_view section,
                                     std::string_view key, std::string_view value,
                                     ProfileSync sync = ProfileSync::kEachWrite);

}  // namespace inicrypt
