// The fixture the host contract suites share.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/faulty_host.h"
#include "host/host.h"
#include "tests/support/support.h"

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
