// The position-keyed stream cipher of enciphered files.
//
// Every byte of an enciphered file is the plain byte XOR a mask that depends
// only on the password and on the byte's position, so a file can be read and
// written at any position, in any order and in pieces of any size. There is
// no header and no check value: a wrong password simply yields other bytes.
//
// Masks: the file is cut into blocks of 4096 bytes. Block k has a nonce, the
// little-endian 32-bit word at keystream bytes 4k..4k+3 of RC4 keyed with the
// password. Its block key is nonce (LE32), the 32 characters of the password
// digest, and k XOR nonce (LE32): 40 bytes. The mask of the byte at offset o
// of block k is byte 36 + o of RC4 keyed with the block key.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace inicrypt {

inline constexpr int kCipherBlockSize = 4096;

// Files hold fewer than 2^31 bytes; bytes at or beyond this position have no
// mask.
inline constexpr int64_t kCipherPositionLimit = int64_t{1} << 31;

// 32 lower-case hexadecimal characters and a NUL: the MD5 digest of the
// password, written from its last byte to its first, high digit first.
using PasswordDigest = std::array<char, 33>;

// RC4 state: the permutation and the two indices.
struct KeystreamState {
  uint8_t s[256];
  uint8_t i;
  uint8_t j;
};

// The digest of count password bytes (count may be 0).
[[nodiscard]] PasswordDigest MakePasswordDigest(const uint8_t* password, size_t count);
// Standard RC4 key schedule; i and j end at 0. Only the first 256 key bytes
// count. A length of 0 leaves the identity permutation.
void KeySchedule(const uint8_t* key, size_t length, KeystreamState& state);
// Advances the state count steps, producing nothing.
void SkipKeystream(size_t count, KeystreamState& state);
// XORs count bytes with the next count keystream bytes.
void XorKeystream(uint8_t* bytes, size_t count, KeystreamState& state);

// The cipher fields of an enciphered file.
//
// Transforms never change the object's observable state, so calls on one
// object do not disturb each other and may run on several threads at once.
// The nonces and the masks of recently used blocks are kept per password,
// shared by every PositionCipher under that password and bounded in size, so
// that a file opened and read in small pieces again and again does not pay
// for the same keystream each time. The password text itself is never kept;
// the shared keys are found by its digest and key schedule.
class PositionCipher {
 public:
  PositionCipher();
  ~PositionCipher();
  PositionCipher(const PositionCipher&) = delete;
  PositionCipher& operator=(const PositionCipher&) = delete;

  // Sets the password (empty: no password, nothing is transformed) and the
  // number of leading bytes that stay plain (negative acts as 0). The
  // password is its bytes up to the first NUL, if any, used as they are.
  void SetPassword(std::string_view password, int32_t prefix_length);

  int32_t prefix_length() const { return prefix_length_; }
  // The password's digest; all zero bytes when there is no password.
  const PasswordDigest& digest() const;

  // XORs bytes[0..count) in place with the masks of positions
  // position .. position + count - 1. Enciphering and deciphering are the
  // same operation. Bytes whose
  // position is negative, below the prefix length, or at or beyond
  // kCipherPositionLimit have no mask and are left as they are.
  //
  // A long range is spread over several threads, each working on whole
  // blocks; the call returns when all of them are done.
  void TransformAt(int64_t position, uint8_t* bytes, size_t count) const;

  // The most threads one transform may use: 0 (the default) for one per
  // processor core, 1 to stay on the calling thread; any other number is
  // used as given. Short ranges always stay on the calling thread.
  void set_thread_limit(unsigned limit) { thread_limit_ = limit; }
  unsigned thread_limit() const { return thread_limit_; }

 private:
  struct Keys;  // digest, nonces and block masks, shared per password
  // The keys of a password, shared with the ciphers that recently used it.
  static std::shared_ptr<Keys> ShareKeys(const PasswordDigest& digest, const KeystreamState& base);
  // How many threads a transform of that many whole blocks uses.
  unsigned ThreadsFor(size_t blocks) const;
  // XORs count whole blocks from block first on, spread over threads.
  void ApplyBlocksInThreads(uint32_t first, size_t count, uint8_t* bytes, unsigned threads) const;

  int32_t prefix_length_ = 0;
  unsigned thread_limit_ = 0;
  std::shared_ptr<Keys> keys_;
};

}  // namespace inicrypt
