#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "base/cp936.h"
#include "cli/cli.h"
#include "store/cipher.h"

namespace inicrypt::cli::testing {
namespace {

const bool kUtf8Locale = std::setlocale(LC_ALL, "C.UTF-8") != nullptr;

}  // namespace

TempFolder::TempFolder() {
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  do {
    path_ = base / ("inicrypt-cli-test-" + std::to_string(random()));
  } while (!std::filesystem::create_directory(path_));
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempFolder::Write(std::string_view name, std::string_view bytes) const {
  std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolder::Read(std::string_view name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool TempFolder::Exists(std::string_view name) const {
  return std::filesystem::exists(path_ / name);
}

std::vector<std::string> TempFolder::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

uint32_t TempFolder::Mode(std::string_view name) const {
  return static_cast<uint32_t>(std::filesystem::status(path_ / name).permissions()) & 07777;
}

void TempFolder::SetMode(std::string_view name, uint32_t mode) const {
  std::filesystem::permissions(path_ / name, static_cast<std::filesystem::perms>(mode));
}

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
      [this](std::string_view name) {
        auto found = environment.find(std::string(name));
        if (found == environment.end()) return Text();
        Text text;
        EXPECT_TRUE(Utf8ToCp936(found->second, &text));
        return text;
      },
      [this, &result](std::string_view prompt, std::string* line) {
        result.prompts.emplace_back(prompt);
        if (secrets.empty()) return Status::Error("no terminal");
        *line = secrets.front();
        secrets.pop_front();
        return Status::Ok();
      },
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
