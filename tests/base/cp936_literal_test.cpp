#include "base/cp936_literal.h"

#include <gtest/gtest.h>

#include <string>

#include "base/cp936.h"

namespace inicrypt {
namespace {

std::string Utf8Of(char32_t c) {
  std::string out;
  if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  }
  out += static_cast<char>(0x80 | (c & 0x3F));
  return out;
}

TEST(Cp936LiteralTest, EveryTableRowIsWhatTheConverterGives) {
  for (const Cp936Char& row : kCp936Chars) {
    const std::string utf8 = Utf8Of(row.character);
    Text cp936;
    ASSERT_TRUE(Utf8ToCp936(utf8, &cp936)) << utf8;
    EXPECT_EQ(cp936,
              std::string({static_cast<char>(row.bytes >> 8), static_cast<char>(row.bytes & 0xFF)}))
        << utf8;
  }
}

TEST(Cp936LiteralTest, MixedTextConvertsLikeTheConverter) {
  constexpr std::string_view converted = u8"[配置]\r\n错误代码：a=1\0x"_cp936;
  constexpr char kUtf8[] = "[配置]\r\n错误代码：a=1\0x";
  Text expected;
  ASSERT_TRUE(Utf8ToCp936(std::string_view(kUtf8, sizeof kUtf8 - 1), &expected));
  EXPECT_EQ(converted, expected);
  EXPECT_EQ(converted.data()[converted.size()], '\0');
  EXPECT_EQ(u8""_cp936, "");
}

}  // namespace
}  // namespace inicrypt
