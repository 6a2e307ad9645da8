#include "tests/app/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/cp936.h"
#include "base/services.h"
#include "store/file_store.h"

namespace inicrypt::testing {

TempRunDirectory::TempRunDirectory() {
  static std::atomic<int> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name =
      std::string("inicrypt-app-") + (info ? info->name() : "x") + "-" + std::to_string(counter++);
  std::replace(name.begin(), name.end(), '/', '_');
  folder_ = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  EXPECT_TRUE(SetRunDirectory(folder_.string()));
}

TempRunDirectory::~TempRunDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

Text TempRunDirectory::File(std::string_view name) const {
  return path() + "/" + std::string(name);
}

std::vector<std::string> TempRunDirectory::Names(const Text& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::filesystem::path Native(const Text& path) {
  std::string utf8;
  EXPECT_TRUE(Cp936ToUtf8(path, &utf8)) << path;
  return utf8;
}

std::string ReadFileBytes(const Text& path) {
  std::ifstream in(Native(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const Text& path, std::string_view bytes) {
  std::ofstream out(Native(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

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
