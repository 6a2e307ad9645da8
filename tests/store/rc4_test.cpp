#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "store/cipher.h"
#include "store/rc4_lanes.h"

namespace inicrypt {
namespace {

std::vector<uint8_t> FromHex(std::string_view hex) {
  std::vector<uint8_t> out;
  for (size_t k = 0; k + 1 < hex.size(); k += 2) {
    out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(k, 2)), nullptr, 16)));
  }
  return out;
}

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

KeystreamState Scheduled(const std::vector<uint8_t>& key) {
  KeystreamState state;
  KeySchedule(key.data(), key.size(), state);
  return state;
}

struct KeystreamCase {
  const char* key;
  size_t offset;
  const char* keystream;
};

// RFC 6229 keystreams; each is reached both by skipping to the offset and by
// producing every byte before it in uneven pieces.
TEST(Rc4Test, PublishedKeystreams) {
  const KeystreamCase cases[] = {
      {"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
      {"0102030405", 16, "6982944f18fc82d589c403a47a0d0919"},
      {"0102030405", 240, "28cb1132c96ce286421dcaadb8b69eae"},
      {"0102030405", 1520, "3294f744d8f9790507e70f62e5bbceea"},
      {"0102030405", 4096, "ff25b58995996707e51fbdf08b34d875"},
      {"833222772a", 0, "80ad97bdc973df8a2e879e92a497efda"},
      {"833222772a", 16, "20f060c2f2e5126501d3d4fea10d5fc0"},
      {"0102030405060708090a0b0c0d0e0f10", 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
      {"0102030405060708090a0b0c0d0e0f10", 16, "5248c4959014126a6e8a84f11d1a9e1c"},
  };
  for (const KeystreamCase& c : cases) {
    const std::vector<uint8_t> expected = FromHex(c.keystream);

    KeystreamState skipped = Scheduled(FromHex(c.key));
    SkipKeystream(c.offset, skipped);
    std::vector<uint8_t> one_shot(expected.size(), 0);
    XorKeystream(one_shot.data(), one_shot.size(), skipped);
    EXPECT_EQ(one_shot, expected) << c.key << " at " << c.offset;

    KeystreamState streamed = Scheduled(FromHex(c.key));
    std::vector<uint8_t> all(c.offset + expected.size(), 0);
    for (size_t done = 0, piece = 1; done < all.size(); done += piece, piece = piece * 3 % 17 + 1) {
      piece = std::min(piece, all.size() - done);
      XorKeystream(all.data() + done, piece, streamed);
    }
    EXPECT_EQ(std::vector<uint8_t>(all.begin() + c.offset, all.end()), expected)
        << c.key << " at " << c.offset << ", streamed";
  }
}

TEST(Rc4Test, EnciphersText) {
  struct {
    const char* key;
    const char* plain;
    const char* cipher;
  } const cases[] = {
      {"Key", "Plaintext", "bbf316e8d940af0ad3"},
      {"Wiki", "pedia", "1021bf0420"},
      {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
  };
  for (const auto& c : cases) {
    KeystreamState state = Scheduled(Bytes(c.key));
    std::vector<uint8_t> bytes = Bytes(c.plain);
    XorKeystream(bytes.data(), bytes.size(), state);
    EXPECT_EQ(bytes, FromHex(c.cipher)) << c.key;
  }
}

TEST(Rc4Test, ScheduleStartsIndicesAtZeroAndUsesOnly256KeyBytes) {
  std::vector<uint8_t> key(300);
  for (size_t k = 0; k < key.size(); ++k) key[k] = static_cast<uint8_t>(k * 7 + 1);
  KeystreamState full = Scheduled(key);
  EXPECT_EQ(full.i, 0);
  EXPECT_EQ(full.j, 0);

  std::vector<uint8_t> first256(key.begin(), key.begin() + 256);
  KeystreamState cut = Scheduled(first256);
  EXPECT_EQ(std::vector<uint8_t>(full.s, full.s + 256), std::vector<uint8_t>(cut.s, cut.s + 256));
}

TEST(Rc4Test, EmptyKeyLeavesIdentity) {
  KeystreamState state;
  state.i = state.j = 9;
  KeySchedule(nullptr, 0, state);
  for (int k = 0; k < 256; ++k) ASSERT_EQ(state.s[k], k);
  EXPECT_EQ(state.i, 0);
  EXPECT_EQ(state.j, 0);
}

// Keys stepped together give each key's own keystream, whatever the number of
// keys, the key length, the bytes dropped and the length (whole words of 8
// and a tail), and the bytes under each key are XORed, not overwritten.
TEST(Rc4Test, LanesMatchOneKeyAtATime) {
  const struct {
    size_t key_length, lead, length;
  } cases[] = {
      {40, 36, 4096}, {1, 0, 0}, {5, 0, 7}, {16, 1, 8}, {300, 37, 4099}, {3, 255, 61},
  };
  for (const auto& c : cases) {
    for (size_t count = 1; count <= kRc4Lanes; ++count) {
      std::vector<std::vector<uint8_t>> keys(count), out(count), expected(count);
      const uint8_t* key_of[kRc4Lanes];
      uint8_t* out_of[kRc4Lanes];
      for (size_t l = 0; l < count; ++l) {
        keys[l].resize(c.key_length);
        for (size_t k = 0; k < c.key_length; ++k)
          keys[l][k] = static_cast<uint8_t>(k * 31 + l * 7 + 3);
        out[l].resize(c.length);
        for (size_t k = 0; k < c.length; ++k) out[l][k] = static_cast<uint8_t>(k + l);
        expected[l] = out[l];
        KeystreamState state = Scheduled(keys[l]);
        SkipKeystream(c.lead, state);
        XorKeystream(expected[l].data(), c.length, state);
        key_of[l] = keys[l].data();
        out_of[l] = out[l].data();
      }
      const std::vector<std::vector<uint8_t>> plain = out;
      XorKeystreamLanes(key_of, c.key_length, count, c.lead, out_of, c.length);
      EXPECT_EQ(out, expected) << count << " keys of " << c.key_length << " bytes, " << c.lead
                               << " dropped, " << c.length << " long";
      out = plain;
      for (size_t l = 0; l < count; ++l) out_of[l] = out[l].data();
      XorKeystreamLanesPortable(key_of, c.key_length, count, c.lead, out_of, c.length);
      EXPECT_EQ(out, expected) << count << " keys of " << c.key_length << " bytes, " << c.lead
                               << " dropped, " << c.length << " long, portable";
    }
  }
}

}  // namespace
}  // namespace inicrypt
