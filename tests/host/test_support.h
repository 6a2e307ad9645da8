// Temporary folders, environment overrides and file helpers for the host tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

#include "base/status.h"

namespace inicrypt::testing {

// A fresh folder under the system's temporary folder, removed with its content.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    auto base = std::filesystem::temp_directory_path();
    do {
      path_ = base / ("inicrypt-host-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder joined with a name, as a text path ("/" separated).
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

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

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline ::testing::AssertionResult IsOk(const Status& status) {
  if (status.ok()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << status.message();
}

}  // namespace inicrypt::testing

#include <memory>

#include "base/faulty_host.h"
#include "base/host.h"

namespace inicrypt::testing {

// The contract suites run against the platform's host and against a
// FaultyHost that fails nothing, which must behave the same.
class HostTest : public ::testing::TestWithParam<bool> {
 protected:
  Host& host() { return GetParam() ? static_cast<Host&>(faulty_) : PlatformHost(); }

  Status Open(const std::string& path, FileAccess access, FileShare share, FileCreation creation,
              std::unique_ptr<HostFile>* file) {
    return host().OpenFile(path, access, share, creation, file);
  }
  // Opens for reading and writing, shared with all, created when missing.
  std::unique_ptr<HostFile> OpenRw(const std::string& path) {
    std::unique_ptr<HostFile> file;
    EXPECT_TRUE(IsOk(
        Open(path, FileAccess::kReadWrite, FileShare::kAll, FileCreation::kOpenAlways, &file)));
    return file;
  }

  FaultyHost faulty_;
  TempFolder dir_;
};

inline std::string HostName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "ThroughFaultyHost" : "Posix";
}

}  // namespace inicrypt::testing
