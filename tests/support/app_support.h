// Shared by the app and window tests: a temporary run directory, whole-file helpers
// for code page 936 paths and a scripted stand-in for the main window.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/job_window.h"
#include "base/text.h"
#include "tests/support/support.h"

namespace inicrypt::testing {

// A fresh temporary folder, made the run directory; removed with its content after.
class TempRunDirectory {
 public:
  TempRunDirectory();
  // The folder as a Text path, and a file in it.
  Text path() const { return folder_.Folder(); }
  Text File(std::string_view name) const { return folder_.Path(name); }
  // Names of the files in the folder, sorted, as the file system has them (UTF-8).
  std::vector<std::string> Names() const { return folder_.Names(); }

 private:
  TempFolder folder_;
};

// The file system's name for a path in code page 936.
std::filesystem::path Native(const Text& path);
// Whole-file helpers over the platform file system (tests only); paths in
// code page 936, as the system has them.
std::string ReadFileBytes(const Text& path);
void WriteFileBytes(const Text& path, std::string_view bytes);
bool Exists(const Text& path);
// The plain text of a file enciphered under password.
std::string Decipher(const Text& path, std::string_view password);
// Enciphers plain into path under password.
void WriteEnciphered(const Text& path, std::string_view password, std::string_view plain);

// A window that answers from a script and records what it was asked.
class ScriptedWindow : public JobWindow {
 public:
  struct Message {
    Text text;
    bool question;  // asked with Yes and No
    Text path_box;  // the path box's text while the box was shown
  };

  Text path_box;
  Text password_box;
  bool path_unrepresentable = false;      // the path box's text cannot be had
  bool password_unrepresentable = false;  // nor the password box's
  std::vector<Message> messages;          // every box, in order
  std::deque<bool> answers;               // to the questions: Yes or No (default No)
  // The open-file dialog, given the window's dialog component with the
  // folder and filter set; sets its file_name on a choice. Default: cancel.
  std::function<FileChoice(CommonDlg&)> file_dialog;
  CommonDlg dialog;
  bool closed = false;
  int dialogs_opened = 0;

  ControlText PathText(Text* text) override;
  ControlText PasswordText(Text* text) override;
  void SetPathText(std::string_view text) override;
  void Tell(std::string_view message) override;
  bool AskYesNo(std::string_view question) override;
  FileChoice ChooseFile(std::string_view folder, std::string_view filter, Text* file_name) override;
  bool IsClosed() const override { return closed; }

  // The texts of the messages shown, in order.
  std::vector<Text> MessageTexts() const;
};

}  // namespace inicrypt::testing
