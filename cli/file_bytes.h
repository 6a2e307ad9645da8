// Whole files through the host, and the cipher over a whole file held in
// memory (for view, raw encrypt and decrypt, edit and rekey, which never
// need the file's plain text on disk).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "base/status.h"
#include "host/host.h"
#include "host/whole_file.h"

namespace inicrypt::cli {

// Permission bits of a file the tool makes.
inline constexpr uint32_t kNewFileMode = 0600;

// OK when path names something to read from: "PATH: no such file" for a
// missing path, "PATH: is a folder" for a folder.
[[nodiscard]] Status CheckInputFile(std::string_view path);

// The whole content of the file at path (checked as above first, then read
// by base/whole_file.h).
[[nodiscard]] Status ReadWholeFile(std::string_view path, std::string* bytes);

// All of a stream (stdin), read in pieces: more than max_bytes (a stream that
// never ends) is refused once that many are read, never read whole.
[[nodiscard]] Status ReadStream(std::istream& in, std::string_view shown, std::string* bytes,
                                size_t max_bytes = kMaxWholeFileBytes);

// Opens path with the creation rule, writes bytes as its whole content and
// forces them to stable storage.
[[nodiscard]] Status WriteWholeFile(std::string_view path, std::string_view bytes,
                                    FileCreation creation);

// Enciphers or deciphers (the same operation) the whole text of a file held
// in memory under a non-empty password. Fails for 2 GiB or more.
[[nodiscard]] Status TransformWhole(std::string_view password, std::string* bytes);

// True when some line of the plain text is a section header, the lines being
// read as the INI reader reads them (to LF, one CR dropped, a NUL or 0x1A
// byte ending the text).
bool HoldsSectionHeader(std::string_view plain);

}  // namespace inicrypt::cli
