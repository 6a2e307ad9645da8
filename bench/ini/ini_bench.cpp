// The INI operations on a configuration of 10,000 pairs (100 sections of 100
// keys, about 250 KB), enciphered, in the shapes the jobs use them: the
// encrypt job writes every pair with WriteValue in source order, the decrypt
// job lists the sections and keys and reads every value with ReadValue.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "base/text.h"
#include "ini/ini.h"
#include "store/file_store.h"
#include "store/lines.h"

namespace inicrypt {
namespace {

constexpr int kSections = 100;
constexpr int kKeysPerSection = 100;
constexpr char kPassword[] = "73580647";

std::string Number(int n, int digits) {
  std::string text = std::to_string(n);
  return std::string(static_cast<size_t>(digits) - text.size(), '0') + text;
}
// "section042", "key0420099=value0420099": 25 bytes a line with its CR LF.
std::string SectionName(int s) { return "section" + Number(s, 3); }
std::string KeyName(int s, int k) { return "key" + Number(s, 3) + Number(k, 4); }
std::string ValueOf(int s, int k) { return "value" + Number(s, 3) + Number(k, 4); }

// A file in a fresh temporary folder, removed afterwards.
class TempFile {
 public:
  TempFile() {
    std::random_device random;
    folder_ =
        std::filesystem::temp_directory_path() / ("inicrypt-bench-" + std::to_string(random()));
    std::filesystem::create_directory(folder_);
  }
  ~TempFile() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  Text Path() const { return (folder_ / "config.ini").string(); }
  void Remove() const { std::filesystem::remove(folder_ / "config.ini"); }
  uintmax_t Bytes() const { return std::filesystem::file_size(folder_ / "config.ini"); }
  double Kilobytes() const { return static_cast<double>(Bytes()) / 1000; }

 private:
  std::filesystem::path folder_;
};

bool WriteAll(const Text& target) {
  for (int s = 0; s < kSections; ++s) {
    for (int k = 0; k < kKeysPerSection; ++k) {
      if (!WriteValue(target, kPassword, SectionName(s), KeyName(s, k), ValueOf(s, k))) return false;
    }
  }
  return true;
}

// Every header line and every key line, each with its CR LF.
constexpr uintmax_t kExpectedBytes =
    kSections * (sizeof("[section000]\r\n") - 1 +
                 kKeysPerSection * (sizeof("key0000000=value0000000\r\n") - 1));

void BM_EncryptJobWrites(benchmark::State& state) {
  TempFile file;
  for (auto _ : state) {
    state.PauseTiming();
    file.Remove();
    state.ResumeTiming();
    if (!WriteAll(file.Path())) state.SkipWithError("WriteValue failed");
  }
  if (file.Bytes() != kExpectedBytes) state.SkipWithError("unexpected file size");
  state.counters["file_KB"] = file.Kilobytes();
  state.counters["calls"] = kSections * kKeysPerSection;
}
BENCHMARK(BM_EncryptJobWrites)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DecryptJobReads(benchmark::State& state) {
  TempFile file;
  if (!WriteAll(file.Path())) state.SkipWithError("WriteValue failed");
  for (auto _ : state) {
    const Text path = file.Path();
    TextList sections;
    TextList keys;
    if (!ListSections(path, kPassword, sections)) state.SkipWithError("ListSections failed");
    for (const Text& section : sections) {
      if (!ListKeys(path, kPassword, section, keys)) state.SkipWithError("ListKeys failed");
      for (const Text& key : keys)
        benchmark::DoNotOptimize(ReadValue(path, kPassword, section, key));
    }
  }
  state.counters["file_KB"] = file.Kilobytes();
}
BENCHMARK(BM_DecryptJobReads)->Unit(benchmark::kMillisecond)->Iterations(3);

// One scan of the whole file: the lookup of a key in the last section.
void BM_ReadLastValue(benchmark::State& state) {
  TempFile file;
  if (!WriteAll(file.Path())) state.SkipWithError("WriteValue failed");
  const std::string section = SectionName(kSections - 1);
  const std::string key = KeyName(kSections - 1, kKeysPerSection - 1);
  for (auto _ : state) {
    const Text path = file.Path();
    benchmark::DoNotOptimize(ReadValue(path, kPassword, section, key));
  }
}
BENCHMARK(BM_ReadLastValue)->Unit(benchmark::kMicrosecond);

// The same scan with the store's line loop alone: what every INI call pays
// before it looks at a line.
void BM_StoreLineLoop(benchmark::State& state) {
  TempFile file;
  if (!WriteAll(file.Path())) state.SkipWithError("WriteValue failed");
  for (auto _ : state) {
    const FileNumber f = OpenFile(file.Path(), OpenRead, ShareAll, kPassword);
    while (!IsAtEnd(f, 1)) benchmark::DoNotOptimize(ReadLine(f));
    CloseFile(f);
  }
}
BENCHMARK(BM_StoreLineLoop)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace inicrypt
