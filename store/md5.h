// MD5 message digest (RFC 1321).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace inicrypt {

using Md5Digest = std::array<uint8_t, 16>;

// The 16 digest bytes of size bytes at data, in the order RFC 1321 writes
// them. data may be null when size is 0.
[[nodiscard]] Md5Digest Md5(const void* data, size_t size);

}  // namespace inicrypt
