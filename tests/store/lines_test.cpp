// Line reading and block editing, on plain and enciphered files.
#include "store/lines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "store/file_object.h"
#include "store_test_support.h"

namespace inicrypt {
namespace {

using store_testing::Cipher;
using store_testing::PlainOnDisk;
using store_testing::ScopedFile;
using testing::TempFolder;
using testing::WriteAll;

class LinesTest : public ::testing::TestWithParam<std::string_view> {
 protected:
  // Opens a new file holding plain (enciphered under the password).
  FileNumber OpenWith(const std::string& plain) {
    path_ = temp_.Path("f" + std::to_string(++count_) + ".ini");
    WriteAll(path_, Cipher(plain, GetParam()));
    return OpenFile(path_, OpenReadWrite, ShareAll, GetParam());
  }
  std::string OnDisk() const { return PlainOnDisk(path_, GetParam()); }

  TempFolder temp_;
  std::string path_;
  int count_ = 0;
};

INSTANTIATE_TEST_SUITE_P(PlainAndEnciphered, LinesTest,
                         ::testing::ValuesIn(store_testing::kPasswords),
                         store_testing::PasswordName);

struct ReadCase {
  const char* name;
  std::string bytes;
  std::vector<std::pair<std::string, int>> lines;  // each ReadLine: result, position after
  bool at_end_text;                                // IsAtEnd(file, 1) afterwards
  bool at_end;                                     // IsAtEnd(file) afterwards
};

std::string Repeat(char c, size_t n) { return std::string(n, c); }

TEST_P(LinesTest, ReadLineResultsAndPositions) {
  const std::string x511 = Repeat('x', 511);
  const std::string x_buffer = Repeat('x', kReadBufferSize - 1);
  const ReadCase cases[] = {
      {"crlf", "ab\r\ncd", {{"ab", 4}, {"cd", 6}}, true, true},
      {"lf", "ab\ncd\n", {{"ab", 3}, {"cd", 6}}, true, true},
      {"one cr dropped", "ab\r\r\n", {{"ab\r", 5}}, true, true},
      {"cr at the end", "ab\r", {{"ab", 3}}, true, true},
      {"nul stays unread", std::string("ab\0cd", 5), {{"ab", 2}, {"", 2}}, true, false},
      {"0x1a stays unread", "ab\r\x1A\n", {{"ab", 3}, {"", 3}}, true, false},
      {"empty file", "", {{"", 0}}, true, true},
      {"only cr lf left", "\r\n", {{"", 2}}, true, true},
      // A LF, NUL or 0x1A cannot be the second byte of a character: after a
      // stray lead byte (UTF-8 text) it still ends the line or the text.
      {"lf after a lead byte", "\x81\ncd\nz", {{"\x81", 2}, {"cd", 5}, {"z", 6}}, true, true},
      {"utf-8 with lf", "[\xE4\xB8\xAD]\nk=\xE6\x96\x87\nz",
       {{"[\xE4\xB8\xAD]", 6}, {"k=\xE6\x96\x87", 12}, {"z", 13}}, true, true},
      {"nul after a lead byte", std::string("\x81\0x\n", 4), {{"\x81", 1}, {"", 1}}, true,
       false},
      {"trail byte 0x5C", "\xD5\x5C\nz", {{"\xD5\x5C", 3}, {"z", 4}}, true, true},
      {"lone lead byte at the end", "ab\n\xB0", {{"ab", 3}, {"\xB0", 4}, {"", 4}}, true, true},
      {"lead byte at the end after cr", "a\r\xB0", {{"a\r\xB0", 3}}, true, true},
      {"character across a 512 chunk", x511 + "\xB0\xA1\nz", {{x511 + "\xB0\xA1", 514}}, false,
       false},
      {"cr lf across a 512 chunk", x511 + "\r\nz", {{x511, 513}, {"z", 514}}, true, true},
      {"character across the buffer", x_buffer + "\x81\x40z\n",
       {{x_buffer + "\x81\x40z", static_cast<int>(kReadBufferSize) + 3}}, true, true},
      {"lf after a lead byte across the buffer", x_buffer + "\x81\nz\n",
       {{x_buffer + "\x81", static_cast<int>(kReadBufferSize) + 1}}, false, false},
      {"line of 1000 bytes", Repeat('y', 1000), {{Repeat('y', 1000), 1000}}, true, true},
      {"line longer than the buffer", Repeat('y', 3 * kReadBufferSize) + "\r\nz",
       {{Repeat('y', 3 * kReadBufferSize), static_cast<int>(3 * kReadBufferSize) + 2},
        {"z", static_cast<int>(3 * kReadBufferSize) + 3}},
       true, true},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedFile file(OpenWith(c.bytes));
    ASSERT_NE(file, 0u);
    for (const auto& [line, position] : c.lines) {
      EXPECT_EQ(ReadLine(file), line);
      EXPECT_EQ(GetPosition(file), position);
    }
    const int32_t position = GetPosition(file);
    EXPECT_EQ(IsAtEnd(file, 1), c.at_end_text);
    EXPECT_EQ(IsAtEnd(file), c.at_end);
    EXPECT_EQ(IsAtEnd(file, 2), c.at_end);  // any flag but 1 is the plain test
    EXPECT_EQ(GetPosition(file), position);
  }
}

// Lines are scanned several bytes at a time: every line end must be found at
// every offset, and bytes next to the line-end values must not be taken for one.
TEST_P(LinesTest, LineEndsAreFoundAtEveryOffset) {
  const std::string near_misses = "\x7F\x09\x0B\x19\x1B\x01\x0D\x7E";
  auto plain_run = [&](size_t n) {
    std::string run;
    while (run.size() < n) run += near_misses[run.size() % near_misses.size()];
    return run;
  };
  for (const char end : {'\n', '\0', '\x1A'}) {
    for (size_t at = 0; at < 20; ++at) {
      SCOPED_TRACE("byte " + std::to_string(int{end}) + " at " + std::to_string(at));
      ScopedFile file(OpenWith(plain_run(at) + end + plain_run(20)));
      std::string expected = plain_run(at);
      if (!expected.empty() && expected.back() == '\r') expected.pop_back();
      EXPECT_EQ(ReadLine(file), expected);
      EXPECT_EQ(GetPosition(file), static_cast<int32_t>(at) + (end == '\n' ? 1 : 0));
    }
  }
  for (size_t at = 0; at < 20; ++at) {  // a trail byte is no line end
    SCOPED_TRACE("lead byte at " + std::to_string(at));
    const std::string line = plain_run(at) + "\xFF\x7E" + plain_run(9) + "\x80\xFE";
    ScopedFile file(OpenWith(line + "\nz"));
    EXPECT_EQ(ReadLine(file), line);
    EXPECT_EQ(GetPosition(file), static_cast<int32_t>(line.size()) + 1);
  }
}

// The numbered loop and store::ReadLine until not found read the same lines
// and stop at the same place.
TEST_P(LinesTest, ReaderLoopStopsAtTheTextEnd) {
  const struct {
    std::string bytes;
    std::vector<std::string> lines;
    int32_t end;
  } cases[] = {
      {"[s]\r\nk=v\nlast\r\n\x1A[t]\r\n", {"[s]", "k=v", "last"}, 15},
      {std::string("a\r\n\r\n\0b", 7), {"a", ""}, 5},
      {"\r\n", {""}, 2},
      {"", {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    ScopedFile file(OpenWith(c.bytes));
    std::vector<std::string> lines;
    while (!IsAtEnd(file, 1)) lines.push_back(ReadLine(file));
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(GetPosition(file), c.end);
    ASSERT_TRUE(Seek(file, 0));
    lines.clear();
    Text line = "stale";
    Lookup read = store::ReadLine(file, &line);
    for (; read.found(); read = store::ReadLine(file, &line)) lines.push_back(line);
    EXPECT_TRUE(read.not_found());
    EXPECT_EQ(line, "");
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(GetPosition(file), c.end);
    bool at_end = false;
    EXPECT_TRUE(testing::IsOk(store::IsAtEndOfText(file, &at_end)));
    EXPECT_TRUE(at_end);
  }
}

struct EditCase {
  const char* name;
  std::string before;
  int at;
  bool insert;  // InsertLine(text), else DeleteData(count)
  std::string text;
  int count;
  std::string after;
  int position;
};

TEST_P(LinesTest, InsertLineAndDeleteData) {
  const EditCase cases[] = {
      {"insert into an empty file", "", 0, true, "abc", 0, "abc\r\n", 5},
      {"insert between lines", "ab\r\ncd\r\n", 4, true, "x", 0, "ab\r\nx\r\ncd\r\n", 7},
      {"insert an empty line mid-line", "abcd", 2, true, "", 0, "ab\r\ncd", 4},
      {"insert at the end", "ab", 2, true, "c", 0, "abc\r\n", 5},
      {"delete the first line", "ab\r\ncd\r\n", 0, false, "", 4, "cd\r\n", 4},
      {"delete past the end", "ab\r\ncd\r\n", 2, false, "", 100, "ab", 2},
      {"delete to the end exactly", "ab\r\ncd\r\n", 6, false, "", 2, "ab\r\ncd", 6},
      {"delete in the middle", "abcdef", 1, false, "", 2, "adef", 4},
      {"delete nothing", "abc", 1, false, "", 0, "abc", 1},
      {"delete a negative count", "abc", 1, false, "", -1, "abc", 1},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    {
      ScopedFile file(OpenWith(c.before));
      ASSERT_TRUE(Seek(file, c.at));
      EXPECT_TRUE(c.insert ? InsertLine(file, c.text) : DeleteData(file, c.count));
      EXPECT_EQ(GetPosition(file), c.position);
      EXPECT_EQ(store_testing::Length(file), static_cast<int32_t>(c.after.size()));
      ASSERT_TRUE(Seek(file, 0));
      std::string read(c.after.size() + 1, '?');
      int32_t got = 0;
      EXPECT_TRUE(testing::IsOk(store::Read(file, read.data(), static_cast<int32_t>(read.size()), &got)));
      EXPECT_EQ(got, static_cast<int32_t>(c.after.size()));
      EXPECT_EQ(read.substr(0, c.after.size()), c.after);
    }
    EXPECT_EQ(OnDisk(), c.after);
  }
}

struct ValuesCase {
  const char* name;
  std::initializer_list<LineValue> values;
  std::string block;
};

TEST_P(LinesTest, InsertLineConvertsValues) {
  const ValuesCase cases[] = {
      {"texts and integers", {"a", int32_t{-5}, uint8_t{200}, int32_t{0}}, "a\r\n-5\r\n200\r\n0\r\n"},
      {"logical values", {true, false}, "\xD5\xE6\r\n\xBC\xD9\r\n"},  // 真 假
      {"float", {1.5f, 0.1f, 1e10f, 123456789.0f}, "1.5\r\n0.1\r\n1e+10\r\n1.23457e+08\r\n"},
      {"double", {0.1, 1.0 / 3, 123456789012345.0, -2.0},
       "0.1\r\n0.3333333333333\r\n1.234567890123e+14\r\n-2\r\n"},
      // 2024年3月5日, then 7时 / 7时8分 / 0时0分9秒 / 0时8分
      {"date only", {DateTime{2024, 3, 5, 0, 0, 0}}, "2024\xC4\xEA" "3\xD4\xC2" "5\xC8\xD5\r\n"},
      {"date and hour", {DateTime{2024, 3, 5, 7, 0, 0}},
       "2024\xC4\xEA" "3\xD4\xC2" "5\xC8\xD5" "7\xCA\xB1\r\n"},
      {"date, hour and minute", {DateTime{2024, 3, 5, 7, 8, 0}},
       "2024\xC4\xEA" "3\xD4\xC2" "5\xC8\xD5" "7\xCA\xB1" "8\xB7\xD6\r\n"},
      {"seconds show every unit", {DateTime{2024, 12, 31, 0, 0, 9}},
       "2024\xC4\xEA" "12\xD4\xC2" "31\xC8\xD5" "0\xCA\xB1" "0\xB7\xD6" "9\xC3\xEB\r\n"},
      {"minute without hour", {DateTime{2024, 1, 1, 0, 8, 0}},
       "2024\xC4\xEA" "1\xD4\xC2" "1\xC8\xD5" "0\xCA\xB1" "8\xB7\xD6\r\n"},
      {"no value adds nothing", {std::monostate{}, "b", std::monostate{}}, "b\r\n"},
  };
  for (const ValuesCase& c : cases) {
    SCOPED_TRACE(c.name);
    {
      ScopedFile file(OpenWith("[s]\r\n"));
      ASSERT_TRUE(Seek(file, 5));
      EXPECT_TRUE(InsertLine(file, c.values));
      EXPECT_EQ(GetPosition(file), static_cast<int32_t>(5 + c.block.size()));
    }
    EXPECT_EQ(OnDisk(), "[s]\r\n" + c.block);
  }
  ScopedFile file(OpenWith("abc"));
  ASSERT_TRUE(Seek(file, 1));
  EXPECT_TRUE(InsertLine(file, {std::monostate{}}));  // an empty block changes nothing
  EXPECT_EQ(GetPosition(file), 1);
  EXPECT_EQ(OnDisk(), "abc");
}

// Shifts over many cipher blocks and read buffers keep every byte in order.
TEST_P(LinesTest, ShiftsOverManyChunksMatchAPlainReference) {
  std::mt19937 random(7);
  std::string reference = store_testing::RandomText(random, 3 * kReadBufferSize + 123);
  ScopedFile file(OpenWith(reference));
  const int at[] = {0, 1, 4095, 4097, static_cast<int>(kReadBufferSize) - 1, 100000,
                    static_cast<int>(reference.size())};
  for (int p : at) {
    SCOPED_TRACE(p);
    const std::string line = store_testing::RandomText(random, 5000);
    ASSERT_TRUE(Seek(file, p));
    ASSERT_TRUE(InsertLine(file, line));
    reference.insert(static_cast<size_t>(p), line + "\r\n");
    ASSERT_TRUE(Seek(file, p + 1));
    ASSERT_TRUE(DeleteData(file, 4099));
    reference.erase(static_cast<size_t>(p + 1), 4099);
    EXPECT_EQ(GetPosition(file), static_cast<int32_t>(reference.size()));
  }
  ASSERT_TRUE(Seek(file, 0));
  std::string read(reference.size(), '\0');
  int32_t got = 0;
  EXPECT_TRUE(testing::IsOk(store::Read(file, read.data(), static_cast<int32_t>(read.size()), &got)));
  EXPECT_EQ(got, static_cast<int32_t>(reference.size()));
  EXPECT_EQ(read, reference);
  EXPECT_EQ(OnDisk(), reference);
}

// The rest of a large file moves in several pieces when it passes the piece
// size; small pieces give the same bytes as one piece.
TEST_P(LinesTest, PieceSizeChangesNothing) {
  std::mt19937 random(11);
  const std::string original = store_testing::RandomText(random, 20000);
  std::string expected = original;
  expected.insert(300, "inserted\r\n");
  expected.erase(5000, 7000);
  for (size_t chunk : {size_t{4096}, size_t{1000}, size_t{7}, kShiftChunk}) {
    SCOPED_TRACE(chunk);
    ScopedFile file(OpenWith(original));
    FileObject* object = FindFileObject(file);
    ASSERT_TRUE(Seek(file, 300));
    ASSERT_TRUE(testing::IsOk(InsertBlock(*object, "inserted\r\n", chunk)));
    EXPECT_EQ(GetPosition(file), 310);
    ASSERT_TRUE(Seek(file, 5000));
    ASSERT_TRUE(testing::IsOk(DeleteBytes(*object, 7000, chunk)));
    EXPECT_EQ(GetPosition(file), static_cast<int32_t>(expected.size()));
    CloseFile(file);
    EXPECT_EQ(OnDisk(), expected);
  }
}

TEST_P(LinesTest, EditsOnAReadOnlyFileFailAndReturnToTheirPosition) {
  WriteAll(temp_.Path("ro.ini"), Cipher("ab\r\ncd\r\n", GetParam()));
  ScopedFile file(OpenFile(temp_.Path("ro.ini"), OpenRead, ShareAll, GetParam()));
  ASSERT_TRUE(Seek(file, 4));
  EXPECT_FALSE(InsertLine(file, "x"));
  EXPECT_EQ(GetPosition(file), 4);
  EXPECT_FALSE(DeleteData(file, 2));
  EXPECT_EQ(GetPosition(file), 4);
  EXPECT_EQ(ReadLine(file), "cd");
  EXPECT_EQ(PlainOnDisk(temp_.Path("ro.ini"), GetParam()), "ab\r\ncd\r\n");
}

TEST_P(LinesTest, ReadLineOnAWriteOnlyFileFailsToTheEnd) {
  WriteAll(temp_.Path("wo.ini"), Cipher("ab\r\ncd\r\n", GetParam()));
  ScopedFile file(OpenFile(temp_.Path("wo.ini"), OpenWrite, ShareAll, GetParam()));
  EXPECT_FALSE(IsAtEnd(file, 2));
  EXPECT_TRUE(IsAtEnd(file, 1));  // the byte cannot be read
  EXPECT_EQ(GetPosition(file), 0);
  EXPECT_EQ(ReadLine(file), "");
  EXPECT_EQ(GetPosition(file), 8);
}

}  // namespace
}  // namespace inicrypt
