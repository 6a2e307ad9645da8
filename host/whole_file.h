// Reading a whole file through the host seam.
#pragma once

#include <string>
#include <string_view>

#include "host/host.h"
#include "base/status.h"

namespace inicrypt {

// Reads file from its first byte to its end into *bytes (replacing what it
// held). On failure *bytes is empty and the Status says why.
[[nodiscard]] Status ReadWholeFile(HostFile& file, std::string* bytes);

// Opens the file at path for reading (others may read and write meanwhile),
// reads it whole and closes it. Fails when it cannot be opened, read or
// closed; *bytes is then empty.
[[nodiscard]] Status ReadWholeFile(std::string_view path, std::string* bytes);

}  // namespace inicrypt
