// The profile service on a plain INI file of 10,000 pairs (100 sections of
// 100 keys, about 260 KB): every call reads and scans the file afresh.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "profile/values.h"

namespace inicrypt {
namespace {

constexpr int kSections = 100;
constexpr int kKeysPerSection = 100;

// Two decimal digits of 0 <= n < 100.
std::string Two(int n) {
  return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}
std::string SectionName(int s) { return ConcatTexts("section", Two(s)); }
std::string KeyName(int s, int k) { return ConcatTexts("key", Two(s), Two(k)); }
std::string Value(int s, int k) { return ConcatTexts("value ", Two(s), ".", Two(k), " abcd"); }

// A folder of its own under the temporary folder, removed at the end.
class BenchFolder {
 public:
  BenchFolder() {
    std::random_device device;
    path_ = std::filesystem::temp_directory_path() /
            ConcatTexts("profile_bench_", std::to_string(device()));
    std::filesystem::create_directory(path_);
  }
  ~BenchFolder() { std::filesystem::remove_all(path_); }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string PlainIni() {
  std::string text;
  for (int s = 0; s < kSections; ++s) {
    text += ConcatTexts("[", SectionName(s), "]\r\n");
    for (int k = 0; k < kKeysPerSection; ++k) {
      text += ConcatTexts(KeyName(s, k), "=", Value(s, k), "\r\n");
    }
  }
  return text;
}

// 10,000 reads, one per distinct key, in file order.
void BM_ReadEveryKey(benchmark::State& state) {
  BenchFolder folder;
  const std::string path = folder.Path("plain.ini");
  const std::string text = PlainIni();
  std::ofstream(path, std::ios::binary) << text;
  for (auto _ : state) {
    for (int s = 0; s < kSections; ++s) {
      const std::string section = SectionName(s);
      for (int k = 0; k < kKeysPerSection; ++k) {
        Text value = ReadProfileValue(path, section, KeyName(s, k));
        if (value.empty()) state.SkipWithError("a value is missing");
        benchmark::DoNotOptimize(value);
      }
    }
  }
  state.counters["file_bytes"] = static_cast<double>(text.size());
  state.SetItemsProcessed(state.iterations() * kSections * kKeysPerSection);
}
BENCHMARK(BM_ReadEveryKey)->Unit(benchmark::kMillisecond)->Iterations(3);

// Writing a file pair by pair, as a decrypt job does: n pairs in 10 sections,
// each call rewriting the whole file through a synced temporary file.
void BM_WritePairByPair(benchmark::State& state) {
  const int pairs = static_cast<int>(state.range(0));
  BenchFolder folder;
  const std::string path = folder.Path("out.ini");
  for (auto _ : state) {
    std::filesystem::remove(path);
    for (int i = 0; i < pairs; ++i) {
      const std::string number = std::to_string(i);
      const std::string section = SectionName(i * 10 / pairs);
      if (!WriteProfileValue(path, section, ConcatTexts("key", number),
                             ConcatTexts("value ", number, " abcd"))) {
        state.SkipWithError("a write failed");
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * pairs);
}
BENCHMARK(BM_WritePairByPair)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace inicrypt
