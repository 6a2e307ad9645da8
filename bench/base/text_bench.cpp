// The text operations as INI scanning uses them, over a block of typical
// configuration lines (ASCII keys, Chinese values, section headers).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "base/text.h"

namespace inicrypt {
namespace {

std::vector<Text> SampleLines(int count) {
  std::vector<Text> lines;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    if (i % 20 == 0) {
      lines.push_back("[section" + n + "]");
    } else {
      // "值" in the value, and a full-width space before it.
      lines.push_back("  key" + n + " = \xA1\xA1value\xD6\xB5" + n + "  ");
    }
  }
  return lines;
}

// The key-line rule: trim, find "=", split at "=", trim both sides.
void BM_KeyLines(benchmark::State& state) {
  const std::vector<Text> lines = SampleLines(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (const Text& line : lines) {
      const Text trimmed = TrimBothEnds(line);
      if (FindText(trimmed, "=") <= 0) continue;
      const TextList parts = SplitText(trimmed, "=");
      benchmark::DoNotOptimize(TrimBothEnds(parts.At(1)));
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_KeyLines)->Arg(1000)->Arg(10000);

// The section rule: first and last byte, brackets removed, upper case.
void BM_SectionLines(benchmark::State& state) {
  const std::vector<Text> lines = SampleLines(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (const Text& line : lines) {
      if (CompareTexts(TextLeft(line, 1), "[") != 0 || CompareTexts(TextRight(line, 1), "]") != 0)
        continue;
      const Text name = ReplaceSubtext(ReplaceSubtext(line, "["), "]");
      benchmark::DoNotOptimize(ToUpperCase(name));
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SectionLines)->Arg(1000)->Arg(10000);

// Searching a long line that has no match, ignoring case.
void BM_FindMissLongLine(benchmark::State& state) {
  Text line;
  for (int i = 0; i < 1000; ++i) line += "abc\xD6\xB5";
  for (auto _ : state) benchmark::DoNotOptimize(FindText(line, "xyz", 1, true));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(line.size()));
}
BENCHMARK(BM_FindMissLongLine);

}  // namespace
}  // namespace inicrypt
