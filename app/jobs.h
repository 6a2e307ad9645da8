// The commands behind the window's buttons and its creation event. They
// reach the window and the user only through JobWindow, and work on files of
// the run directory (RunDirectory()).
#pragma once

#include <string_view>

#include "app/job_window.h"
#include "base/cp936_literal.h"
#include "base/text.h"

namespace inicrypt {

// Texts shown to the user (code page 936).
namespace msg {
inline constexpr std::string_view kChooseFile = u8"请选择配置文件"_cp936;
inline constexpr std::string_view kEmptyPassword = u8"不支持空密码"_cp936;
inline constexpr std::string_view kEncrypted = u8"加密完成!"_cp936;
inline constexpr std::string_view kDecrypted = u8"解密完成!"_cp936;
inline constexpr std::string_view kOfferSample = u8"发现在同目录下没<config.ini>是否创建"_cp936;
inline constexpr std::string_view kDefaultCaption = u8"信息："_cp936;
inline constexpr std::string_view kSourceUnreadable = u8"无法读取所选配置文件"_cp936;
inline constexpr std::string_view kNoPairs = u8"所选文件中没有找到配置项"_cp936;
inline constexpr std::string_view kNoSections = u8"没有找到配置节，密码可能不正确"_cp936;
inline constexpr std::string_view kEncryptFailed = u8"加密失败!无法写入config.ini"_cp936;
inline constexpr std::string_view kDecryptFailed = u8"解密失败!无法写入解密后config.ini"_cp936;
inline constexpr std::string_view kValuesUnreadable = u8"解密失败!无法读取config.ini"_cp936;
inline constexpr std::string_view kPathUnsupported = u8"文件路径含有不支持的字符"_cp936;
inline constexpr std::string_view kPasswordUnsupported = u8"密码含有不支持的字符"_cp936;
inline constexpr std::string_view kSampleFailed = u8"无法创建样板config.ini"_cp936;
}  // namespace msg

// The filter the choose command gives the open-file dialog.
inline constexpr std::string_view kConfigFileFilter =
    u8"文本文件(*.ini)|*.ini|图片(*.jpg)|*.jpg"_cp936;

// A file of the run directory: RunDirectory(), the separator, name.
Text RunFile(std::string_view name);

// Enciphers the plain INI file named in the path box into the run
// directory's "config.ini" under the password box's text (EncryptConfig).
// Both boxes are read once, at the start. On success "加密完成!" is shown,
// then the path box emptied; otherwise the old "config.ini" stays and the
// user is told why. When the window is closed during the job, it stops
// after the current value and shows nothing.
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

// Opens the window's open-file dialog on the desktop folder with the
// configuration file filter, then puts the dialog's file name into the path
// box: the file chosen now, or after a cancel the one chosen last.
void ChooseConfigFile(JobWindow& window);

}  // namespace inicrypt
