// Conversions between code page 936, UTF-8 and the locale's encoding.
#include "base/cp936.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace inicrypt {
namespace {

struct Pair {
  const char* cp936;
  const char* utf8;
};

// Each pair converts both ways.
constexpr Pair kPairs[] = {
    {"", ""},
    {"config.ini", "config.ini"},
    {"\xBC\xD3\xC3\xDC\xCD\xEA\xB3\xC9!",
     "\xE5\x8A\xA0\xE5\xAF\x86\xE5\xAE\x8C\xE6\x88\x90!"},  // 加密完成!
    {"\xD5\x5C", "\xE8\xAA\xA0"},              // a "\" second byte stays inside its character
    {"a\\\xD5\x5C\\b", "a\\\xE8\xAA\xA0\\b"},  // real "\" around it stay as they are
    {"\x80", "\xE2\x82\xAC"},                  // the euro sign
    {"\xA1\xA1", "\xE3\x80\x80"},              // the full-width space
};

TEST(Cp936Test, RoundTrips) {
  for (const Pair& p : kPairs) {
    std::string utf8, back;
    ASSERT_TRUE(Cp936ToUtf8(p.cp936, &utf8)) << p.utf8;
    EXPECT_EQ(utf8, p.utf8);
    ASSERT_TRUE(Utf8ToCp936(p.utf8, &back));
    EXPECT_EQ(back, p.cp936);
  }
}

TEST(Cp936Test, RefusesWhatHasNoFormAndLeavesTheResultEmpty) {
  const char* bad_cp936[] = {"\x81", "ab\xD5", "\xFF\xFF", "\x81\x7F"};
  for (const char* text : bad_cp936) {
    std::string out = "stale";
    EXPECT_FALSE(Cp936ToUtf8(text, &out)) << text;
    EXPECT_EQ(out, "");
  }
  const char* bad_utf8[] = {"\xF0\x9F\x98\x80",  // an emoji: no CP936 form
                            "\xC3", "a\xFF", "\xED\xA0\x80"};
  for (const char* text : bad_utf8) {
    std::string out = "stale";
    EXPECT_FALSE(Utf8ToCp936(text, &out)) << text;
    EXPECT_EQ(out, "");
  }
}

#ifdef _WIN32
// The conversions name code page 936 themselves, but the tests run as on a
// Chinese system, where the ANSI functions take code page 936 too.
TEST(Cp936Test, TestsRunUnderCodePage936) {
  EXPECT_EQ(GetACP(), 936u) << "run the tests in a code page 936 locale (Wine: LC_ALL=zh_CN.UTF-8)";
}

TEST(Cp936Test, LocaleConversionsAreUtf8OnWindows) {
  // The console and the command line reach the system as UTF-8 here.
  std::string local, cp936;
  ASSERT_TRUE(Cp936ToLocale("\xD6\xB5", &local));
  EXPECT_EQ(local, "\xE5\x80\xBC");
  ASSERT_TRUE(LocaleToCp936(local, &cp936));
  EXPECT_EQ(cp936, "\xD6\xB5");
  EXPECT_FALSE(LocaleToCp936("\xF0\x9F\x98\x80", &cp936));
}
#else
TEST(Cp936Test, LocaleConversionsFollowTheLocale) {
  // The plain C locale (ASCII) is taken as UTF-8, as is C.UTF-8.
  const char* saved = std::setlocale(LC_CTYPE, nullptr);
  std::string restore = saved != nullptr ? saved : "C";
  for (const char* locale : {"C", "C.UTF-8"}) {
    ASSERT_NE(std::setlocale(LC_CTYPE, locale), nullptr) << locale;
    std::string local, cp936;
    ASSERT_TRUE(Cp936ToLocale("\xD6\xB5", &local));
    EXPECT_EQ(local, "\xE5\x80\xBC");
    ASSERT_TRUE(LocaleToCp936(local, &cp936));
    EXPECT_EQ(cp936, "\xD6\xB5");
    EXPECT_FALSE(LocaleToCp936("\xF0\x9F\x98\x80", &cp936));
  }
  std::setlocale(LC_CTYPE, restore.c_str());
}
#endif

}  // namespace
}  // namespace inicrypt
