// RC4 over several keys at once.
//
// One RC4 keystream is a chain of dependent steps: every step waits for the
// previous one's swap. Keystreams of different keys do not depend on each
// other, so stepping several of them in lockstep lets the processor work on
// one while the others wait for their loads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace inicrypt {

// Most keys one call steps together.
inline constexpr size_t kRc4Lanes = 4;

// For each of the count keys (1 .. kRc4Lanes) of key_length bytes (1 or
// more): runs the RC4 key schedule, drops the first lead keystream bytes and
// XORs the next length bytes into out[k][0 .. length). The results equal
// KeySchedule, SkipKeystream(lead) and XorKeystream(length) for each key.
// The out ranges must not overlap.
// Where the compiler and the processor allow, the step runs in a faster form
// written in assembly.
void XorKeystreamLanes(const uint8_t* const* keys, size_t key_length, size_t count, size_t lead,
                       uint8_t* const* out, size_t length);

// The same in plain C++ on every machine: the form used where there is no
// faster one.
void XorKeystreamLanesPortable(const uint8_t* const* keys, size_t key_length, size_t count,
                               size_t lead, uint8_t* const* out, size_t length);

}  // namespace inicrypt
