// Temporary folders, environment overrides and file access for the INI tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "base/text.h"
#include "store/file_store.h"

namespace inicrypt::testing {

// A fresh folder under the system's temporary folder, removed with its content.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    do {
      path_ = base / ("inicrypt-ini-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Folder() const { return path_.string(); }
  // A name inside the folder, as a "/" separated text path.
  Text Path(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) an environment variable for a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::optional<std::string>& value) {
    if (value) {
      setenv(name_.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  std::string name_;
  std::optional<std::string> old_;
};

// The bytes of a file as they are on disk; nullopt when it cannot be read.
inline std::optional<std::string> DiskBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes text into a new file through the store, enciphered under password.
inline bool PutText(const Text& path, std::string_view text, std::string_view password) {
  const FileNumber file = OpenFile(path, CreateWrite, ShareAll, password);
  if (file == 0) return false;
  const bool written = WriteBytes(file, text.data(), static_cast<int32_t>(text.size()));
  CloseFile(file);
  return written;
}

// The text of a file read through the store, deciphered under password.
inline std::optional<Text> GetText(const Text& path, std::string_view password) {
  const FileNumber file = OpenFile(path, OpenRead, ShareAll, password);
  if (file == 0) return std::nullopt;
  const int32_t length = GetFileLength(file);
  std::optional<Text> text;
  if (length >= 0) {
    text.emplace(static_cast<size_t>(length), '\0');
    if (ReadBytes(file, text->data(), length) != length) text.reset();
  }
  CloseFile(file);
  return text;
}

// True when nothing holds the file open: an open that shares nothing succeeds.
inline bool NobodyHolds(const Text& path) {
  const FileNumber file = OpenFile(path, OpenRead, DenyReadWrite);
  if (file == 0) return false;
  CloseFile(file);
  return true;
}

// The passwords every file test runs with: a plain file and an enciphered one.
inline constexpr std::string_view kPasswords[] = {"", "73580647"};

}  // namespace inicrypt::testing
