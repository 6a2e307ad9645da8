// The INI scan must see what the numbered loop "while (!IsAtEnd(f, 1))
// ReadLine(f)" sees, and stop where it stops.
#include "ini/line_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ini_test_support.h"
#include "store/lines.h"

namespace inicrypt {
namespace {

struct Seen {
  std::vector<std::pair<int32_t, Text>> lines;  // start and text of each non-empty line
  int32_t end = -1;
  bool operator==(const Seen&) const = default;
};

Seen PlainLoop(FileNumber file) {
  Seen seen;
  while (!IsAtEnd(file, 1)) {
    const int32_t start = GetPosition(file);
    Text line = ReadLine(file);
    if (!line.empty()) seen.lines.emplace_back(start, std::move(line));
  }
  seen.end = GetPosition(file);
  return seen;
}

Seen Scan(FileNumber file) {
  Seen seen;
  ini::LineScan scan(file);
  Lookup read = scan.Next();
  for (; read.found(); read = scan.Next()) {
    if (!scan.line().empty()) seen.lines.emplace_back(scan.line_start(), scan.line());
  }
  EXPECT_TRUE(read.not_found()) << read.status().message();
  EXPECT_EQ(scan.position(), GetPosition(file));
  seen.end = scan.position();
  return seen;
}

// Texts over line ends, stop bytes, lead bytes and a little else.
std::string RandomText(std::mt19937& random) {
  static constexpr char kBytes[] = {'a',  'b',  '=', '[',  ']',    '\r',   '\n',  '\n',
                                    '\r', '\n', ' ', '\0', '\x1A', '\x81', '\xB0'};
  std::uniform_int_distribution<int> length(0, 24);
  std::uniform_int_distribution<size_t> pick(0, sizeof(kBytes) - 1);
  std::string text;
  for (int n = length(random); n > 0; --n) text += kBytes[pick(random)];
  return text;
}

TEST(IniLineScan, SeesWhatThePlainLoopSees) {
  testing::TempFolder folder;
  const Text path = folder.Path("a.ini");
  std::mt19937 random(31);
  for (int i = 0; i < 3000; ++i) {
    const std::string text = RandomText(random);
    const std::string_view password = testing::kPasswords[i % 2];
    SCOPED_TRACE(::testing::PrintToString(text));
    ASSERT_TRUE(testing::PutText(path, text, password));
    const FileNumber file = OpenFile(path, OpenRead, ShareAll, password);
    ASSERT_NE(file, 0u);
    const Seen expected = PlainLoop(file);
    ASSERT_TRUE(Seek(file, 0));
    EXPECT_EQ(Scan(file), expected);
    CloseFile(file);
  }
}

}  // namespace
}  // namespace inicrypt
