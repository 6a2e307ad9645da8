#include "tests/support/app_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/run_directory.h"
#include "base/cp936.h"
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
  int32_t length = 0;
  EXPECT_TRUE(IsOk(store::GetLength(file, &length)));
  std::string plain(static_cast<size_t>(length), '\0');
  int32_t got = 0;
  EXPECT_TRUE(IsOk(store::Read(file, plain.data(), length, &got)));
  EXPECT_EQ(got, length);
  CloseFile(file);
  return plain;
}

void WriteEnciphered(const Text& path, std::string_view password, std::string_view plain) {
  FileNumber file = OpenFile(path, CreateWrite, ShareAll, password);
  ASSERT_NE(file, 0u) << path;
  EXPECT_TRUE(IsOk(store::Write(file, plain.data(), static_cast<int32_t>(plain.size()))));
  CloseFile(file);
}

namespace {

ControlText BoxText(bool closed, bool unrepresentable, const Text& box, Text* text) {
  text->clear();
  if (closed) return ControlText::kGone;
  if (unrepresentable) return ControlText::kUnrepresentable;
  *text = box;
  return ControlText::kOk;
}

}  // namespace

ControlText ScriptedWindow::PathText(Text* text) {
  return BoxText(closed, path_unrepresentable, path_box, text);
}

ControlText ScriptedWindow::PasswordText(Text* text) {
  return BoxText(closed, password_unrepresentable, password_box, text);
}

void ScriptedWindow::SetPathText(std::string_view text) {
  if (!closed) path_box = Text(text);
}

void ScriptedWindow::Tell(std::string_view message) {
  messages.push_back({Text(message), false, path_box});
}

bool ScriptedWindow::AskYesNo(std::string_view question) {
  messages.push_back({Text(question), true, path_box});
  if (answers.empty()) return false;
  const bool yes = answers.front();
  answers.pop_front();
  return yes;
}

FileChoice ScriptedWindow::ChooseFile(std::string_view folder, std::string_view filter,
                                      Text* file_name) {
  ++dialogs_opened;
  dialog.initial_folder = Text(folder);
  dialog.filter = Text(filter);
  const FileChoice choice = file_dialog ? file_dialog(dialog) : FileChoice::kCancelled;
  *file_name = dialog.file_name;
  return choice;
}

std::vector<Text> ScriptedWindow::MessageTexts() const {
  std::vector<Text> texts;
  for (const Message& m : messages) texts.push_back(m.text);
  return texts;
}

}  // namespace inicrypt::testing
