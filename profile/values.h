// One value read from, or written into, a plain INI file through the profile
// service (profile.h), with the rules callers of the service share: control
// bytes before the names are passed over, and a bare file name lies in
// the folder of FolderKind::kIniFiles.
#pragma once

#include <string_view>

#include "base/status.h"
#include "base/text.h"

namespace inicrypt {

// The one-value reads and writes of plain INI files through the profile
// service (profile.h). A path with no "\" or "/" names the file of that name
// in the folder of FolderKind::kIniFiles, the file the INI reader opens for it.
enum class ProfileSync { kEachWrite, kByCaller };

namespace profile {

// Looks up key in section of the plain INI file at path. Leading bytes
// 0x01-0x20 of path, section and key are passed over first. Found: *value
// holds at most 10239 bytes of the value. Not found: the file, section or key
// is missing, or path, section or key is empty. Failed: the file cannot be
// read, or a bare name was given and the folder of FolderKind::kIniFiles is unknown.
Lookup ReadValue(std::string_view path, std::string_view section, std::string_view key,
                 Text* value);

// Sets key in section of the plain INI file at path to value, creating the
// file when it is missing (its folder must exist); every other pair stays as
// it was. Fails when the file cannot be written, the old file then left
// whole, and refuses what profile.h refuses. kByCaller is for a file being
// built under a temporary name whose owner forces it to disk once when it is
// complete: the file is edited in place, not replaced, and nothing is
// flushed; a failure may leave it half written.
[[nodiscard]] Status WriteValue(std::string_view path, std::string_view section,
                                std::string_view key, std::string_view value,
                                ProfileSync sync = ProfileSync::kEachWrite);

}  // namespace profile

// The value profile::ReadValue finds; when it finds none, or fails, the
// default with its trailing spaces removed. When path, section or key is
// empty after the leading bytes 0x01-0x20 the result is the empty text,
// default or not, and the file is not read.
Text ReadProfileValue(std::string_view path, std::string_view section, std::string_view key,
                      std::string_view default_value = {});
// profile::WriteValue; false on failure.
[[nodiscard]] bool WriteProfileValue(std::string_view path, std::string_view section,
                                     std::string_view key, std::string_view value,
                                     ProfileSync sync = ProfileSync::kEachWrite);

}  // namespace inicrypt
