// Test support: the global operator new of the text tests, which can be made
// to fail every request of at least a given size with std::bad_alloc.
#pragma once

#include <cstddef>

namespace inicrypt::test_support {

// From now on, requests of min_bytes or more fail (0: none fail).
void FailAllocationsFrom(std::size_t min_bytes);

}  // namespace inicrypt::test_support
