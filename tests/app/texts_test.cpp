// Every text the jobs show or write, against its intended spelling.
#include <gtest/gtest.h>

#include "app/convert.h"
#include "app/jobs.h"
#include "base/cp936.h"

namespace inicrypt {
namespace {

TEST(TextsTest, EveryTextIsItsSpellingInCodePage936) {
  struct Case {
    std::string_view constant;
    std::string_view spelling;  // UTF-8
  } cases[] = {
      {msg::kChooseFile, "请选择配置文件"},
      {msg::kEmptyPassword, "不支持空密码"},
      {msg::kEncrypted, "加密完成!"},
      {msg::kDecrypted, "解密完成!"},
      {msg::kOfferSample, "发现在同目录下没<config.ini>是否创建"},
      {msg::kDefaultCaption, "信息："},
      {msg::kSourceUnreadable, "无法读取所选配置文件"},
      {msg::kNoPairs, "所选文件中没有找到配置项"},
      {msg::kNoSections, "没有找到配置节，密码可能不正确"},
      {msg::kEncryptFailed, "加密失败!无法写入config.ini"},
      {msg::kDecryptFailed, "解密失败!无法写入解密后config.ini"},
      {msg::kValuesUnreadable, "解密失败!无法读取config.ini"},
      {msg::kPathUnsupported, "文件路径含有不支持的字符"},
      {msg::kPasswordUnsupported, "密码含有不支持的字符"},
      {msg::kSampleFailed, "无法创建样板config.ini"},
      {kConfigFileFilter, "文本文件(*.ini)|*.ini|图片(*.jpg)|*.jpg"},
      {kConfigFileName, "config.ini"},
      {kDecryptedFileName, "解密后config.ini"},
      {kSampleFileName, "样板config.ini"},
      {kDefaultPassword, "73580647"},
  };
  for (const Case& c : cases) {
    Text expected;
    ASSERT_TRUE(Utf8ToCp936(c.spelling, &expected)) << c.spelling;
    EXPECT_EQ(c.constant, expected) << c.spelling;
  }
}

}  // namespace
}  // namespace inicrypt
