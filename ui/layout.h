// The main window as data: its settings and its controls, in the order of
// the window's control list. Texts are code page 936.
#pragma once

#include <span>
#include <string_view>

#include "app/job_window.h"

namespace inicrypt::ui {

inline constexpr std::string_view kWindowTitle =
    "\xBC\xD3\xC3\xDC\xBD\xE2\xC3\xDC\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE Brev:Tolm";  // 加密解密配置文件
                                                                                   // Brev:Tolm

// The outer frame, title bar and borders included.
inline constexpr int kOuterWidth = 395;
inline constexpr int kOuterHeight = 164;
// The client area: the outer frame less the classic fixed-frame metrics, a
// border of 3 pixels on each side and a title bar of 19. The frame a window
// manager draws comes on top of it.
inline constexpr int kFrameBorder = 3;
inline constexpr int kTitleBar = 19;
inline constexpr int kClientWidth = kOuterWidth - 2 * kFrameBorder;
inline constexpr int kClientHeight = kOuterHeight - 2 * kFrameBorder - kTitleBar;
// The window's font: the size of the host's default GUI font for Chinese.
inline constexpr int kFontPixels = 12;

enum class ControlKind { kEditBox, kButton, kLabel, kGroupBox };

struct ControlRow {
  std::string_view name;
  ControlKind kind;
  std::string_view parent;  // empty: the window itself
  int x, y, width, height;  // relative to the parent's client area
  std::string_view text;
  bool tab_stop;
  bool password = false;  // edit box showing "*" for every character
};

// The visible controls; 通用对话框1 has no window and lives in MainWindow.
inline constexpr ControlRow kControls[] = {
    {kLabel3,
     ControlKind::kLabel,
     {},
     6,
     113,
     377,
     15,
     "\xC4\xAC\xC8\xCF\xC3\xDC\xC2\xEB:73580647 >>\xBF\xC9\xBD\xE2\xC3\xDC\xBA\xF3\xB0\xB4\xD5"
     "\xD5\xB4\xCB\xB8\xF1\xCA\xBD\xD0\xB4\xD7\xD4\xD0\xD0\xD0\xDE\xB8\xC4\xC5\xE4\xD6\xC3\xCE"
     "\xC4\xBC\xFE\xC4\xDA\xC8\xDD<<",  // 默认密码:73580647
                                        // >>可解密后按照此格式写自行修改配置文件内容<<
     false},
    {kPasswordBox, ControlKind::kEditBox, kGroupBox1, 63, 22, 120, 30, "73580647", true, true},
    {kLabel2, ControlKind::kLabel, kGroupBox1, 9, 26, 49, 24, "\xC3\xDC\xC2\xEB\xC3\xD8\xD4\xBF",
     false},  // 密码秘钥
    {kEncryptButton, ControlKind::kButton, kGroupBox1, 188, 19, 79, 34,
     "\xBC\xD3\xC3\xDC\xC5\xE4\xD6\xC3", true},  // 加密配置
    {kDecryptButton, ControlKind::kButton, kGroupBox1, 281, 19, 79, 34,
     "\xBD\xE2\xC3\xDC\xC5\xE4\xD6\xC3", true},  // 解密配置
    {kGroupBox1, ControlKind::kGroupBox, {}, 8, 37, 368, 72, {}, false},
    {kChooseButton, ControlKind::kButton, {}, 328, 8, 48, 24, "\xD1\xA1\xD4\xF1", true},  // 选择
    {kPathBox, ControlKind::kEditBox, {}, 60, 9, 267, 24, {}, true},
    {kLabel1,
     ControlKind::kLabel,
     {},
     8,
     8,
     48,
     24,
     "\xCE\xC4\xBC\xFE\xC2\xB7\xBE\xB6",
     false},  // 文件路径
};

}  // namespace inicrypt::ui
