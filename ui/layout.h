// The main window as data: its settings and its controls, in the order of
// the window's control list. Texts are code page 936.
#pragma once

#include <span>
#include <string_view>

#include "app/convert.h"
#include "base/cp936_literal.h"

namespace inicrypt::ui {

inline constexpr std::string_view kWindowTitle = u8"加密解密配置文件 Brev:Tolm"_cp936;

// Control names; also the objectName of each widget.
inline constexpr std::string_view kPathBox = u8"编辑框_文件路径"_cp936;
inline constexpr std::string_view kPasswordBox = u8"编辑框_加密密码"_cp936;
inline constexpr std::string_view kEncryptButton = u8"按钮_加密配置"_cp936;
inline constexpr std::string_view kDecryptButton = u8"按钮_解密配置"_cp936;
inline constexpr std::string_view kChooseButton = u8"按钮_选择路径"_cp936;
inline constexpr std::string_view kLabel1 = u8"标签1"_cp936;
inline constexpr std::string_view kLabel2 = u8"标签2"_cp936;
inline constexpr std::string_view kLabel3 = u8"标签3"_cp936;
inline constexpr std::string_view kGroupBox1 = u8"分组框1"_cp936;
inline constexpr std::string_view kFileDialog1 = u8"通用对话框1"_cp936;

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
    // clang-format off
    {kLabel3, ControlKind::kLabel, {}, 6, 113, 377, 15,
     u8"默认密码:73580647 >>可解密后按照此格式写自行修改配置文件内容<<"_cp936, false},
    {kPasswordBox, ControlKind::kEditBox, kGroupBox1, 63, 22, 120, 30, kDefaultPassword, true, true},
    {kLabel2, ControlKind::kLabel, kGroupBox1, 9, 26, 49, 24, u8"密码秘钥"_cp936, false},
    {kEncryptButton, ControlKind::kButton, kGroupBox1, 188, 19, 79, 34, u8"加密配置"_cp936, true},
    {kDecryptButton, ControlKind::kButton, kGroupBox1, 281, 19, 79, 34, u8"解密配置"_cp936, true},
    {kGroupBox1, ControlKind::kGroupBox, {}, 8, 37, 368, 72, {}, false},
    {kChooseButton, ControlKind::kButton, {}, 328, 8, 48, 24, u8"选择"_cp936, true},
    {kPathBox, ControlKind::kEditBox, {}, 60, 9, 267, 24, {}, true},
    {kLabel1, ControlKind::kLabel, {}, 8, 8, 48, 24, u8"文件路径"_cp936, false},
    // clang-format on
};

}  // namespace inicrypt::ui
