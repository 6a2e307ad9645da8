#include "store/rc4_lanes.h"

#include <bit>
#include <cstring>
#include <utility>

// On x86-64 with GCC or Clang, the keystream step has a form in assembly.
#if defined(__x86_64__) && defined(__GNUC__)
#define INICRYPT_RC4_STEP_ASM 1
#else
#define INICRYPT_RC4_STEP_ASM 0
#endif

namespace inicrypt {
namespace {

// Where keystream byte b of 8 lands in a word that is stored to memory.
constexpr unsigned ByteShift(unsigned b) {
  return std::endian::native == std::endian::little ? 8 * b : 56 - 8 * b;
}

// An index into a permutation, as wide as an address register.
using Index = uintptr_t;

// W permutations stepped together, all in this function's own storage so
// that the compiler can keep every index in a register: a byte stored into a
// permutation could otherwise alias them. The index i is the same for all
// lanes, since they all start at 0 and take the same number of steps; each
// lane has its own j. Lanes and byte positions are template arguments so
// that each lane's code is laid out one after the other. kFast picks the
// assembly form of the step where there is one.
template <size_t W, bool kFast>
struct Lanes {
  using Table = uint8_t[W][256];

  // One step of lane L: swaps and returns its keystream byte.
  template <size_t L>
  static Index Next(Table& s, Index i, Index& j) {
#if INICRYPT_RC4_STEP_ASM
    if constexpr (kFast) {
      // Indices are 64-bit registers whose upper bits stay 0: an 8-bit add
      // wraps modulo 256 by itself, so neither j nor the output index needs
      // the zero extension the compiler would add.
      // The keystream byte ends in the register that held S[i].
      Index si, sj;
      asm("movzbl %c[lane](%[s],%[i]), %k[si]\n\t"
          "addb %b[si], %b[j]\n\t"
          "movzbl %c[lane](%[s],%[j]), %k[sj]\n\t"
          "movb %b[sj], %c[lane](%[s],%[i])\n\t"
          "movb %b[si], %c[lane](%[s],%[j])\n\t"
          "addb %b[sj], %b[si]\n\t"
          "movzbl %c[lane](%[s],%[si]), %k[si]"
          : [j] "+r"(j), [si] "=&r"(si), [sj] "=&r"(sj), [row] "+m"(s[L])
          : [s] "r"(&s[0][0]), [i] "r"(i), [lane] "i"(L * 256));
      return si;
    }
#endif
    const Index si = s[L][i];
    j = (j + si) & 0xff;
    const Index sj = s[L][j];
    s[L][i] = static_cast<uint8_t>(sj);
    s[L][j] = static_cast<uint8_t>(si);
    return s[L][(si + sj) & 0xff];
  }

  template <size_t... L>
  static void ScheduleStep(Table& s, Index (&j)[W], Index k, const uint8_t* const* keys, size_t at,
                           std::index_sequence<L...>) {
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
  static void SkipStep(Table& s, Index i, Index (&j)[W], std::index_sequence<L...>) {
    ((void)Next<L>(s, i, j[L]), ...);
  }

  template <size_t... L>
  static void XorStep(Table& s, Index i, Index (&j)[W], uint8_t* const* out, size_t k,
                      std::index_sequence<L...>) {
    ((out[L][k] ^= static_cast<uint8_t>(Next<L>(s, i, j[L]))), ...);
  }

  // Puts lane L's next keystream byte at byte b of word.
  template <size_t L, unsigned B>
  static void Collect(Table& s, Index i, Index& j, uint64_t& word) {
    const uint64_t byte = uint64_t{Next<L>(s, i, j)} << ByteShift(B);
#if INICRYPT_RC4_STEP_ASM
    if constexpr (kFast) {
      // Left to itself, the compiler gathers all the bytes first and combines
      // them at the end, which needs more registers than there are.
      asm("orq %[byte], %[word]" : [word] "+r"(word) : [byte] "r"(byte));
      return;
    }
#endif
    word |= byte;
  }

  template <unsigned B, size_t... L>
  static void CollectStep(Table& s, Index i, Index (&j)[W], uint64_t (&words)[W],
                          std::index_sequence<L...>) {
    (Collect<L, B>(s, i, j[L], words[L]), ...);
  }

  // Eight steps of every lane; byte b of lane l goes into words[l].
  template <unsigned... B>
  static void Eight(Table& s, Index& i, Index (&j)[W], uint64_t (&words)[W],
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
    {
      Index j[W] = {};
      size_t at = 0;  // k mod key_length
      for (Index k = 0; k < 256; ++k) {
        ScheduleStep(s, j, k, keys, at, kAll);
        if (++at == key_length) at = 0;
      }
    }

    Index j[W];
    for (size_t l = 0; l < W; ++l) j[l] = 0;
    Index i = 0;
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

template <bool kFast, size_t... W>
void RunCount(size_t count, const uint8_t* const* keys, size_t key_length, size_t lead,
              uint8_t* const* out, size_t length, std::index_sequence<W...>) {
  ((count == W + 1 ? Lanes<W + 1, kFast>::Run(keys, key_length, lead, out, length) : void()), ...);
}

template <bool kFast>
void XorLanes(const uint8_t* const* keys, size_t key_length, size_t count, size_t lead,
              uint8_t* const* out, size_t length) {
  if (key_length == 0 || count == 0 || count > kRc4Lanes) return;
  RunCount<kFast>(count, keys, key_length, lead, out, length,
                  std::make_index_sequence<kRc4Lanes>{});
}

}  // namespace

void XorKeystreamLanes(const uint8_t* const* keys, size_t key_length, size_t count, size_t lead,
                       uint8_t* const* out, size_t length) {
  XorLanes<true>(keys, key_length, count, lead, out, length);
}

void XorKeystreamLanesPortable(const uint8_t* const* keys, size_t key_length, size_t count,
                               size_t lead, uint8_t* const* out, size_t length) {
  XorLanes<false>(keys, key_length, count, lead, out, length);
}

}  // namespace inicrypt
