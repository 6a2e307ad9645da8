// The work of the encrypt and decrypt jobs as functions over paths and a
// password, shared by the window and the command line.
//
// The encrypt pair loop lists the sections and keys of a plain INI file with
// the INI reader (ListSections, ListKeys), asks the profile service for each
// value (ReadProfileValue, the path exactly as given) and writes each pair
// with WriteValue under the password, in source order. A file built that way
// holds "[" section "]" and key "=" value lines ending in CR LF, enciphered
// by position: the bytes the window's encrypt job writes.
//
// The decrypt pair loop lists the names of an enciphered file under the
// password, reads each value with ReadValue from a value file under the same
// password (the window uses the run directory's "config.ini"; a caller that
// wants the file's own values passes the same path twice) and sets each pair
// with WriteProfileValue in a plain INI file.
//
// Paths are Text (code page 936), "\" or "/" as separators. The INI rules
// apply: a path with no separator names a file in the folder of FolderKind::kIniFiles.
#pragma once

#include <functional>
#include <string_view>

#include "base/cp936_literal.h"
#include "base/status.h"
#include "base/text.h"

namespace inicrypt {

// Files of the run directory.
inline constexpr std::string_view kConfigFileName = "config.ini";
inline constexpr std::string_view kDecryptedFileName = u8"解密后config.ini"_cp936;
inline constexpr std::string_view kSampleFileName = u8"样板config.ini"_cp936;

// The password the window's password box starts with, and the command line's
// when it is given none.
inline constexpr std::string_view kDefaultPassword = "73580647";

// The plain sample configuration offered at start: 262 bytes of INI text,
// 13 lines each ending in CR LF, three sections of 3, 2 and 5 keys.
inline constexpr std::string_view SampleConfiguration =
    u8"[我的配置]\r\n"
    u8"程序编写=20191014\r\n"
    u8"当前版本=1.0\r\n"
    u8"配置节=要按照格式[这样是节]\r\n"
    u8"[我的出品]\r\n"
    u8"Brev首发=BrevTolm\r\n"
    u8"可以再加=理论支持很长吧\r\n"
    u8"[我的自由增加]\r\n"
    u8"你也可以自定义增加=按照格式节[我是节]\r\n"
    u8"我是配置项=我是项\r\n"
    u8"写点什么吧=ABC123bca\r\n"
    u8"哇啊=1233333222\r\n"
    u8"DDDD=a1b2D33FD33Z\r\n"_cp936;

// Called after each pair (the window lets its events run there); returning
// false stops the run after that pair.
using PairProgress = std::function<bool()>;

enum class ConvertOutcome {
  kDone,              // every pair written (the target replaced, for *Config)
  kSourceUnreadable,  // the source (names and, for encrypt, values) could not be opened or read
  kValuesUnreadable,  // decrypt: the value file could not be opened or read
  kNothingFound,      // encrypt: no pair to write; decrypt: no section at all
  kWriteFailed,       // the result could not be written completely
  kStopped,           // progress asked to stop
};

struct ConvertResult {
  ConvertOutcome outcome = ConvertOutcome::kDone;
  int sections = 0;  // section names listed in the source
  int pairs = 0;     // pairs written
  Status error;      // for the failures (kSourceUnreadable, kValuesUnreadable, kWriteFailed):
                     // what failed and where
};

// The encrypt pair loop into target, which must be missing or empty. A pair
// that WriteValue refuses (CheckWritablePair) is passed over. kNothingFound
// when no pair was written. A source that fails to open or read gives
// kSourceUnreadable, a failing WriteValue kWriteFailed; both stop the loop at
// once, target left as far as it got.
[[nodiscard]] ConvertResult EncryptPairs(std::string_view source, std::string_view target,
                                         std::string_view password,
                                         const PairProgress& progress = {});

// The decrypt pair loop into output, whose other pairs stay. Each pair is
// set in place and not forced to disk: output is meant to be a file being
// built under a temporary name (DecryptConfig), forced to disk once when it
// is complete. A pair the profile service refuses (IsProfilePair) is passed
// over. A names file that fails to open or read gives kSourceUnreadable, a
// value file that fails kValuesUnreadable, a failing WriteProfileValue
// kWriteFailed; each stops the loop at once.
[[nodiscard]] ConvertResult DecryptPairs(std::string_view names_file, std::string_view values_file,
                                         std::string_view password, std::string_view output,
                                         const PairProgress& progress = {});

// Replaces target with the enciphered pairs of source, never leaving a half
// file: the source must open and read (else kSourceUnreadable) and yield at
// least one pair (else kNothingFound); the new file is built by EncryptPairs
// in a temporary file in target's folder, forced to disk, given the old
// file's owner and permission bits and renamed over target (host/replace.h);
// writers in other processes wait for each other (WriterLock). On any outcome but kDone
// target is exactly as it was and no temporary file is left.
[[nodiscard]] ConvertResult EncryptConfig(std::string_view source, std::string_view target,
                                          std::string_view password,
                                          const PairProgress& progress = {});

// Sets the pairs of names_file (values from values_file) in output the same
// way: kSourceUnreadable when names_file does not open or read, kNothingFound
// when it lists no section (a wrong password, or a file that is not
// enciphered); otherwise a copy of output is updated by DecryptPairs in a
// temporary file and renamed over it, a new output readable by its owner
// only (0600). On any outcome but kDone output is
// exactly as it was.
[[nodiscard]] ConvertResult DecryptConfig(std::string_view names_file, std::string_view values_file,
                                          std::string_view password, std::string_view output,
                                          const PairProgress& progress = {});

}  // namespace inicrypt
