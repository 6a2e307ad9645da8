// Shared by the command-line tests: the tool run in-process with string
// streams, a fixed environment and scripted terminal answers. The process runs in the C.UTF-8
// locale, so typed texts and printed texts are UTF-8.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "tests/support/support.h"

namespace inicrypt::cli::testing {

// A temporary folder with byte access to its files.
using inicrypt::testing::TempFolder;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
  std::vector<std::string> prompts;  // prompts shown for secrets, in order
};

// The tool with what it talks to. The environment holds only what a test
// puts there (by default INICRYPT_PASSWORD=pw); every secret asked for is
// taken from the front of secrets.
class Cli {
 public:
  std::map<std::string, std::string> environment{{"INICRYPT_PASSWORD", "pw"}};
  std::deque<std::string> secrets;
  std::string stdin_bytes;
  bool out_is_terminal = false;  // stdout taken for a terminal

  Result Run(const std::vector<std::string>& args);
};

// The enciphered form of a whole plain text.
std::string Encipher(std::string_view plain, std::string_view password);
inline std::string Decipher(std::string_view bytes, std::string_view password) {
  return Encipher(bytes, password);
}

// UTF-8 for a code page 936 text, as a user types it in this locale.
std::string Utf8(std::string_view cp936);

// Chinese names of the sample (code page 936).
inline constexpr std::string_view kMyConfig = "\xCE\xD2\xB5\xC4\xC5\xE4\xD6\xC3";    // 我的配置
inline constexpr std::string_view kVersionKey = "\xB5\xB1\xC7\xB0\xB0\xE6\xB1\xBE";  // 当前版本

}  // namespace inicrypt::cli::testing
