// Reading a whole file through the host seam.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/host.h"
#include "base/status.h"

namespace inicrypt {

// The most bytes a file in this system holds (positions are 32-bit).
inline constexpr size_t kMaxWholeFileBytes = 0x7FFFFFFF;

// Reads file from its first byte to its end into *bytes (replacing what it
// held), in pieces, so that a file or device longer than max_bytes (one that
// never ends, /dev/zero) is refused (EFBIG, "too large (2 GiB or more)") once
// that many bytes are read, never read whole. On failure *bytes is empty and
// the Status says why.
[[nodiscard]] Status ReadWholeFile(HostFile& file, std::string* bytes,
                                   size_t max_bytes = kMaxWholeFileBytes);

// Opens the file at path for reading (others may read and write meanwhile),
// reads it whole as above and closes it. Fails when it cannot be opened, read
// or closed, or is too large (the message names path); *bytes is then empty.
[[nodiscard]] Status ReadWholeFile(std::string_view path, std::string* bytes,
                                   size_t max_bytes = kMaxWholeFileBytes);

}  // namespace inicrypt
