// Whole-file operations over the host (host.h): whether a path exists,
// deleting a file, and writing a file from blocks of bytes. Paths may use
// "\" or "/" as separator; the host maps them to its own.
#pragma once

#include <initializer_list>
#include <string_view>

namespace inicrypt {

// True for an existing file or folder; false for the empty path and on any
// failure. Wildcards are ordinary characters.
bool FileExists(std::string_view path);
// True when the file was deleted; a folder is never deleted.
bool DeleteFileAt(std::string_view path);
// Creates the file, or empties it when it exists, for writing only and
// shared with nobody while open, writes each non-empty block in order as one
// write, and closes it. True when every write and the close succeeded. False
// for the empty path, when the file cannot be created, or when a write or the
// close fails; what was written before the failure stays in the file, which
// is closed on every way out.
[[nodiscard]] bool WriteBytesToFile(std::string_view path,
                                    std::initializer_list<std::string_view> blocks);

}  // namespace inicrypt
