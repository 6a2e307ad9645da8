#include "store/cipher.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "store/md5.h"

namespace inicrypt {
namespace {

constexpr size_t kBlockSize = kCipherBlockSize;
// Keystream bytes of a block key dropped before the block's first mask.
constexpr size_t kMaskLead = 36;
constexpr uint32_t kBlockLimit = static_cast<uint32_t>(kCipherPositionLimit / kCipherBlockSize);
// Per password: masks of up to 64 blocks (256 KiB).
constexpr size_t kCachedBlocks = 64;
// Passwords whose keys outlive their last cipher.
constexpr size_t kRememberedPasswords = 4;

// One RC4 step; returns the next keystream byte.
inline uint8_t NextKeystreamByte(uint8_t* s, unsigned& i, unsigned& j) {
  i = (i + 1) & 0xff;
  const uint8_t si = s[i];
  j = (j + si) & 0xff;
  const uint8_t sj = s[j];
  s[i] = sj;
  s[j] = si;
  return s[(si + sj) & 0xff];
}

// Stores the next count keystream bytes at out.
void WriteKeystream(uint8_t* out, size_t count, KeystreamState& state) {
  std::memset(out, 0, count);
  XorKeystream(out, count, state);
}

// bytes[k] ^= mask[k], a word at a time.
void XorBytes(uint8_t* bytes, const uint8_t* mask, size_t count) {
  size_t k = 0;
  for (; k + 8 <= count; k += 8) {
    uint64_t word, key;
    std::memcpy(&word, bytes + k, 8);
    std::memcpy(&key, mask + k, 8);
    word ^= key;
    std::memcpy(bytes + k, &word, 8);
  }
  for (; k < count; ++k) bytes[k] ^= mask[k];
}

void StoreLe32(uint8_t* out, uint32_t value) {
  for (int k = 0; k < 4; ++k) out[k] = static_cast<uint8_t>(value >> (8 * k));
}

// The keystream of a block's key, positioned at the block's first mask.
KeystreamState BlockKeystream(uint32_t block, uint32_t nonce, const PasswordDigest& digest) {
  uint8_t key[40];
  StoreLe32(key, nonce);
  std::memcpy(key + 4, digest.data(), 32);
  StoreLe32(key + 36, block ^ nonce);
  KeystreamState state;
  KeySchedule(key, sizeof key, state);
  SkipKeystream(kMaskLead, state);
  return state;
}

// The nonces of blocks 0, 1, 2 ..., drawn from the password's keystream as
// far as they have been needed.
class NonceTable {
 public:
  explicit NonceTable(const KeystreamState& base) : state_(base) {}

  // block < kBlockLimit.
  uint32_t Get(uint32_t block) {
    if (block >= nonces_.size()) Grow(block);
    return nonces_[block];
  }

 private:
  // Doubles the table at least, so a file read from its start costs one
  // pass over the password's keystream in all.
  void Grow(uint32_t block) {
    size_t size = std::max({size_t{block} + 1, nonces_.size() * 2, size_t{64}});
    size = std::min(size, size_t{kBlockLimit});
    nonces_.reserve(size);
    while (nonces_.size() < size) {
      uint8_t word[4];
      WriteKeystream(word, 4, state_);
      nonces_.push_back(uint32_t{word[0]} | uint32_t{word[1]} << 8 | uint32_t{word[2]} << 16 |
                        uint32_t{word[3]} << 24);
    }
  }

  KeystreamState state_;  // the password's keystream, after the nonces held
  std::vector<uint32_t> nonces_;
};

// The masks of offsets 0 .. length - 1 of one block, and the block's
// keystream after them, to go on from. Never changed once shared.
struct BlockMasks {
  uint32_t block = 0;
  size_t length = 0;
  KeystreamState state;
  uint8_t mask[kBlockSize];
};
using SharedMasks = std::shared_ptr<const BlockMasks>;

// The masks of recently used blocks; the least recently used go first.
class MaskCache {
 public:
  SharedMasks Find(uint32_t block) {
    for (Slot& slot : slots_) {
      if (slot.block == block && slot.masks) {
        slot.used = ++clock_;
        return slot.masks;
      }
    }
    return nullptr;
  }

  // Keeps masks unless as many of its block are kept already; returns what
  // it pushed out, for the caller to release outside its lock.
  SharedMasks Keep(SharedMasks masks) {
    Slot* victim = &slots_[0];
    for (Slot& slot : slots_) {
      if (slot.block == masks->block && slot.masks) {
        slot.used = ++clock_;
        if (slot.masks->length >= masks->length) return masks;
        victim = &slot;
        break;
      }
      if (slot.used < victim->used) victim = &slot;
    }
    victim->used = ++clock_;
    victim->block = masks->block;
    std::swap(victim->masks, masks);
    return masks;
  }

 private:
  struct Slot {
    uint32_t block = 0;  // of masks, kept beside them for a quick search
    SharedMasks masks;
    uint64_t used = 0;  // 0: empty
  };
  Slot slots_[kCachedBlocks];
  uint64_t clock_ = 0;
};

}  // namespace

// ---- RC4 and the password digest ----

PasswordDigest MakePasswordDigest(const uint8_t* password, size_t count) {
  static constexpr char kHex[] = "0123456789abcdef";
  const Md5Digest md5 = Md5(password, count);
  PasswordDigest digest{};
  for (size_t k = 0; k < 16; ++k) {
    const uint8_t byte = md5[15 - k];
    digest[2 * k] = kHex[byte >> 4];
    digest[2 * k + 1] = kHex[byte & 0x0f];
  }
  return digest;
}

void KeySchedule(const uint8_t* key, size_t length, KeystreamState& state) {
  for (unsigned k = 0; k < 256; ++k) state.s[k] = static_cast<uint8_t>(k);
  state.i = 0;
  state.j = 0;
  if (length == 0) return;
  unsigned j = 0;
  size_t at = 0;  // k mod length
  for (unsigned k = 0; k < 256; ++k) {
    const uint8_t sk = state.s[k];
    j = (j + sk + key[at]) & 0xff;
    state.s[k] = state.s[j];
    state.s[j] = sk;
    if (++at == length) at = 0;
  }
}

void SkipKeystream(size_t count, KeystreamState& state) {
  unsigned i = state.i, j = state.j;
  for (size_t k = 0; k < count; ++k) NextKeystreamByte(state.s, i, j);
  state.i = static_cast<uint8_t>(i);
  state.j = static_cast<uint8_t>(j);
}

void XorKeystream(uint8_t* bytes, size_t count, KeystreamState& state) {
  unsigned i = state.i, j = state.j;
  size_t k = 0;
  for (; k + 8 <= count; k += 8) {
    uint64_t keys = 0;
    for (unsigned b = 0; b < 8; ++b) keys |= uint64_t{NextKeystreamByte(state.s, i, j)} << (8 * b);
    uint64_t word;
    std::memcpy(&word, bytes + k, 8);
    word ^= keys;  // little-endian order of the keystream bytes, as assembled
    std::memcpy(bytes + k, &word, 8);
  }
  for (; k < count; ++k) bytes[k] ^= NextKeystreamByte(state.s, i, j);
  state.i = static_cast<uint8_t>(i);
  state.j = static_cast<uint8_t>(j);
}

// ---- Keys shared per password ----

struct PositionCipher::Keys {
  Keys(const PasswordDigest& password_digest, const KeystreamState& base)
      : digest(password_digest), base_state(base), nonces(base) {}

  // XORs count bytes with the masks of offsets offset .. offset + count - 1
  // of the block; offset + count <= kBlockSize.
  void Apply(uint32_t block, size_t offset, uint8_t* bytes, size_t count);
  // XORs a whole block's bytes with its masks, made afresh unless kept.
  void ApplyWhole(uint32_t block, uint8_t* bytes);

  const PasswordDigest digest;
  const KeystreamState base_state;  // with the digest, tells passwords apart

  std::mutex mutex;
  NonceTable nonces;  // guarded by mutex
  MaskCache cache;    // guarded by mutex
};

void PositionCipher::Keys::Apply(uint32_t block, size_t offset, uint8_t* bytes, size_t count) {
  const size_t end = offset + count;
  SharedMasks held;
  uint32_t nonce = 0;
  {
    std::lock_guard lock(mutex);
    held = cache.Find(block);
    if (!held) nonce = nonces.Get(block);
  }
  if (held && held->length >= end) {
    XorBytes(bytes, held->mask + offset, count);
    return;
  }

  // Go on from the masks held, if any, outside the lock. The length at least
  // doubles, so a block read in many small pieces is copied only a few times.
  auto grown = std::make_shared_for_overwrite<BlockMasks>();
  grown->block = block;
  grown->length = 0;
  if (held) {
    grown->state = held->state;
    grown->length = held->length;
    std::memcpy(grown->mask, held->mask, held->length);
  } else {
    grown->state = BlockKeystream(block, nonce, digest);
  }
  const size_t length = std::min(kBlockSize, std::max(end, 2 * grown->length));
  WriteKeystream(grown->mask + grown->length, length - grown->length, grown->state);
  grown->length = length;
  XorBytes(bytes, grown->mask + offset, count);

  SharedMasks released;  // destroyed after the lock is let go
  std::lock_guard lock(mutex);
  released = cache.Keep(std::move(grown));
}

void PositionCipher::Keys::ApplyWhole(uint32_t block, uint8_t* bytes) {
  SharedMasks held;
  uint32_t nonce;
  {
    std::lock_guard lock(mutex);
    held = cache.Find(block);
    nonce = nonces.Get(block);
  }
  if (held && held->length == kBlockSize) {
    XorBytes(bytes, held->mask, kBlockSize);
    return;
  }
  KeystreamState state = BlockKeystream(block, nonce, digest);
  XorKeystream(bytes, kBlockSize, state);
}

std::shared_ptr<PositionCipher::Keys> PositionCipher::ShareKeys(const PasswordDigest& digest,
                                                                const KeystreamState& base) {
  // Never destroyed, so that ciphers living until the end of the run find it.
  static auto* const mutex = new std::mutex;
  static auto* const recent = new std::vector<std::shared_ptr<Keys>>;  // latest first

  std::shared_ptr<Keys> keys;
  std::shared_ptr<Keys> released;  // destroyed after the lock is let go
  std::lock_guard lock(*mutex);
  const auto found = std::find_if(recent->begin(), recent->end(), [&](const auto& held) {
    return held->digest == digest && std::memcmp(&held->base_state, &base, sizeof base) == 0;
  });
  if (found != recent->end()) {
    keys = *found;
    recent->erase(found);
  } else {
    keys = std::make_shared<Keys>(digest, base);
  }
  recent->insert(recent->begin(), keys);
  if (recent->size() > kRememberedPasswords) {
    released = std::move(recent->back());
    recent->pop_back();
  }
  return keys;
}

// ---- PositionCipher ----

PositionCipher::PositionCipher() = default;
PositionCipher::~PositionCipher() = default;

void PositionCipher::SetPassword(std::string_view password, int32_t prefix_length) {
  prefix_length_ = std::max(prefix_length, int32_t{0});
  keys_.reset();
  password = password.substr(0, password.find('\0'));
  if (password.empty()) return;
  const auto* bytes = reinterpret_cast<const uint8_t*>(password.data());
  KeystreamState base;
  KeySchedule(bytes, password.size(), base);
  keys_ = ShareKeys(MakePasswordDigest(bytes, password.size()), base);
}

const PasswordDigest& PositionCipher::digest() const {
  static const PasswordDigest kNoDigest{};
  return keys_ ? keys_->digest : kNoDigest;
}

void PositionCipher::TransformAt(int64_t position, uint8_t* bytes, size_t count,
                                 CipherDirection /*direction*/) const {
  if (!keys_) return;
  // Negative positions and the prefix stay plain. Unsigned arithmetic: the
  // distance from a very negative position does not fit a signed value.
  if (position < prefix_length_) {
    const uint64_t plain = uint64_t(prefix_length_) - uint64_t(position);
    if (count <= plain) return;
    const auto skipped = static_cast<size_t>(plain);  // below count
    bytes += skipped;
    count -= skipped;
    position = prefix_length_;
  }
  if (position >= kCipherPositionLimit) return;
  count = static_cast<size_t>(std::min(uint64_t{count}, uint64_t(kCipherPositionLimit - position)));

  // A call over more whole blocks than the cache holds would only push its
  // own blocks out again: its whole blocks are made in place, not kept.
  const bool in_place = count / kBlockSize > kCachedBlocks;
  while (count > 0) {
    const auto block = static_cast<uint32_t>(position / kCipherBlockSize);
    const auto offset = static_cast<size_t>(position % kCipherBlockSize);
    const size_t piece = std::min(count, kBlockSize - offset);
    if (in_place && piece == kBlockSize) {
      keys_->ApplyWhole(block, bytes);
    } else {
      keys_->Apply(block, offset, bytes, piece);
    }
    bytes += piece;
    count -= piece;
    position += static_cast<int64_t>(piece);
  }
}

}  // namespace inicrypt
