// The fixture the host contract suites share.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/faulty_host.h"
#include "host/host.h"
#include "host/memory_host.h"
#include "tests/support/support.h"

namespace inicrypt::testing {

enum class HostKind {
  kPosix,   // the platform's host
  kFaulty,  // a FaultyHost over it that fails nothing: must behave the same
  kMemory,  // the in-memory host: must agree with the platform's
};

inline constexpr HostKind kDiskHosts[] = {HostKind::kPosix, HostKind::kFaulty};
inline constexpr HostKind kAllHosts[] = {HostKind::kPosix, HostKind::kFaulty, HostKind::kMemory};

// The contract suites run against each kind of host. A suite's folder is a
// fresh temporary folder on disk, or "/work" in the in-memory host; the
// helpers reach its files past the host under test (as another program
// would), taking names as the file system spells them.
class HostTest : public ::testing::TestWithParam<HostKind> {
 protected:
  HostTest() {
    if (memory()) (void)memory_.CreateFolders(Folder());
  }

  bool memory() const { return GetParam() == HostKind::kMemory; }
  Host& host() {
    switch (GetParam()) {
      case HostKind::kFaulty: return faulty_;
      case HostKind::kMemory: return memory_;
      default: return PlatformHost();
    }
  }

  // The suite's folder, and a name inside it.
  std::string Folder() const { return memory() ? "/work" : dir_.Folder(); }
  std::string Path(std::string_view name) const { return Folder() + "/" + std::string(name); }

  void Put(const std::string& path, std::string_view bytes) {
    if (memory()) {
      EXPECT_TRUE(IsOk(memory_.WriteWholeFile(path, bytes)));
    } else {
      WriteAll(path, bytes);
    }
  }
  std::string Get(const std::string& path) {
    return memory() ? memory_.ReadWholeFile(path).value_or("") : ReadAll(path);
  }
  bool Exists(const std::string& path) {
    return memory() ? memory_.GetPathKind(path) != PathKind::kMissing
                    : std::filesystem::exists(path);
  }
  void MakeFolder(const std::string& path) {
    if (memory()) {
      EXPECT_TRUE(IsOk(memory_.CreateFolders(path)));
    } else {
      std::filesystem::create_directory(path);
    }
  }
  void HardLink(const std::string& existing, const std::string& new_path) {
    if (memory()) {
      EXPECT_TRUE(IsOk(memory_.Link(existing, new_path)));
    } else {
      std::filesystem::create_hard_link(existing, new_path);
    }
  }
  std::vector<std::string> Names(const std::string& folder) {
    return memory() ? memory_.Names(folder) : NamesIn(folder);
  }

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
  MemoryHost memory_;
  TempFolder dir_;
};

inline std::string HostName(const ::testing::TestParamInfo<HostKind>& info) {
  switch (info.param) {
    case HostKind::kFaulty: return "ThroughFaultyHost";
    case HostKind::kMemory: return "Memory";
    default: return "Posix";
  }
}

}  // namespace inicrypt::testing
