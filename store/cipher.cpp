#include "store/cipher.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "store/md5.h"
#include "store/rc4_lanes.h"

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
// A thread of its own pays off from this many whole blocks (256 KiB) on.
constexpr size_t kBlocksPerThread = 64;
// Threads of one transform, whatever was asked for.
constexpr unsigned kMostThreads = 64;

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

constexpr size_t kBlockKeySize = 40;

// A block's key: its nonce, the password digest, the block index XOR nonce.
void MakeBlockKey(uint32_t block, uint32_t nonce, const PasswordDigest& digest, uint8_t* key) {
  StoreLe32(key, nonce);
  std::memcpy(key + 4, digest.data(), 32);
  StoreLe32(key + 36, block ^ nonce);
}

// The keystream of a block's key, positioned at the block's first mask.
KeystreamState BlockKeystream(uint32_t block, uint32_t nonce, const PasswordDigest& digest) {
  uint8_t key[kBlockKeySize];
  MakeBlockKey(block, nonce, digest, key);
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
  // XORs count whole blocks from block first on with their masks. Blocks
  // not kept are made several at a time; with keep, they are kept as well.
  void ApplyBlocks(uint32_t first, size_t count, uint8_t* bytes, bool keep);
  // Makes sure the nonces of blocks up to last are drawn.
  void DrawNonces(uint32_t last);

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

void PositionCipher::Keys::ApplyBlocks(uint32_t first, size_t count, uint8_t* bytes, bool keep) {
  while (count > 0) {
    const size_t group = std::min(count, kRc4Lanes);
    SharedMasks held[kRc4Lanes];
    uint32_t nonce[kRc4Lanes] = {};
    {
      std::lock_guard lock(mutex);
      for (size_t k = 0; k < group; ++k) {
        held[k] = cache.Find(first + static_cast<uint32_t>(k));
        if (!held[k] || held[k]->length < kBlockSize) {
          held[k].reset();
          nonce[k] = nonces.Get(first + static_cast<uint32_t>(k));
        }
      }
    }

    // The blocks not kept whole go through the lanes together, into the
    // bytes themselves or, to be kept, into fresh masks.
    uint8_t keys[kRc4Lanes][kBlockKeySize];
    const uint8_t* key_of[kRc4Lanes];
    uint8_t* out[kRc4Lanes];
    std::shared_ptr<BlockMasks> made[kRc4Lanes];
    size_t lanes = 0;
    for (size_t k = 0; k < group; ++k) {
      uint8_t* block_bytes = bytes + k * kBlockSize;
      if (held[k]) {
        XorBytes(block_bytes, held[k]->mask, kBlockSize);
        continue;
      }
      const uint32_t block = first + static_cast<uint32_t>(k);
      MakeBlockKey(block, nonce[k], digest, keys[lanes]);
      key_of[lanes] = keys[lanes];
      out[lanes] = block_bytes;
      if (keep) {
        made[lanes] = std::make_shared_for_overwrite<BlockMasks>();
        made[lanes]->block = block;
        made[lanes]->length = kBlockSize;
        std::memset(&made[lanes]->state, 0, sizeof made[lanes]->state);  // never gone on from
        std::memset(made[lanes]->mask, 0, kBlockSize);
        out[lanes] = made[lanes]->mask;
      }
      ++lanes;
    }
    XorKeystreamLanes(key_of, kBlockKeySize, lanes, kMaskLead, out, kBlockSize);
    if (keep && lanes > 0) {
      for (size_t k = 0; k < lanes; ++k) {
        XorBytes(bytes + (made[k]->block - first) * size_t{kBlockSize}, made[k]->mask, kBlockSize);
      }
      SharedMasks released[kRc4Lanes];  // destroyed after the lock is let go
      std::lock_guard lock(mutex);
      for (size_t k = 0; k < lanes; ++k) released[k] = cache.Keep(std::move(made[k]));
    }

    first += static_cast<uint32_t>(group);
    bytes += group * kBlockSize;
    count -= group;
  }
}

void PositionCipher::Keys::DrawNonces(uint32_t last) {
  std::lock_guard lock(mutex);
  (void)nonces.Get(last);
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

void PositionCipher::TransformAt(int64_t position, uint8_t* bytes, size_t count) const {
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

  // The first block's bytes from an offset inside it, or all of a short range.
  const auto offset = static_cast<size_t>(position % kCipherBlockSize);
  if (offset != 0 || count < kBlockSize) {
    const size_t piece = std::min(count, kBlockSize - offset);
    keys_->Apply(static_cast<uint32_t>(position / kCipherBlockSize), offset, bytes, piece);
    bytes += piece;
    count -= piece;
    position += static_cast<int64_t>(piece);
  }
  if (count == 0) return;

  // Whole blocks, then what is left of the last one.
  const auto first = static_cast<uint32_t>(position / kCipherBlockSize);
  const size_t whole = count / kBlockSize;
  const size_t rest = count % kBlockSize;
  // A call over more whole blocks than the cache holds would only push its
  // own blocks out again: they are made in place, not kept.
  const bool keep = whole <= kCachedBlocks;
  const unsigned threads = keep ? 1 : ThreadsFor(whole);
  if (threads > 1) {
    ApplyBlocksInThreads(first, whole, bytes, threads);
  } else {
    keys_->ApplyBlocks(first, whole, bytes, keep);
  }
  if (rest > 0) {
    keys_->Apply(first + static_cast<uint32_t>(whole), 0, bytes + whole * kBlockSize, rest);
  }
}

unsigned PositionCipher::ThreadsFor(size_t blocks) const {
  static const unsigned cores = std::max(std::thread::hardware_concurrency(), 1u);
  const unsigned wanted = thread_limit_ != 0 ? thread_limit_ : cores;
  return static_cast<unsigned>(std::min(
      {size_t{wanted}, size_t{kMostThreads}, std::max(blocks / kBlocksPerThread, size_t{1})}));
}

void PositionCipher::ApplyBlocksInThreads(uint32_t first, size_t count, uint8_t* bytes,
                                          unsigned threads) const {
  // Drawn beforehand, the nonces need no memory of the workers, which then
  // cannot fail.
  keys_->DrawNonces(first + static_cast<uint32_t>(count - 1));

  // Equal shares, whole groups of lanes each; the calling thread takes the
  // first and whatever no thread could be started for.
  const size_t groups = (count + kRc4Lanes - 1) / kRc4Lanes;
  auto share_start = [&](unsigned t) { return std::min(count, groups * t / threads * kRc4Lanes); };
  std::vector<std::thread> workers;
  struct Joiner {  // the workers end before their bytes go, whatever happens
    std::vector<std::thread>& workers;
    ~Joiner() {
      for (std::thread& worker : workers) worker.join();
    }
  } joiner{workers};
  unsigned started = 1;
  try {
    workers.reserve(threads - 1);
    for (; started < threads; ++started) {
      const size_t from = share_start(started);
      const size_t to = share_start(started + 1);
      Keys* keys = keys_.get();
      workers.emplace_back([keys, first, from, to, bytes] {
        keys->ApplyBlocks(first + static_cast<uint32_t>(from), to - from, bytes + from * kBlockSize,
                          false);
      });
    }
  } catch (const std::system_error&) {
  } catch (const std::bad_alloc&) {
  }
  keys_->ApplyBlocks(first, share_start(1), bytes, false);
  const size_t left = share_start(started);
  keys_->ApplyBlocks(first + static_cast<uint32_t>(left), count - left, bytes + left * kBlockSize,
                     false);
}

}  // namespace inicrypt
