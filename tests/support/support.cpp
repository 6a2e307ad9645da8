#include "tests/support/support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#ifdef _WIN32
#include <windows.h>

#include "base/cp936.h"
#endif

namespace inicrypt::testing {

namespace fs = std::filesystem;

namespace {
// A name given as UTF-8, as the file system takes it on every system (a
// plain char string is the ANSI code page on Windows).
fs::path Utf8(std::string_view name) { return std::u8string(name.begin(), name.end()); }
}  // namespace

TempFolder::TempFolder() {
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  do {
    path_ = base / ("inicrypt-test-" + std::to_string(random()));
  } while (!fs::create_directory(path_));
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(path_, ignored);
}

void TempFolder::Write(std::string_view name, std::string_view bytes) const {
  WriteAll(path_ / Utf8(name), bytes);
}

std::string TempFolder::Read(std::string_view name) const { return ReadAll(path_ / Utf8(name)); }

bool TempFolder::Exists(std::string_view name) const { return fs::exists(path_ / Utf8(name)); }

std::vector<std::string> TempFolder::Names() const { return NamesIn(path_); }

uint32_t TempFolder::Mode(std::string_view name) const {
  return static_cast<uint32_t>(fs::status(path_ / name).permissions()) & 07777;
}

void TempFolder::SetMode(std::string_view name, uint32_t mode) const {
  fs::permissions(path_ / name, static_cast<fs::perms>(mode));
}

#ifdef _WIN32
// On Windows the environment is UTF-16; values are given and kept as UTF-8,
// the encoding tests use for the edges of every host.
namespace {
std::wstring Wide(std::string_view utf8) {
  std::wstring wide;
  if (!Utf8ToWide(utf8, &wide)) ADD_FAILURE() << "not UTF-8: " << utf8;
  return wide;
}
}  // namespace

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
  const std::wstring wide_name = Wide(name);
  std::wstring old(32767, L'\0');
  SetLastError(ERROR_SUCCESS);
  DWORD n = GetEnvironmentVariableW(wide_name.c_str(), old.data(), static_cast<DWORD>(old.size()));
  if (n > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND) {
    old.resize(n);
    std::string utf8;
    if (WideToUtf8(old, &utf8)) old_ = utf8;
  }
  Set(value);
}

ScopedEnv::~ScopedEnv() { Set(old_); }

void ScopedEnv::Set(const std::optional<std::string>& value) const {
  SetEnvironmentVariableW(Wide(name_).c_str(), value ? Wide(*value).c_str() : nullptr);
}
#else
ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  Set(value);
}

ScopedEnv::~ScopedEnv() { Set(old_); }

void ScopedEnv::Set(const std::optional<std::string>& value) const {
  if (value) {
    setenv(name_.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}
#endif

std::optional<std::string> TryReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ReadAll(const fs::path& path) { return TryReadAll(path).value_or(std::string()); }

void WriteAll(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> NamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    // As UTF-8 on every system.
    const std::u8string name = entry.path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

::testing::AssertionResult IsOk(const Status& status) {
  if (status.ok()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << status.message();
}

}  // namespace inicrypt::testing
