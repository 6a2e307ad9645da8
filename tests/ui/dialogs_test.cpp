#include "ui/dialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "app/jobs.h"
#include "base/cp936.h"
#include "base/fatal.h"
#include "ui/file_filter.h"

namespace inicrypt::ui {
namespace {

using ::testing::ElementsAre;

Text Cp936(std::string_view utf8) {
  Text text;
  EXPECT_TRUE(Utf8ToCp936(utf8, &text)) << utf8;
  return text;
}

TEST(MessageBoxTest, StyleGivesButtonsAndIcon) {
  using B = QMessageBox;
  struct {
    int style;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
  } cases[] = {
      {0, B::Ok, B::NoIcon},
      {36, B::Yes | B::No, B::Question},
      {0x1000 | 36, B::Yes | B::No, B::Question},  // system-modal bit: same box
      {0x2000, B::Ok, B::NoIcon},
      {1 | 0x30, B::Ok | B::Cancel, B::Warning},
      {2 | 0x10, B::Abort | B::Retry | B::Ignore, B::Critical},
      {3 | 0x40, B::Yes | B::No | B::Cancel, B::Information},
      {5, B::Retry | B::Cancel, B::NoIcon},
      {9, B::Ok, B::NoIcon},
  };
  for (const auto& c : cases) {
    BoxLook look = LookOfStyle(c.style);
    EXPECT_EQ(look.buttons, c.buttons) << c.style;
    EXPECT_EQ(look.icon, c.icon) << c.style;
  }
}

TEST(MessageBoxTest, ButtonsMapToTheirCodes) {
  using B = QMessageBox;
  std::vector<int> codes;
  for (auto button : {B::Ok, B::Cancel, B::Abort, B::Retry, B::Ignore, B::Yes, B::No, B::NoButton,
                      B::Close, B::Help}) {
    codes.push_back(ButtonCodeOf(button));
  }
  EXPECT_THAT(codes, ElementsAre(0, 1, 2, 3, 4, 5, 6, 0, 0, 0));
}

TEST(MessageBoxTest, HookSeesTextCaptionAndStyle) {
  std::vector<MessageRequest> seen;
  SetMessageHook([&](const MessageRequest& request) {
    seen.push_back(request);
    return request.style == 36 ? QMessageBox::No : QMessageBox::Ok;
  });
  EXPECT_EQ(ShowMessageBox(msg::kEncrypted, 0), 0);
  EXPECT_EQ(ShowMessageBox(msg::kOfferSample, 36), 6);
  EXPECT_EQ(ShowMessageBox("x", 0, "\xB4\xED\xCE\xF3"), 0);
  SetMessageHook({});
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].text, QString("加密完成!"));
  EXPECT_EQ(seen[0].caption, QString("信息："));
  EXPECT_EQ(seen[1].text, QString("发现在同目录下没<config.ini>是否创建"));
  EXPECT_EQ(seen[1].style, 36);
  EXPECT_EQ(seen[2].caption, QString("错误"));
}

TEST(FatalBoxTest, ShowsTheErrorAndExitsWithMinusOne) {
  EXPECT_EXIT(
      {
        SetMessageHook([](const MessageRequest& request) {
          std::fprintf(stderr, "[%s|%s|%d]", request.caption.toStdString().c_str(),
                       request.text.toStdString().c_str(), request.look.icon);
          return QMessageBox::Ok;
        });
        SetFatalHandler(&ShowFatalBox);
        FatalError(std::nullopt, Cp936("载入启动窗口失败"));
      },
      ::testing::ExitedWithCode(255), "\\[错误\\|运行时出错!.*错误信息：载入启动窗口失败.*\\|3\\]");
}

TEST(FileFilterTest, TextBecomesPairsOfDescriptionAndPattern) {
  const Text standard = Text(kConfigFileFilter);
  struct {
    Text filter;
    int index;
    std::vector<std::pair<Text, Text>> types;
    int selected;
  } cases[] = {
      {standard, 0, {{Cp936("文本文件(*.ini)"), "*.ini"}, {Cp936("图片(*.jpg)"), "*.jpg"}}, 0},
      {standard + "||",
       1,
       {{Cp936("文本文件(*.ini)"), "*.ini"}, {Cp936("图片(*.jpg)"), "*.jpg"}},
       1},
      {"A|*.a|B|*.b  \t\r\n", -3, {{"A", "*.a"}, {"B", "*.b"}}, 0},
      {"A|*.a|B|*.b", 7, {{"A", "*.a"}, {"B", "*.b"}}, 0},
      {"A|*.a||B|*.b", 1, {{"A", "*.a"}}, 0},  // "||" ends the list
      {"A|*.a|lonely", 0, {{"A", "*.a"}}, 0},
      {" \t", 0, {}, 0},
      {"", 2, {}, 0},
      // 0xD5 0x7C is one character: its second byte is no separator.
      {"\xD5|x|*.x", 0, {{"\xD5|x", "*.x"}}, 0},
  };
  for (const auto& c : cases) {
    FileTypes parsed = ParseFilter(c.filter, c.index);
    std::vector<std::pair<Text, Text>> types;
    for (const FileType& t : parsed.types) types.emplace_back(t.description, t.patterns);
    EXPECT_EQ(types, c.types) << c.filter;
    EXPECT_EQ(parsed.selected, c.selected) << c.filter;
  }
}

TEST(FileFilterTest, QtFormKeepsADescriptionThatNamesItsPatterns) {
  EXPECT_EQ(QtFilterOf({"Text(*.ini)", "*.ini"}), "Text(*.ini)");
  EXPECT_EQ(QtFilterOf({"Text", "*.ini;*.cfg"}), "Text (*.ini *.cfg)");
  EXPECT_EQ(QtFilterOf({"Text (all)", "*.txt"}), "Text (all) (*.txt)");
}

TEST(FileDialogTest, RequestCarriesTheComponentsSettings) {
  CommonDlg dialog;
  dialog.filter = Text(kConfigFileFilter);
  dialog.initial_folder = "/home/u/Desktop/";
  dialog.file_name = Cp936("/home/u/配置.ini");
  FileRequest request = RequestOf(dialog);
  EXPECT_EQ(request.title, QString());
  EXPECT_EQ(request.folder, QString("/home/u/Desktop/"));
  EXPECT_EQ(request.file_name, QString("/home/u/配置.ini"));
  EXPECT_EQ(request.filters, QStringList({"文本文件(*.ini)", "图片(*.jpg)"}));
  EXPECT_EQ(request.selected_filter, QString("文本文件(*.ini)"));
  EXPECT_EQ(request.default_suffix, QString("ini"));
  EXPECT_EQ(request.mode, QFileDialog::ExistingFile);
  dialog.filter.clear();
  dialog.file_must_exist = false;
  request = RequestOf(dialog);
  EXPECT_TRUE(request.filters.isEmpty());
  EXPECT_EQ(request.mode, QFileDialog::AnyFile);
}

TEST(FileDialogTest, OnlyAChoiceChangesTheFileName) {
  CommonDlg dialog;
  std::optional<QString> answer;
  SetFileHook([&](const FileRequest&) { return answer; });
  EXPECT_EQ(ChooseFile(nullptr, dialog), FileChoice::kCancelled);
  EXPECT_EQ(dialog.file_name, "");
  answer = QString("/home/u/配置.ini");
  EXPECT_EQ(ChooseFile(nullptr, dialog), FileChoice::kChosen);
  EXPECT_EQ(dialog.file_name, Cp936("/home/u/配置.ini"));
  answer = QString("/home/u/\U0001F600.ini");  // no code page 936 form
  EXPECT_EQ(ChooseFile(nullptr, dialog), FileChoice::kUnrepresentable);
  answer.reset();
  EXPECT_EQ(ChooseFile(nullptr, dialog), FileChoice::kCancelled);
  EXPECT_EQ(dialog.file_name, Cp936("/home/u/配置.ini"));
  SetFileHook({});
}

}  // namespace
}  // namespace inicrypt::ui
