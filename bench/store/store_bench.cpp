// The store's line operations on INI-like files of 1 MiB.
//
// Scan: open, read every line, close: with the numbered loop (IsAtEnd(file, 1)
// then ReadLine), or reusing one line with store::ReadLine, which is what the
// INI layer does on every call.
// Edit: insert a line near the start and delete it again: two shifts of the
// whole rest of the file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "store/file_store.h"
#include "store/lines.h"

namespace inicrypt {
namespace {

constexpr size_t kFileSize = 1 << 20;
constexpr const char* kPassword = "73580647";

// Sections of 100 keys with values of varied length, CR LF line ends.
std::string MakeIni(size_t size) {
  std::mt19937 random(1);
  std::uniform_int_distribution<int> value_length(1, 40);
  std::string text;
  for (int section = 0; text.size() < size; ++section) {
    text += "[section" + std::to_string(section) + "]\r\n";
    for (int key = 0; key < 100 && text.size() < size; ++key) {
      text += "key" + std::to_string(key) + "=" + std::string(value_length(random), 'v') + "\r\n";
    }
  }
  return text;
}

// A file written through the store, removed at the end of the benchmark.
class BenchFile {
 public:
  BenchFile(const char* password, size_t size) {
    path_ = (std::filesystem::temp_directory_path() /
             ("inicrypt-store-bench-" + std::to_string(std::random_device()()) + ".ini"))
                .string();
    const std::string text = MakeIni(size);
    const FileNumber file = OpenFile(path_, CreateWrite, ShareAll, password);
    if (file == 0 || !store::Write(file, text.data(), static_cast<int32_t>(text.size())).ok()) {
      std::fprintf(stderr, "cannot write %s\n", path_.c_str());
    }
    CloseFile(file);
    size_ = text.size();
  }
  ~BenchFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  const std::string& path() const { return path_; }
  size_t size() const { return size_; }

 private:
  std::string path_;
  size_t size_ = 0;
};

void Scan(benchmark::State& state, const char* password, bool reuse_line) {
  const BenchFile bench_file(password, kFileSize);
  size_t lines = 0;
  for (auto _ : state) {
    const FileNumber file = OpenFile(bench_file.path(), OpenRead, ShareAll, password);
    Text line;
    lines = 0;
    if (reuse_line) {
      while (store::ReadLine(file, &line).found()) {
        benchmark::DoNotOptimize(line.data());
        ++lines;
      }
    } else {
      while (!IsAtEnd(file, 1)) {
        line = ReadLine(file);
        benchmark::DoNotOptimize(line.data());
        ++lines;
      }
    }
    CloseFile(file);
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench_file.size()));
}

void BM_ScanEnciphered(benchmark::State& state) { Scan(state, kPassword, false); }
void BM_ScanEncipheredReusingTheLine(benchmark::State& state) { Scan(state, kPassword, true); }
void BM_ScanPlain(benchmark::State& state) { Scan(state, "", false); }
void BM_ScanPlainReusingTheLine(benchmark::State& state) { Scan(state, "", true); }

void BM_InsertAndDeleteNearTheStart(benchmark::State& state) {
  const BenchFile bench_file(kPassword, kFileSize);
  const FileNumber file = OpenFile(bench_file.path(), OpenReadWrite, ShareAll, kPassword);
  for (auto _ : state) {
    bool ok = Seek(file, 20) && InsertLine(file, "inserted=1") && Seek(file, 20) &&
              DeleteData(file, 12);
    if (!ok) state.SkipWithError("edit failed");
  }
  CloseFile(file);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * bench_file.size()));
}

BENCHMARK(BM_ScanEnciphered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanEncipheredReusingTheLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanPlainReusingTheLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertAndDeleteNearTheStart)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace inicrypt
