#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "store/cipher.h"

namespace inicrypt {
namespace {

constexpr int64_t kLarge = int64_t{64} << 20;
constexpr char kPassword[] = "73580647";

std::vector<uint8_t>& LargeBuffer() {
  static std::vector<uint8_t> buffer(size_t(kLarge), 0x5a);
  return buffer;
}

// Plain RC4 over 64 MiB: the speed the cipher is measured against.
void BM_RawRc4(benchmark::State& state) {
  std::vector<uint8_t>& buffer = LargeBuffer();
  KeystreamState keys;
  KeySchedule(reinterpret_cast<const uint8_t*>(kPassword), sizeof kPassword - 1, keys);
  for (auto _ : state) {
    XorKeystream(buffer.data(), buffer.size(), keys);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kLarge);
}
BENCHMARK(BM_RawRc4)->Unit(benchmark::kMillisecond)->UseRealTime();

// 64 MiB in one call, with at most range(0) threads (0: one per core).
// Timed by the clock on the wall, since the work runs on several threads;
// the CPU time is that of the whole process, all threads together.
void BM_TransformWhole(benchmark::State& state) {
  std::vector<uint8_t>& buffer = LargeBuffer();
  PositionCipher cipher;
  cipher.SetPassword(kPassword, 0);
  cipher.set_thread_limit(unsigned(state.range(0)));
  cipher.TransformAt(0, buffer.data(), buffer.size());  // the nonces drawn once
  for (auto _ : state) {
    cipher.TransformAt(0, buffer.data(), buffer.size());
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kLarge);
}
BENCHMARK(BM_TransformWhole)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Without anything kept between calls: from the password's state, skip to
// the first nonce, draw the nonces, then per block a key schedule and a skip
// to the offset. The cost the cipher must stay below.
void TransformUncached(const KeystreamState& base, const PasswordDigest& digest, int64_t position,
                       uint8_t* bytes, size_t count) {
  KeystreamState state = base;
  auto block = static_cast<uint32_t>(position / kCipherBlockSize);
  auto offset = static_cast<size_t>(position % kCipherBlockSize);
  SkipKeystream(size_t{4} * block, state);
  std::vector<uint8_t> nonces(4 * (count / kCipherBlockSize) + 8, 0);
  XorKeystream(nonces.data(), nonces.size(), state);
  for (size_t k = 0; count > 0; ++k, ++block, offset = 0) {
    uint8_t key[40];
    std::memcpy(key, &nonces[4 * k], 4);  // little-endian host
    std::memcpy(key + 4, digest.data(), 32);
    uint32_t nonce;
    std::memcpy(&nonce, key, 4);
    const uint32_t tail = block ^ nonce;
    std::memcpy(key + 36, &tail, 4);
    KeySchedule(key, sizeof key, state);
    SkipKeystream(36 + offset, state);
    const size_t piece = std::min(count, kCipherBlockSize - offset);
    XorKeystream(bytes, piece, state);
    bytes += piece;
    count -= piece;
  }
}

std::vector<size_t> RandomPositions(size_t region, size_t count) {
  std::mt19937 random(1);
  std::vector<size_t> positions(1 << 16);
  for (size_t& position : positions) position = random() % (region - count);
  return positions;
}

// 512-byte calls at random positions within the first range(0) bytes.
void BM_TransformRandom512(benchmark::State& state) {
  std::vector<uint8_t>& buffer = LargeBuffer();
  const std::vector<size_t> positions = RandomPositions(size_t(state.range(0)), 512);
  PositionCipher cipher;
  cipher.SetPassword(kPassword, 0);
  size_t next = 0;
  for (auto _ : state) {
    const size_t position = positions[next++ % positions.size()];
    cipher.TransformAt(int64_t(position), buffer.data() + position, 512);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 512);
}
BENCHMARK(BM_TransformRandom512)->Arg(kLarge)->Arg(256 << 10);

void BM_UncachedRandom512(benchmark::State& state) {
  std::vector<uint8_t>& buffer = LargeBuffer();
  const std::vector<size_t> positions = RandomPositions(size_t(state.range(0)), 512);
  const auto* password = reinterpret_cast<const uint8_t*>(kPassword);
  KeystreamState base;
  KeySchedule(password, sizeof kPassword - 1, base);
  const PasswordDigest digest = MakePasswordDigest(password, sizeof kPassword - 1);
  size_t next = 0;
  for (auto _ : state) {
    const size_t position = positions[next++ % positions.size()];
    TransformUncached(base, digest, int64_t(position), buffer.data() + position, 512);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 512);
}
BENCHMARK(BM_UncachedRandom512)->Arg(kLarge)->Arg(256 << 10);

// One INI call on a small file: a fresh object, the password set, and the
// file read line by line (512-byte reads, each starting at the end of the
// previous 40-byte line). Reported per byte of the file.
void BM_ReadSmallFileLineByLine(benchmark::State& state) {
  const auto size = size_t(state.range(0));
  std::vector<uint8_t> chunk(512);
  for (auto _ : state) {
    PositionCipher cipher;
    cipher.SetPassword(kPassword, 0);
    for (size_t position = 0; position < size; position += 40) {
      const size_t count = std::min(chunk.size(), size - position);
      cipher.TransformAt(int64_t(position), chunk.data(), count);
      benchmark::DoNotOptimize(chunk.data());
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}
BENCHMARK(BM_ReadSmallFileLineByLine)->Arg(2048)->Arg(64 << 10);

}  // namespace
}  // namespace inicrypt
