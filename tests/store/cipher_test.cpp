#include "store/cipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace inicrypt {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(std::string_view hex) {
  Bytes out;
  for (size_t k = 0; k + 1 < hex.size(); k += 2) {
    out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(k, 2)), nullptr, 16)));
  }
  return out;
}

const uint8_t* Data(std::string_view text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// The masks of one block, straight from the rule and from the building blocks
// alone: the nonce is keystream bytes 4k..4k+3 of the password, the block key
// is nonce, digest, k XOR nonce, and the masks are its keystream from byte 36.
Bytes ReferenceBlock(std::string_view password, uint32_t block) {
  KeystreamState base;
  KeySchedule(Data(password), password.size(), base);
  SkipKeystream(size_t{4} * block, base);
  uint8_t word[4] = {};
  XorKeystream(word, 4, base);
  const uint32_t nonce = word[0] | word[1] << 8 | word[2] << 16 | uint32_t{word[3]} << 24;

  const PasswordDigest digest = MakePasswordDigest(Data(password), password.size());
  uint8_t key[40];
  const uint32_t tail = block ^ nonce;
  for (int k = 0; k < 4; ++k) {
    key[k] = static_cast<uint8_t>(nonce >> (8 * k));
    key[36 + k] = static_cast<uint8_t>(tail >> (8 * k));
  }
  for (int k = 0; k < 32; ++k) key[4 + k] = static_cast<uint8_t>(digest[k]);
  KeystreamState state;
  KeySchedule(key, sizeof key, state);
  SkipKeystream(36, state);
  Bytes masks(kCipherBlockSize, 0);
  XorKeystream(masks.data(), masks.size(), state);
  return masks;
}

// The masks of positions 0 .. size - 1.
Bytes ReferenceMasks(std::string_view password, size_t size) {
  Bytes masks;
  for (uint32_t block = 0; masks.size() < size; ++block) {
    const Bytes part = ReferenceBlock(password, block);
    masks.insert(masks.end(), part.begin(), part.end());
  }
  masks.resize(size);
  return masks;
}

// What TransformAt makes of count zero bytes: the masks it applies.
Bytes Transformed(const PositionCipher& cipher, int64_t position, size_t count) {
  Bytes bytes(count, 0);
  cipher.TransformAt(position, bytes.data(), bytes.size());
  return bytes;
}

// The expected masks of a range: none before the prefix.
Bytes Expected(const Bytes& masks, int32_t prefix, size_t position, size_t count) {
  Bytes out(masks.begin() + static_cast<std::ptrdiff_t>(position),
            masks.begin() + static_cast<std::ptrdiff_t>(position + count));
  for (size_t k = 0; k < count && position + k < size_t(std::max(prefix, 0)); ++k) out[k] = 0;
  return out;
}

TEST(PositionCipherTest, DigestKnownAnswers) {
  const struct {
    std::string_view password;
    const char* digest;
  } cases[] = {
      {"73580647", "218ee4c05d3da689f3d6ec0878efe099"},
      {"a", "61267769e299c331a8b6f1c0b975c10c"},
      {"x", "a6675c154e56c8f534808c2661e4d49d"},
      {"\x80\xb2\xe2\xff", "cdb93523891bf2754088b8cfe268299d"},
      {"\xc3\xdc\xc2\xeb", "3c488aaa862424f6c564c9f0303e29d2"},  // 密码
  };
  for (const auto& c : cases) {
    const PasswordDigest made = MakePasswordDigest(Data(c.password), c.password.size());
    EXPECT_STREQ(made.data(), c.digest);
    PositionCipher cipher;
    cipher.SetPassword(c.password, 0);
    EXPECT_EQ(cipher.digest(), made);
  }
}

// Known masks through one call, and byte by byte in rising order on a fresh
// object, which makes the block masks grow piece by piece.
TEST(PositionCipherTest, KnownMasksOneShotAndSplit) {
  const struct {
    std::string_view password;
    int64_t first;
    const char* masks;
  } cases[] = {
      {"73580647", 0, "541c26c432185cb4de7cac55c1239bca"},
      {"73580647", 4090, "76aae48b39a4fcd90941c0c4"},
      {"73580647", 8192, "78787a1bf49cd955"},
      {"a", 0, "3ea9b0f9457b23cebf579938428ee6cf"},
      {"a", 4090, "1e7da8cf9e795e681ab3abf2"},
      {"a", 8192, "f7b7a721a12e8fb2"},
  };
  for (const auto& c : cases) {
    const Bytes expected = FromHex(c.masks);
    PositionCipher split;
    split.SetPassword(c.password, 0);
    Bytes bytes(expected.size(), 0);
    for (size_t k = 0; k < bytes.size(); ++k) {
      split.TransformAt(c.first + static_cast<int64_t>(k), &bytes[k], 1);
    }
    EXPECT_EQ(bytes, expected) << c.password << " at " << c.first << ", split";

    PositionCipher one_shot;
    one_shot.SetPassword(c.password, 0);
    EXPECT_EQ(Transformed(one_shot, c.first, expected.size()), expected)
        << c.password << " at " << c.first;
  }
}

// Block edges first, then random ranges through several objects sharing the
// password's keys, over more blocks than are kept: every byte always gets the
// mask of its position.
TEST(PositionCipherTest, AnyRangeMatchesTheReference) {
  constexpr std::string_view kPassword = "any range";
  constexpr size_t kSize = 80 * kCipherBlockSize;
  const Bytes masks = ReferenceMasks(kPassword, kSize);
  PositionCipher ciphers[3];
  for (PositionCipher& cipher : ciphers) cipher.SetPassword(kPassword, 0);

  const struct {
    size_t position, count;
  } edges[] = {
      {4095, 2},      {4096, 4096},  {8191, 1},          {0, 4096},
      {4095, 4098},   {12287, 8194}, {5000, 0},          {16383, 4097},
      {20480, 12288}, {0, 1},        {100, kSize - 200}, {0, kSize},  // more blocks than are kept
  };
  for (const auto& e : edges) {
    EXPECT_EQ(Transformed(ciphers[0], int64_t(e.position), e.count),
              Expected(masks, 0, e.position, e.count))
        << e.position << "+" << e.count;
  }

  std::mt19937 random(20240611);
  for (int round = 0; round < 400; ++round) {
    size_t position = random() % kSize;
    if (round % 3 == 0) position = (position / kCipherBlockSize) * kCipherBlockSize + random() % 3;
    position = std::min(position, kSize - 1);
    const size_t longest = round % 5 == 0 ? 3 * kCipherBlockSize : 600;
    const size_t count = std::min(size_t(random() % longest), kSize - position);
    const PositionCipher& cipher = ciphers[round % 3];
    ASSERT_EQ(Transformed(cipher, int64_t(position), count), Expected(masks, 0, position, count))
        << "round " << round << ": " << position << "+" << count;
  }

  // Line by line: 512-byte reads that step back to the end of a short line.
  for (size_t position = 0; position + 512 <= kSize; position += 37 + random() % 80) {
    ASSERT_EQ(Transformed(ciphers[1], int64_t(position), 512), Expected(masks, 0, position, 512))
        << position;
  }
}

// Long ranges go through several blocks at once and, from a few hundred
// blocks on, through several threads. Whatever the number of threads, the
// start inside or on a block, the count of whole blocks (around the number
// stepped together, the number kept, and the number a thread takes), and the
// blocks already kept from earlier calls, every byte gets its own mask.
TEST(PositionCipherTest, LongRangesOnAnyNumberOfThreads) {
  constexpr std::string_view kPassword = "long ranges";
  constexpr size_t kBlock = kCipherBlockSize;
  constexpr size_t kSize = 300 * kBlock;
  const Bytes masks = ReferenceMasks(kPassword, kSize);
  const struct {
    unsigned threads;
    size_t position, count;
  } cases[] = {
      {3, 0, kSize},                      // nothing kept yet
      {2, 4095, kSize - 4095 - 1},        // starts and ends inside a block
      {0, 5 * kBlock, 129 * kBlock},      // as many threads as cores
      {1, 7, 200 * kBlock},               //
      {4, 3 * kBlock, 256 * kBlock + 9},  // shares of unequal groups
      {2, kBlock, 64 * kBlock},           // all kept
      {2, kBlock + 1, 65 * kBlock},       // one more than are kept
      {1, 100, 3 * kBlock + 5},           // fewer blocks than go together
      {1, 9 * kBlock, 5 * kBlock},        // a group and one more
      {1, 2 * kBlock, 4 * kBlock - 1},    //
  };
  for (const auto& c : cases) {
    PositionCipher cipher;
    cipher.SetPassword(kPassword, 0);
    cipher.set_thread_limit(c.threads);
    ASSERT_EQ(Transformed(cipher, int64_t(c.position), c.count),
              Expected(masks, 0, c.position, c.count))
        << c.threads << " threads, " << c.position << "+" << c.count;
  }

  // With a prefix, and under a password nothing is kept for yet.
  PositionCipher prefixed;
  prefixed.SetPassword("long ranges, fresh", 5000);
  prefixed.set_thread_limit(2);
  const Bytes fresh = ReferenceMasks("long ranges, fresh", kSize);
  EXPECT_EQ(Transformed(prefixed, 3, kSize - 3), Expected(fresh, 5000, 3, kSize - 3));
}

// Enciphered with one split and deciphered with another, the bytes come back.
TEST(PositionCipherTest, RoundTripWithDifferentSplits) {
  std::mt19937 random(7);
  Bytes plain(30000);
  for (uint8_t& byte : plain) byte = static_cast<uint8_t>(random());
  PositionCipher writer, reader;
  writer.SetPassword("round trip", 0);
  reader.SetPassword("round trip", 0);

  Bytes bytes = plain;
  for (size_t done = 0, piece = 0; done < bytes.size(); done += piece) {
    piece = std::min(size_t(1 + random() % 5000), bytes.size() - done);
    writer.TransformAt(int64_t(done), bytes.data() + done, piece);
  }
  EXPECT_NE(bytes, plain);
  for (size_t done = 0, piece = 0; done < bytes.size(); done += piece) {
    piece = std::min(size_t(1 + random() % 700), bytes.size() - done);
    reader.TransformAt(int64_t(done), bytes.data() + done, piece);
  }
  EXPECT_EQ(bytes, plain);
}

TEST(PositionCipherTest, PrefixStaysPlain) {
  constexpr std::string_view kPassword = "prefix";
  const Bytes masks = ReferenceMasks(kPassword, 3 * kCipherBlockSize);
  const struct {
    int32_t prefix;
    size_t position, count;
  } cases[] = {
      {7, 3, 10},   // 4 bytes plain, then positions 7..12
      {7, 0, 7},    // entirely before the prefix
      {7, 0, 3},    //
      {7, 7, 5},    // starts at the prefix
      {-5, 0, 10},  // a negative prefix acts as 0
      {5000, 4000, 2000}, {4096, 4000, 200},
  };
  for (const auto& c : cases) {
    PositionCipher cipher;
    cipher.SetPassword(kPassword, c.prefix);
    EXPECT_EQ(cipher.prefix_length(), std::max(c.prefix, 0));
    EXPECT_EQ(Transformed(cipher, int64_t(c.position), c.count),
              Expected(masks, c.prefix, c.position, c.count))
        << "prefix " << c.prefix << ", " << c.position << "+" << c.count;
  }
}

TEST(PositionCipherTest, ShortAndHighBytePasswords) {
  for (std::string_view password : {std::string_view("x"), std::string_view("\xc3\xdc\xc2\xeb"),
                                    std::string_view("\x80\xff")}) {
    const Bytes masks = ReferenceMasks(password, 2 * kCipherBlockSize);
    PositionCipher cipher;
    cipher.SetPassword(password, 0);
    EXPECT_EQ(Transformed(cipher, 0, masks.size()), masks) << password;
  }
}

// Equal in their first 256 bytes, the passwords share their key schedule and
// so their nonces, but not their digests: the masks differ, and neither
// password may be served the other's keys.
TEST(PositionCipherTest, PasswordsEqualInTheirFirst256Bytes) {
  const std::string one = std::string(256, 'k') + "one";
  const std::string two = std::string(256, 'k') + "two";
  KeystreamState state_one, state_two;
  KeySchedule(Data(one), one.size(), state_one);
  KeySchedule(Data(two), two.size(), state_two);
  ASSERT_EQ(0, std::memcmp(&state_one, &state_two, sizeof state_one));

  PositionCipher first, second;
  first.SetPassword(one, 0);
  second.SetPassword(two, 0);
  EXPECT_NE(first.digest(), second.digest());
  const Bytes masks_one = Transformed(first, 4000, 200);
  const Bytes masks_two = Transformed(second, 4000, 200);
  EXPECT_NE(masks_one, masks_two);
  EXPECT_EQ(masks_one, Expected(ReferenceMasks(one, 4200), 0, 4000, 200));
  EXPECT_EQ(masks_two, Expected(ReferenceMasks(two, 4200), 0, 4000, 200));
}

TEST(PositionCipherTest, NoPasswordTransformsNothing) {
  PositionCipher cipher;
  EXPECT_EQ(Transformed(cipher, 0, 100), Bytes(100, 0));

  cipher.SetPassword("73580647", 0);
  cipher.SetPassword("", 0);
  EXPECT_EQ(cipher.digest(), PasswordDigest{});
  EXPECT_EQ(Transformed(cipher, 0, 100), Bytes(100, 0));
}

// A password ends at its first NUL, as the text it comes from would.
TEST(PositionCipherTest, PasswordEndsAtNul) {
  PositionCipher cut, whole;
  cut.SetPassword(std::string_view("ab\0cd", 5), 0);
  whole.SetPassword("ab", 0);
  EXPECT_EQ(cut.digest(), whole.digest());
  EXPECT_EQ(Transformed(cut, 100, 50), Transformed(whole, 100, 50));

  PositionCipher none;
  none.SetPassword(std::string_view("\0x", 2), 0);
  EXPECT_EQ(Transformed(none, 0, 10), Bytes(10, 0));
}

// Files stay below 2^31 bytes; bytes at negative positions or beyond the
// limit are left alone, without overflow, and the bytes in range still get
// their masks.
TEST(PositionCipherTest, PositionsOutsideTheFileRange) {
  constexpr std::string_view kPassword = "limits";
  constexpr int64_t kLimit = kCipherPositionLimit;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  const Bytes last_block = ReferenceBlock(kPassword, uint32_t(kLimit / kCipherBlockSize - 1));
  const Bytes first = ReferenceMasks(kPassword, 2);
  PositionCipher cipher;
  cipher.SetPassword(kPassword, 0);

  const Bytes below = Transformed(cipher, kLimit - 3, 6);
  EXPECT_EQ(below, Bytes({last_block[4093], last_block[4094], last_block[4095], 0, 0, 0}));
  EXPECT_EQ(Transformed(cipher, kLimit, 4), Bytes(4, 0));
  EXPECT_EQ(Transformed(cipher, kMax - 1, 2), Bytes(2, 0));
  EXPECT_EQ(Transformed(cipher, kMax, 1), Bytes(1, 0));
  EXPECT_EQ(Transformed(cipher, kMin, 8), Bytes(8, 0));
  EXPECT_EQ(Transformed(cipher, -2, 4), Bytes({0, 0, first[0], first[1]}));
}

// Threads with objects of their own, and one object used by all, under one
// password: every result still matches the reference.
TEST(PositionCipherTest, ConcurrentUse) {
  constexpr std::string_view kPassword = "threads";
  constexpr size_t kSize = 96 * kCipherBlockSize;
  const Bytes masks = ReferenceMasks(kPassword, kSize);
  PositionCipher shared;
  shared.SetPassword(kPassword, 0);
  std::atomic<int> wrong{0};

  std::vector<std::thread> threads;
  for (unsigned t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      PositionCipher own;
      own.SetPassword(kPassword, 0);
      std::mt19937 random(t);
      for (int round = 0; round < 300; ++round) {
        const size_t position = random() % kSize;
        const size_t count = std::min(size_t(random() % 3000), kSize - position);
        const PositionCipher& cipher = round % 2 ? own : shared;
        if (Transformed(cipher, int64_t(position), count) != Expected(masks, 0, position, count)) {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

// Keys of a password pushed out of the recently used ones still serve the
// objects holding them, and the password used again gets the same masks.
TEST(PositionCipherTest, KeysOutliveTheRecentPasswords) {
  constexpr std::string_view kPassword = "kept";
  const Bytes masks = ReferenceMasks(kPassword, 9000);
  PositionCipher early;
  early.SetPassword(kPassword, 0);
  EXPECT_EQ(Transformed(early, 0, 4500), Expected(masks, 0, 0, 4500));

  for (int k = 0; k < 20; ++k) {
    PositionCipher other;
    other.SetPassword("other " + std::to_string(k), 0);
    (void)Transformed(other, 0, 5000);
  }
  EXPECT_EQ(Transformed(early, 4000, 5000), Expected(masks, 0, 4000, 5000));
  PositionCipher later;
  later.SetPassword(kPassword, 0);
  EXPECT_EQ(Transformed(later, 100, 8900), Expected(masks, 0, 100, 8900));
}

}  // namespace
}  // namespace inicrypt
