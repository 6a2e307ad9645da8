#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <sstream>

#include "base/cp936.h"
#include "cli/cli.h"
#include "store/cipher.h"

namespace inicrypt::cli::testing {
namespace {

const bool kUtf8Locale = std::setlocale(LC_ALL, "C.UTF-8") != nullptr;

}  // namespace

Result Cli::Run(const std::vector<std::string>& args) {
  EXPECT_TRUE(kUtf8Locale) << "the C.UTF-8 locale is missing";
  std::istringstream in(stdin_bytes);
  std::ostringstream out;
  std::ostringstream err;
  Result result;
  Console console{
      in,
      out,
      err,
      [this](std::string_view name, std::optional<Text>* value) {
        value->reset();
        auto found = environment.find(std::string(name));
        if (found == environment.end()) return Status::Ok();
        Text text;
        if (!Utf8ToCp936(found->second, &text)) {
          return Status::Error("environment " + std::string(name) +
                               ": its value has no code page 936 form");
        }
        *value = text;
        return Status::Ok();
      },
      [this, &result](std::string_view prompt, std::string* line) {
        result.prompts.emplace_back(prompt);
        if (secrets.empty()) return Status::Error("no terminal");
        *line = secrets.front();
        secrets.pop_front();
        return Status::Ok();
      },
      out_is_terminal,
  };
  result.code = RunCli(args, console);
  result.out = out.str();
  result.err = err.str();
  return result;
}

std::string Encipher(std::string_view plain, std::string_view password) {
  std::string bytes(plain);
  PositionCipher cipher;
  cipher.SetPassword(password, 0);
  cipher.TransformAt(0, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

std::string Utf8(std::string_view cp936) {
  std::string utf8;
  EXPECT_TRUE(Cp936ToUtf8(cp936, &utf8));
  return utf8;
}

}  // namespace inicrypt::cli::testing
