#include "base/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace inicrypt {
namespace {

// A two-byte character whose second byte is "\" (0x5C).
constexpr const char* kBackslashTrail = "\xD5\x5C";
// The full-width space.
constexpr const char* kWide = "\xA1\xA1";
// A lone lead byte.
constexpr const char* kLone = "\xB0";

Text T(std::initializer_list<std::string_view> parts) { return ConcatTexts(parts); }

TEST(TextLeftRightTest, CountsBytes) {
  struct Case {
    Text text;
    int count;
    Text left, right;
  };
  const Case cases[] = {
      {"abc", 0, "", ""},
      {"abc", -1, "", ""},
      {"abc", 1, "a", "c"},
      {"abc", 10, "abc", "abc"},
      {"", 2, "", ""},
      // Bytes alone: a two-byte character is cut in half.
      {"[x\xB0\x5D", 1, "[", "\x5D"},
      {"\xB0\xA1z", 1, "\xB0", "z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + std::to_string(c.count));
    EXPECT_EQ(TextLeft(c.text, c.count), c.left);
    EXPECT_EQ(TextRight(c.text, c.count), c.right);
  }
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("a\xB0\xA1"), 3);
}

TEST(FindTextTest, Table) {
  struct Case {
    Text text, sought;
    int start;
    bool ignore_case;
    int expected;
  };
  const Case cases[] = {
      {"a\\b", "\\", 1, false, 2},
      {"abab", "b", 1, false, 2},
      {"abab", "b", 3, false, 4},
      {"abab", "ab", 2, false, 3},
      // Empty sought: 1 whenever something is searched, whatever the start.
      {"x", "", 1, false, 1},
      {"", "", 1, false, -1},
      {"abc", "", 3, false, 1},
      {"abc", "", 4, false, -1},
      // Start at or below 1 searches everything; beyond the length nothing.
      {"abc", "a", 0, false, 1},
      {"abc", "a", -7, false, 1},
      {"abc", "c", 3, false, 3},
      {"abc", "c", 4, false, -1},
      {"abc", "abcd", 1, false, -1},
      // Never inside a two-byte character.
      {kBackslashTrail, "\\", 1, false, -1},
      {T({kBackslashTrail, "\\"}), "\\", 1, false, 3},
      {T({kLone, "aa"}), "a", 1, false, 3},
      // ... unless the start lands on its second byte.
      {kBackslashTrail, "\\", 2, false, 2},
      // A lone lead byte is compared, then ends the search.
      {T({"ab", kLone}), kLone, 1, false, 3},
      {T({"ab", kLone}), T({kLone, "x"}), 1, false, -1},
      // Case: ASCII letters where a character starts only.
      {"ABC", "b", 1, true, 2},
      {"ABC", "b", 1, false, -1},
      {"x[A]", "[a]", 1, true, 2},
      {"\xB0\x41", "\xB0\x61", 1, true, -1},
      {"\xB0\x41", "\xB0\x41", 1, true, 1},
      {"a\xB0\x41", "\xB0\x41", 1, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.sought + " / " + std::to_string(c.start) +
                 (c.ignore_case ? " / nocase" : ""));
    EXPECT_EQ(FindText(c.text, c.sought, c.start, c.ignore_case), c.expected);
  }
}

TEST(ToUpperCaseTest, AsciiLettersWhereACharacterStarts) {
  const std::pair<Text, Text> cases[] = {
      {"abc\xB0\xA1", "ABC\xB0\xA1"},
      {"aZ1z`{@[", "AZ1Z`{@["},
      // Second bytes that look like letters stay.
      {"\xB0\x61x\xB0\x7A", "\xB0\x61X\xB0\x7A"},
      // After a lead byte, a byte that cannot be a second byte starts a character.
      {"\xB0\x3D" "x\xB0\x7F" "a", "\xB0\x3D" "X\xB0\x7F" "A"},
      // A lone lead byte stays.
      {T({"a", kLone}), T({"A", kLone})},
      {"", ""},
  };
  for (const auto& [text, upper] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ToUpperCase(text), upper);
  }
}

TEST(TrimBothEndsTest, Table) {
  const std::pair<Text, Text> cases[] = {
      {" \t a\t ", "\t a\t"},
      {" a\r\n", "a\r\n"},
      {T({kWide, " a", kWide, kWide}), "a"},
      {T({" ", kWide, "  ", kWide}), ""},
      {T({" a", kWide, "b "}), T({"a", kWide, "b"})},
      {"", ""},
      // A lone lead byte is cut and the blanks before it stay.
      {T({"ab  ", kLone}), "ab  "},
      {T({" ", kLone}), ""},
      {T({"  \xA1"}), ""},
      // 0xA1 0xA1 is a blank only where a character starts.
      {"a\xC0\xA1\xA1", "a\xC0\xA1"},
      {"\xC0\xA1\xA1\xA1", "\xC0\xA1"},
      {T({"\xC0\xA1\xA1\xA1", "a"}), T({"\xC0\xA1\xA1\xA1", "a"})},
      {"\xA1\xA1\xA1", ""},
      // A space after a stray lead byte is a blank.
      {"a\xB0  ", "a\xB0"},
  };
  for (const auto& [text, trimmed] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(TrimBothEnds(text), trimmed);
  }
}

TEST(ReplaceSubtextTest, Table) {
  struct Case {
    Text text, sought, replacement;
    int start, count;
    bool case_sensitive;
    Text expected;
  };
  const Case cases[] = {
      {"a\\\\\\\\b", "\\\\", "\\", 1, -1, true, "a\\\\b"},
      {"a\\\\\\\\b", "\\\\", "\\", 1, 1, true, "a\\\\\\b"},
      {"\\\\\\", "\\\\", "\\", 1, -1, true, "\\\\"},
      {"[[a]]", "[", "", 1, -1, true, "a]]"},
      {"axbx", "x", "", 3, -1, true, "axb"},
      {"xxx", "x", "y", 2, -1, true, "xyy"},
      {"xxx", "x", "y", 1, -5, true, "yyy"},
      // The replacement is never searched again.
      {"aa", "a", "aa", 1, -1, true, "aaaa"},
      // A second byte 0x5C and the "\" after it are no pair.
      {T({kBackslashTrail, "\\"}), "\\\\", "\\", 1, -1, true, T({kBackslashTrail, "\\"})},
      {T({kBackslashTrail, "\\\\"}), "\\\\", "\\", 1, -1, true, T({kBackslashTrail, "\\"})},
      {"aXbx", "x", "-", 1, -1, false, "a-b-"},
      {"aXbx", "x", "-", 1, -1, true, "aXb-"},
      // Nothing to do.
      {"", "x", "y", 1, -1, true, ""},
      {"abc", "", "y", 1, -1, true, "abc"},
      {"abc", "c", "y", 4, -1, true, "abc"},
      {"abc", "c", "y", 1, 0, true, "abc"},
      // A lone lead byte is dropped when the walk reaches it, kept otherwise.
      {T({"ab", kLone}), "x", "y", 1, -1, true, "ab"},
      {T({"ab", kLone}), "xy", "z", 1, -1, true, T({"ab", kLone})},
      {T({"ab", kLone}), "b", "", 1, 1, true, T({"a", kLone})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.sought + " -> " + c.replacement + " from " +
                 std::to_string(c.start) + " x" + std::to_string(c.count));
    EXPECT_EQ(ReplaceSubtext(c.text, c.sought, c.replacement, c.start, c.count, c.case_sensitive),
              c.expected);
  }
  // What is omitted: no replacement, every match from the start.
  EXPECT_EQ(ReplaceSubtext("a]b]", "]"), "ab");
}

TEST(SplitTextTest, Table) {
  struct Case {
    Text text, delimiter;
    std::optional<int> maximum;
    TextList expected;
  };
  const Case cases[] = {
      {"key=", "=", {}, {"key"}},
      {"k=v=w", "=", {}, {"k", "v", "w"}},
      {"=v", "=", {}, {"", "v"}},
      {"=", "=", {}, {""}},
      {"a==b", "=", {}, {"a", "", "b"}},
      {"", "=", {}, {}},
      {"abc", "", {}, {"abc"}},
      {"a::b::", "::", {}, {"a", "b"}},
      {"a,b,c", ",", 2, {"a", "b"}},
      {"a,b", ",", 2, {"a", "b"}},
      {"abc", ",", 1, {"abc"}},
      {"a,b", ",", 0, {}},
      {"a,b", ",", -3, {}},
      // Only where a character starts; a lone lead byte stays in the last field.
      {T({"a", kBackslashTrail, "\\b"}), "\\", {}, {T({"a", kBackslashTrail}), "b"}},
      {T({"a=", kLone}), "=", {}, {"a", kLone}},
      // A lead byte before a byte that cannot follow one is a character alone.
      {"k\xB0=v\xE6\x96=w", "=", {}, {"k\xB0", "v\xE6\x96", "w"}},
      {"\xFF\x7F=\xB0\x7E=", "=", {}, {"\xFF\x7F", "\xB0\x7E"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.delimiter + " / " +
                 (c.maximum ? std::to_string(*c.maximum) : "-"));
    const TextList fields = SplitText(c.text, c.delimiter, c.maximum);
    EXPECT_EQ(std::vector<Text>(fields.begin(), fields.end()),
              std::vector<Text>(c.expected.begin(), c.expected.end()));
  }
  EXPECT_EQ(SplitText("a,b"), (TextList{"a", "b"}));
}

TEST(ConcatAndCompareTest, Bytes) {
  EXPECT_EQ(ConcatTexts(Text(), Text()), "");
  EXPECT_EQ(ConcatTexts("a", Text("\xB0"), std::string_view("\xA1z")), "a\xB0\xA1z");
  struct Case {
    Text a, b;
    int expected;
  };
  const Case cases[] = {
      {"a", "ab", -1}, {"ab", "a", 1},    {"\xB0", "z", 1},   {"z", "\xB0", -1},
      {"", "", 0},     {"abc", "abc", 0}, {"abc", "abd", -1}, {"", "a", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a + " / " + c.b);
    EXPECT_EQ(CompareTexts(c.a, c.b), c.expected);
  }
}

TEST(TextListTest, IndexedFromOne) {
  TextList list;
  EXPECT_EQ(list.Count(), 0);
  Text source = "first";
  list.Append(source);
  list.Append("");
  source = "changed";
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.At(1), "first");
  EXPECT_EQ(list.At(2), "");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace inicrypt
