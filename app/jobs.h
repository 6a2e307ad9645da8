// The commands behind the window's buttons and its creation event. They
// reach the window only through JobWindow, the user only through its
// ShowMessage (style 0, except the start-up question), and work on files of
// the run directory (RunDirectory()).
#pragma once

#include <string_view>

#include "app/job_window.h"
#include "base/text.h"

namespace inicrypt {

// Texts shown to the user (code page 936).
namespace msg {
inline constexpr std::string_view kChooseFile =
    "\xC7\xEB\xD1\xA1\xD4\xF1\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE";  // 请选择配置文件
inline constexpr std::string_view kEmptyPassword =
    "\xB2\xBB\xD6\xA7\xB3\xD6\xBF\xD5\xC3\xDC\xC2\xEB";  // 不支持空密码
inline constexpr std::string_view kEncrypted = "\xBC\xD3\xC3\xDC\xCD\xEA\xB3\xC9!";  // 加密完成!
inline constexpr std::string_view kDecrypted = "\xBD\xE2\xC3\xDC\xCD\xEA\xB3\xC9!";  // 解密完成!
inline constexpr std::string_view kOfferSample =
    "\xB7\xA2\xCF\xD6\xD4\xDA\xCD\xAC\xC4\xBF\xC2\xBC\xCF\xC2\xC3\xBB<config.ini>"
    "\xCA\xC7\xB7\xF1\xB4\xB4\xBD\xA8";  // 发现在同目录下没<config.ini>是否创建
inline constexpr std::string_view kDefaultCaption = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：
inline constexpr std::string_view kSourceUnreadable =
    "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xCB\xF9\xD1\xA1\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE";  // 无法读取所选配置文件
inline constexpr std::string_view kNoPairs =
    "\xCB\xF9\xD1\xA1\xCE\xC4\xBC\xFE\xD6\xD0\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xC5\xE4\xD6\xC3"
    "\xCF\xEE";  // 所选文件中没有找到配置项
inline constexpr std::string_view kNoSections =
    "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xC5\xE4\xD6\xC3\xBD\xDA\xA3\xAC\xC3\xDC\xC2\xEB\xBF\xC9"
    "\xC4\xDC\xB2\xBB\xD5\xFD\xC8\xB7";  // 没有找到配置节，密码可能不正确
inline constexpr std::string_view kEncryptFailed =
    "\xBC\xD3\xC3\xDC\xCA\xA7\xB0\xDC!\xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB"
    "config.ini";  // 加密失败!无法写入config.ini
inline constexpr std::string_view kDecryptFailed =
    "\xBD\xE2\xC3\xDC\xCA\xA7\xB0\xDC!\xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB\xBD\xE2\xC3\xDC\xBA\xF3"
    "config.ini";  // 解密失败!无法写入解密后config.ini
inline constexpr std::string_view kValuesUnreadable =
    "\xBD\xE2\xC3\xDC\xCA\xA7\xB0\xDC!\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1"
    "config.ini";  // 解密失败!无法读取config.ini
inline constexpr std::string_view kPathUnsupported =
    "\xCE\xC4\xBC\xFE\xC2\xB7\xBE\xB6\xBA\xAC\xD3\xD0\xB2\xBB\xD6\xA7\xB3\xD6\xB5\xC4\xD7\xD6"
    "\xB7\xFB";  // 文件路径含有不支持的字符
inline constexpr std::string_view kPasswordUnsupported =
    "\xC3\xDC\xC2\xEB\xBA\xAC\xD3\xD0\xB2\xBB\xD6\xA7\xB3\xD6\xB5\xC4\xD7\xD6\xB7\xFB";  // 密码含有不支持的字符
inline constexpr std::string_view kSampleFailed =
    "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xD1\xF9\xB0\xE5"
    "config.ini";  // 无法创建样板config.ini
}  // namespace msg

// The filter the choose command gives 通用对话框1.
inline constexpr std::string_view kConfigFileFilter =
    "\xCE\xC4\xB1\xBE\xCE\xC4\xBC\xFE(*.ini)|*.ini|\xCD\xBC\xC6\xAC(*.jpg)|*.jpg";  // 文本文件(*.ini)|*.ini|图片(*.jpg)|*.jpg

// A file of the run directory: RunDirectory(), the separator, name.
Text RunFile(std::string_view name);

// Enciphers the plain INI file of the path box into the run directory's
// "config.ini" under the password box's text (EncryptConfig). Both boxes are
// read once, at the start. On success "加密完成!" is shown and the path box
// emptied; otherwise the old "config.ini" stays and the user is told why.
// When the window is closed during the job, it stops after the current
// value and shows nothing.
void EncryptJob(JobWindow& window);

// Sets the pairs of the enciphered file of the path box, with the values of
// the run directory's "config.ini", in "解密后config.ini" (DecryptConfig).
// On success the path box is emptied and "解密完成!" shown; otherwise the
// output stays as it was and the user is told why.
void DecryptJob(JobWindow& window);

// When the run directory has no "config.ini", asks "发现在同目录下没<config.ini>
// 是否创建" (Yes/No); on Yes writes SampleConfiguration into "样板config.ini",
// saying so only when that fails.
void StartupOffer(JobWindow& window);

// Opens dialog (the window's 通用对话框1) on the desktop folder with the
// configuration file filter and puts its FileName into the path box, chosen
// or not.
void ChooseConfigFile(JobWindow& window, CommonDlg& dialog);

}  // namespace inicrypt
