// What the jobs and the start-up offer need of the main window: the texts of
// its two boxes, the message box and the open-file dialog. The Qt window
// implements it (ui/), the tests a scripted stand-in.
#pragma once

#include <string_view>

#include "base/text.h"

namespace inicrypt {

// Message styles: the host's MB_ bits.
inline constexpr int kStyleOk = 0;                // one OK button, no icon
inline constexpr int kStyleYesNoQuestion = 0x24;  // Yes and No, question icon
inline constexpr int kStyleSystemModal = 0x1000;

// Button codes a message box answers with.
enum ButtonCode : int {
  kButtonOk = 0,
  kButtonCancel = 1,
  kButtonAbort = 2,
  kButtonRetry = 3,
  kButtonIgnore = 4,
  kButtonYes = 5,
  kButtonNo = 6,
};

// The settings of a window's open-file dialog component (通用对话框1), kept
// between openings.
struct CommonDlg {
  Text dialog_title;     // empty: the host's default title
  Text file_name;        // filled in at opening; the full path after a choice
  Text filter;           // descriptions and patterns alternately, "|" between
  int filter_index = 0;  // pair selected at opening, from 0
  Text initial_folder;
  Text default_extension = ".ini";
  bool file_must_exist = true;  // else any name in an existing folder
};

// Result of reading a box.
enum class ControlText {
  kOk,
  kGone,             // the window has been closed; the text is empty
  kUnrepresentable,  // the text has no code page 936 form; the text is empty
};

enum class FileChoice {
  kChosen,           // a file was chosen
  kCancelled,        // nothing was chosen
  kUnrepresentable,  // a file was chosen whose path has no code page 936 form;
                     // the dialog keeps the file chosen before
};

class JobWindow {
 public:
  virtual ~JobWindow() = default;

  // The text of the path box 编辑框_文件路径 now, as typed or last set.
  [[nodiscard]] virtual ControlText PathText(Text* text) = 0;
  // The real text of the password box 编辑框_加密密码, not its mask.
  [[nodiscard]] virtual ControlText PasswordText(Text* text) = 0;
  // Puts text into the path box, shown at once; nothing happens once the
  // window has been closed.
  virtual void SetPathText(std::string_view text) = 0;
  void ClearPath() { SetPathText({}); }

  // A modal box with message, the caption "信息：", one OK button and no icon
  // (style 0).
  virtual void Tell(std::string_view message) = 0;
  // A modal box with question, the caption "信息：", the buttons Yes and No
  // and the question icon (style 36). True when Yes was pressed.
  [[nodiscard]] virtual bool AskYesNo(std::string_view question) = 0;

  // Opens the window's open-file dialog on folder, offering the file types of
  // filter (CommonDlg::filter), with the file chosen last filled in.
  // *file_name is then the dialog's file name: the chosen file's full path
  // after a choice, else the file chosen last (empty before any choice).
  virtual FileChoice ChooseFile(std::string_view folder, std::string_view filter,
                                Text* file_name) = 0;

  // True once the user has closed the window; a running job then stops.
  virtual bool IsClosed() const = 0;
};

}  // namespace inicrypt
