// What the jobs and the start-up offer need of the main window: the texts of
// its controls, the message box and the open-file dialog. The Qt window
// implements it (ui/), the tests a scripted stand-in.
#pragma once

#include <string_view>

#include "base/text.h"

namespace inicrypt {

// Control names (code page 936); also the objectName of each Qt widget.
inline constexpr std::string_view kPathBox =
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xCE\xC4\xBC\xFE\xC2\xB7\xBE\xB6";  // 编辑框_文件路径
inline constexpr std::string_view kPasswordBox =
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xBC\xD3\xC3\xDC\xC3\xDC\xC2\xEB";  // 编辑框_加密密码
inline constexpr std::string_view kEncryptButton =
    "\xB0\xB4\xC5\xA5_\xBC\xD3\xC3\xDC\xC5\xE4\xD6\xC3";  // 按钮_加密配置
inline constexpr std::string_view kDecryptButton =
    "\xB0\xB4\xC5\xA5_\xBD\xE2\xC3\xDC\xC5\xE4\xD6\xC3";  // 按钮_解密配置
inline constexpr std::string_view kChooseButton =
    "\xB0\xB4\xC5\xA5_\xD1\xA1\xD4\xF1\xC2\xB7\xBE\xB6";  // 按钮_选择路径
inline constexpr std::string_view kLabel1 =
    "\xB1\xEA\xC7\xA9"
    "1";  // 标签1
inline constexpr std::string_view kLabel2 =
    "\xB1\xEA\xC7\xA9"
    "2";  // 标签2
inline constexpr std::string_view kLabel3 =
    "\xB1\xEA\xC7\xA9"
    "3";  // 标签3
inline constexpr std::string_view kGroupBox1 =
    "\xB7\xD6\xD7\xE9\xBF\xF2"
    "1";  // 分组框1
inline constexpr std::string_view kFileDialog1 =
    "\xCD\xA8\xD3\xC3\xB6\xD4\xBB\xB0\xBF\xF2"
    "1";  // 通用对话框1

// Message styles: the host's MB_ bits.
inline constexpr int kStyleOk = 0;                // one OK button, no icon
inline constexpr int kStyleYesNoQuestion = 0x24;  // Yes and No, question icon
inline constexpr int kStyleSystemModal = 0x1000;

// Button codes returned by ShowMessage.
enum ButtonCode : int {
  kButtonOk = 0,
  kButtonCancel = 1,
  kButtonAbort = 2,
  kButtonRetry = 3,
  kButtonIgnore = 4,
  kButtonYes = 5,
  kButtonNo = 6,
};

// The settings of an open-file dialog component, kept between openings.
struct CommonDlg {
  Text dialog_title;     // empty: the host's default title
  Text file_name;        // filled in at opening; the full path after a choice
  Text filter;           // descriptions and patterns alternately, "|" between
  int filter_index = 0;  // pair selected at opening, from 0
  Text initial_folder;
  Text default_extension = ".ini";
  bool create_prompt = false;
  bool file_must_exist = true;
  bool overwrite_prompt = true;
  bool path_must_exist = true;
  bool keep_current_folder = false;
};

// Result of reading a control's text.
enum class ControlText {
  kOk,
  kGone,             // the window has been closed; the text is empty
  kUnrepresentable,  // the text has no code page 936 form; the text is empty
};

enum class FileChoice {
  kChosen,           // FileName holds the chosen file's full path
  kCancelled,        // FileName unchanged
  kUnrepresentable,  // a file was chosen whose path has no code page 936 form;
                     // FileName unchanged
};

class JobWindow {
 public:
  virtual ~JobWindow() = default;

  // The text a control holds now, as typed or last set; for the password
  // box the real text, not the mask.
  [[nodiscard]] virtual ControlText GetControlText(std::string_view control, Text* text) = 0;
  // Replaces the text of a control and shows it at once; nothing happens
  // once the window has been closed.
  virtual void SetControlText(std::string_view control, std::string_view text) = 0;
  // A modal message box; caption empty means "信息：". Returns a button code.
  virtual int ShowMessage(std::string_view text, int style = kStyleOk,
                          std::string_view caption = {}) = 0;
  // The modal open-file dialog of a CommonDlg; changes only its file_name,
  // and only after a choice.
  virtual FileChoice ChooseFileToOpen(CommonDlg& dialog) = 0;
  // True once the user has closed the window; a running job then stops.
  virtual bool IsClosed() const = 0;
};

}  // namespace inicrypt
