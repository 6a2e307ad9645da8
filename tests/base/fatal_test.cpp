#include "base/fatal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/text.h"
#include "failing_new.h"

namespace inicrypt {
namespace {

// "运行时出错!" CR LF CR LF
const Text kHeading = "\xd4\xcb\xd0\xd0\xca\xb1\xb3\xf6\xb4\xed!\r\n\r\n";
// "错误代码："
const Text kCodeLabel = "\xb4\xed\xce\xf3\xb4\xfa\xc2\xeb\xa3\xba";
// "错误信息："
const Text kMessageLabel = "\xb4\xed\xce\xf3\xd0\xc5\xcf\xa2\xa3\xba";
// "数组成员引用下标超出定义范围"
const Text kBadIndex =
    "\xca\xfd\xd7\xe9\xb3\xc9\xd4\xb1\xd2\xfd\xd3\xc3\xcf\xc2\xb1\xea"
    "\xb3\xac\xb3\xf6\xb6\xa8\xd2\xe5\xb7\xb6\xce\xa7";
// "分配 1501 字节内存失败!"
const Text kNoMemoryFor1501 =
    "\xb7\xd6\xc5\xe4 1501 \xd7\xd6\xbd\xda\xc4\xda\xb4\xe6\xca\xa7\xb0\xdc!";

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0xF];
  }
  return hex;
}

// Writes the box text as hex, so that a death test can match it exactly.
void HexHandler(const Text& box_text) { std::fprintf(stderr, "box[%s]", Hex(box_text).c_str()); }

std::string BoxPattern(std::optional<int> code, std::string_view message) {
  return "box\\[" + Hex(FatalErrorText(code, message)) + "\\]";
}

// Exit code -1 as the parent sees it: 255 on POSIX, -1 itself on Windows.
#ifdef _WIN32
constexpr int kExitMinusOne = -1;
#else
constexpr int kExitMinusOne = 255;
#endif

TEST(FatalErrorTextTest, Parts) {
  EXPECT_EQ(FatalErrorText(1, kBadIndex),
            kHeading + kCodeLabel + "1\r\n\r\n" + kMessageLabel + kBadIndex + "\r\n");
  EXPECT_EQ(FatalErrorText(std::nullopt, "m"), kHeading + kMessageLabel + "m\r\n");
  EXPECT_EQ(FatalErrorText(-12, ""), kHeading + kCodeLabel + "-12\r\n\r\n");
  EXPECT_EQ(FatalErrorText(std::nullopt, ""), kHeading);
}

TEST(FatalErrorDeathTest, ShowsTheBoxThenExitsWithMinusOne) {
  EXPECT_EXIT(FatalError(7, "boom"), testing::ExitedWithCode(kExitMinusOne), "\r\n\r\n.*boom\r\n");
  EXPECT_EXIT(
      {
        SetFatalHandler(&HexHandler);
        FatalError(7, "boom");
      },
      testing::ExitedWithCode(kExitMinusOne), BoxPattern(7, "boom"));
}

TEST(FatalErrorDeathTest, ListIndexOutsideTheCount) {
  const TextList list{"a", "b"};
  for (int index : {0, 3, -1}) {
    SCOPED_TRACE(index);
    EXPECT_EXIT(
        {
          SetFatalHandler(&HexHandler);
          (void)list.At(index);
        },
        testing::ExitedWithCode(kExitMinusOne), BoxPattern(1, kBadIndex));
  }
}

TEST(FatalErrorDeathTest, OutOfMemoryWhileMakingAText) {
  const Text long_text(2000, 'x');
  const Text line = long_text.substr(0, 1500) + ",b";
  EXPECT_EXIT(
      {
        SetFatalHandler(&HexHandler);
        test_support::FailAllocationsFrom(1000);
        (void)TextLeft(long_text, 1500);
      },
      testing::ExitedWithCode(kExitMinusOne), BoxPattern(std::nullopt, kNoMemoryFor1501));
  EXPECT_EXIT(
      {
        SetFatalHandler(&HexHandler);
        test_support::FailAllocationsFrom(1000);
        (void)SplitText(line);
      },
      testing::ExitedWithCode(kExitMinusOne), BoxPattern(std::nullopt, kNoMemoryFor1501));
}

}  // namespace
}  // namespace inicrypt
