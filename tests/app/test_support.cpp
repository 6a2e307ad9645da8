#include "tests/app/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/cp936.h"
#include "base/services.h"
#include "store/file_store.h"

namespace inicrypt::testing {

TempRunDirectory::TempRunDirectory() { EXPECT_TRUE(SetRunDirectory(folder_.Folder())); }

std::filesystem::path Native(const Text& path) {
  std::string utf8;
  EXPECT_TRUE(Cp936ToUtf8(path, &utf8)) << path;
  // As UTF-8 on every system (a plain char string is the ANSI code page on
  // Windows).
  return std::u8string(utf8.begin(), utf8.end());
}

std::string ReadFileBytes(const Text& path) { return ReadAll(Native(path)); }

void WriteFileBytes(const Text& path, std::string_view bytes) { WriteAll(Native(path), bytes); }

bool Exists(const Text& path) { return std::filesystem::exists(Native(path)); }

std::string Decipher(const Text& path, std::string_view password) {
  FileNumber file = OpenFile(path, OpenRead, ShareAll, password);
  EXPECT_NE(file, 0u) << path;
  if (file == 0) return {};
  std::string plain(static_cast<size_t>(GetFileLength(file)), '\0');
  EXPECT_EQ(ReadBytes(file, plain.data(), static_cast<int32_t>(plain.size())),
            static_cast<int32_t>(plain.size()));
  CloseFile(file);
  return plain;
}

void WriteEnciphered(const Text& path, std::string_view password, std::string_view plain) {
  FileNumber file = OpenFile(path, CreateWrite, ShareAll, password);
  ASSERT_NE(file, 0u) << path;
  EXPECT_TRUE(WriteBytes(file, plain.data(), static_cast<int32_t>(plain.size())));
  CloseFile(file);
}

ControlText ScriptedWindow::GetControlText(std::string_view control, Text* text) {
  text->clear();
  if (closed) return ControlText::kGone;
  if (std::find(unrepresentable.begin(), unrepresentable.end(), control) != unrepresentable.end()) {
    return ControlText::kUnrepresentable;
  }
  *text = controls[Text(control)];
  return ControlText::kOk;
}

void ScriptedWindow::SetControlText(std::string_view control, std::string_view text) {
  if (!closed) controls[Text(control)] = Text(text);
}

int ScriptedWindow::ShowMessage(std::string_view text, int style, std::string_view caption) {
  messages.push_back({Text(text), style, Text(caption), controls[Text(kPathBox)]});
  if (answers.empty()) return kButtonOk;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

FileChoice ScriptedWindow::ChooseFileToOpen(CommonDlg& dialog) {
  ++dialogs_opened;
  return file_dialog ? file_dialog(dialog) : FileChoice::kCancelled;
}

std::vector<Text> ScriptedWindow::MessageTexts() const {
  std::vector<Text> texts;
  for (const Message& m : messages) texts.push_back(m.text);
  return texts;
}

}  // namespace inicrypt::testing
