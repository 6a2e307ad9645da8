// What every test area shares: a temporary folder, an environment override
// for a scope, whole-file access past the system, and Status in assertions.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace inicrypt::testing {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes (folders a test made read-only included).
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as a text path, without a trailing separator.
  std::string Folder() const { return path_.string(); }
  // A name inside the folder, as a "/" separated text path ("\" on
  // Windows). The name is joined as bytes: a code page 936 name stays one.
#ifdef _WIN32
  std::string Path(std::string_view name) const { return Folder() + "\\" + std::string(name); }
#else
  std::string Path(std::string_view name) const { return (path_ / name).string(); }
#endif

  // Whole-file access to a name inside the folder, given as UTF-8.
  void Write(std::string_view name, std::string_view bytes) const;
  std::string Read(std::string_view name) const;
  bool Exists(std::string_view name) const;
  // The names of everything in the folder, sorted.
  std::vector<std::string> Names() const;
  // The permission bits of a name inside the folder, and setting them.
  uint32_t Mode(std::string_view name) const;
  void SetMode(std::string_view name, uint32_t mode) const;

 private:
  std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) an environment variable for a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::optional<std::string>& value) const;
  std::string name_;
  std::optional<std::string> old_;
};

// The bytes of a file as they are on disk; nullopt when it cannot be opened.
std::optional<std::string> TryReadAll(const std::filesystem::path& path);
// The bytes of a file as they are on disk; empty when it cannot be opened.
std::string ReadAll(const std::filesystem::path& path);
// Makes the file hold exactly bytes.
void WriteAll(const std::filesystem::path& path, std::string_view bytes);
// The names of everything in a folder as UTF-8, sorted.
std::vector<std::string> NamesIn(const std::filesystem::path& folder);

// Succeeds for an OK status; a failure shows the status's message.
::testing::AssertionResult IsOk(const Status& status);

}  // namespace inicrypt::testing
