#include "store/rc4_lanes.h"

#include <bit>
#include <cstring>
#include <utility>

namespace inicrypt {
namespace {

// Where keystream byte b of 8 lands in a word that is stored to memory.
constexpr unsigned ByteShift(unsigned b) {
  return std::endian::native == std::endian::little ? 8 * b : 56 - 8 * b;
}

// W permutations stepped together, all in this function's own storage so
// that the compiler can keep every index in a register: a byte stored into a
// permutation could otherwise alias them. The index i is the same for all
// lanes, since they all start at 0 and take the same number of steps; each
// lane has its own j. Lanes and byte positions are template arguments so
// that each lane's code is laid out one after the other.
template <size_t W>
struct Lanes {
  using Table = uint8_t[W][256];

  // One step of lane L: swaps and returns its keystream byte.
  template <size_t L>
  static uint8_t Next(Table& s, uint32_t i, uint32_t& j) {
    const uint32_t si = s[L][i];
    j = (j + si) & 0xff;
    const uint32_t sj = s[L][j];
    s[L][i] = static_cast<uint8_t>(sj);
    s[L][j] = static_cast<uint8_t>(si);
    return s[L][(si + sj) & 0xff];
  }

  template <size_t... L>
  static void ScheduleStep(Table& s, uint32_t (&j)[W], uint32_t k, const uint8_t* const* keys,
                           size_t at, std::index_sequence<L...>) {
    (
        [&] {
          const uint8_t sk = s[L][k];
          j[L] = (j[L] + sk + keys[L][at]) & 0xff;
          s[L][k] = s[L][j[L]];
          s[L][j[L]] = sk;
        }(),
        ...);
  }

  template <size_t... L>
  static void SkipStep(Table& s, uint32_t i, uint32_t (&j)[W], std::index_sequence<L...>) {
    ((void)Next<L>(s, i, j[L]), ...);
  }

  template <size_t... L>
  static void XorStep(Table& s, uint32_t i, uint32_t (&j)[W], uint8_t* const* out, size_t k,
                      std::index_sequence<L...>) {
    ((out[L][k] ^= Next<L>(s, i, j[L])), ...);
  }

  template <unsigned B, size_t... L>
  static void CollectStep(Table& s, uint32_t i, uint32_t (&j)[W], uint64_t (&words)[W],
                          std::index_sequence<L...>) {
    ((words[L] |= uint64_t{Next<L>(s, i, j[L])} << ByteShift(B)), ...);
  }

  // Eight steps of every lane; byte b of lane l goes into words[l].
  template <unsigned... B>
  static void Eight(Table& s, uint32_t& i, uint32_t (&j)[W], uint64_t (&words)[W],
                    std::integer_sequence<unsigned, B...>) {
    ((i = (i + 1) & 0xff, CollectStep<B>(s, i, j, words, std::make_index_sequence<W>{})), ...);
  }

  static void Run(const uint8_t* const* keys, size_t key_length, size_t lead, uint8_t* const* out,
                  size_t length) {
    constexpr auto kAll = std::make_index_sequence<W>{};
    Table s;
    for (size_t l = 0; l < W; ++l) {
      for (unsigned k = 0; k < 256; ++k) s[l][k] = static_cast<uint8_t>(k);
    }
    uint32_t j[W] = {};
    size_t at = 0;  // k mod key_length
    for (uint32_t k = 0; k < 256; ++k) {
      ScheduleStep(s, j, k, keys, at, kAll);
      if (++at == key_length) at = 0;
    }

    for (uint32_t& lane_j : j) lane_j = 0;
    uint32_t i = 0;
    for (size_t k = 0; k < lead; ++k) {
      i = (i + 1) & 0xff;
      SkipStep(s, i, j, kAll);
    }

    size_t k = 0;
    for (; k + 8 <= length; k += 8) {
      uint64_t words[W] = {};
      Eight(s, i, j, words, std::make_integer_sequence<unsigned, 8>{});
      for (size_t l = 0; l < W; ++l) {
        uint64_t word;
        std::memcpy(&word, out[l] + k, 8);
        word ^= words[l];
        std::memcpy(out[l] + k, &word, 8);
      }
    }
    for (; k < length; ++k) {
      i = (i + 1) & 0xff;
      XorStep(s, i, j, out, k, kAll);
    }
  }
};

template <size_t... W>
void RunCount(size_t count, const uint8_t* const* keys, size_t key_length, size_t lead,
              uint8_t* const* out, size_t length, std::index_sequence<W...>) {
  ((count == W + 1 ? Lanes<W + 1>::Run(keys, key_length, lead, out, length) : void()), ...);
}

}  // namespace

void XorKeystreamLanes(const uint8_t* const* keys, size_t key_length, size_t count, size_t lead,
                       uint8_t* const* out, size_t length) {
  if (key_length == 0 || count == 0 || count > kRc4Lanes) return;
  RunCount(count, keys, key_length, lead, out, length, std::make_index_sequence<kRc4Lanes>{});
}

}  // namespace inicrypt
