// The fixture the host contract suites share.
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#include <winerror.h>
#endif

#include <cerrno>
#include <memory>
#include <string>

#include "base/faulty_host.h"
#include "base/host.h"
#include "tests/support/support.h"

namespace inicrypt::testing {

// The host's error numbers for the failures the contract names.
#ifdef _WIN32
constexpr bool kPosix = false;
constexpr int kErrorMissing = ERROR_FILE_NOT_FOUND;
constexpr int kErrorFolderMissing = ERROR_PATH_NOT_FOUND;
constexpr int kErrorExists = ERROR_FILE_EXISTS;
constexpr int kErrorFolderExists = ERROR_ALREADY_EXISTS;
constexpr int kErrorShared = ERROR_SHARING_VIOLATION;
constexpr int kErrorNoForm = ERROR_NO_UNICODE_TRANSLATION;
constexpr const char* kNullDevice = "NUL";
#else
constexpr bool kPosix = true;
constexpr int kErrorMissing = ENOENT;
constexpr int kErrorFolderMissing = ENOENT;
constexpr int kErrorExists = EEXIST;
constexpr int kErrorFolderExists = EEXIST;
constexpr int kErrorShared = EBUSY;
constexpr int kErrorNoForm = EILSEQ;
constexpr const char* kNullDevice = "/dev/null";
#endif

// For a test of what only POSIX has (signals, FIFOs, /dev/full, modes).
#define INICRYPT_POSIX_ONLY()                                       \
  do {                                                              \
    if (!::inicrypt::testing::kPosix) GTEST_SKIP() << "POSIX only"; \
  } while (false)

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
  return info.param ? "ThroughFaultyHost" : kPosix ? "Posix" : "Windows";
}

}  // namespace inicrypt::testing
