// The in-place line rules must give what the text primitives give.
#include "ini/line_rules.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ini/ini.h"

namespace inicrypt {
namespace {

// Random lines over the bytes that matter to the rules: blanks (0x20 and the
// halves of 0xA1 0xA1), brackets, "=", letters of both cases, a tab, lead
// bytes, and trail bytes that look like syntax (0x5D "]", 0x3D "=").
std::string RandomLine(std::mt19937& random) {
  static constexpr char kBytes[] = {' ', ' ',  '\xA1', '\xA1', '[', ']', '=',  'a',    'A', 'z',
                                    'Z', '\t', '\x81', '\xB0', ']', '=', '\r', '\xFF', 'k', ';'};
  std::uniform_int_distribution<int> length(0, 12);
  std::uniform_int_distribution<size_t> pick(0, sizeof(kBytes) - 1);
  std::string line;
  for (int n = length(random); n > 0; --n) line += kBytes[pick(random)];
  return line;
}

// The same line with some ASCII letters in the other case.
std::string CaseVariant(std::string line, std::mt19937& random) {
  for (char& c : line) {
    if (random() % 2 == 0) continue;
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 0x20);
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c + 0x20);
    }
  }
  return line;
}

TEST(IniLineRules, AgreeWithTheTextPrimitives) {
  std::mt19937 random(20240611);
  for (int i = 0; i < 200000; ++i) {
    const std::string line = RandomLine(random);
    SCOPED_TRACE(testing::PrintToString(line));

    const Text trimmed = TrimBothEnds(line);
    ASSERT_EQ(ini::TrimView(line), trimmed);

    const int p = FindText(line, "=");
    const size_t eq = ini::FindEquals(line);
    ASSERT_EQ(eq == ini::kNoEquals ? -1 : static_cast<int>(eq) + 1, p);
    if (p > 0) {
      ASSERT_EQ(KeyOfLine(line), TrimBothEnds(TextLeft(line, p - 1)));
    }

    ASSERT_EQ(IsSectionHeader(line), TextLeft(trimmed, 1) == "[" && TextRight(trimmed, 1) == "]");

    const std::string other = random() % 2 ? CaseVariant(line, random) : RandomLine(random);
    ASSERT_EQ(EqualIgnoringCase(line, other), ToUpperCase(line) == ToUpperCase(other))
        << testing::PrintToString(other);
  }
}

}  // namespace
}  // namespace inicrypt
