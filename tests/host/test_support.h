// The fixture the host contract suites share.
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#include <winerror.h>
#endif

#include <cerrno>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/faulty_host.h"
#include "host/host.h"
#include "host/memory_host.h"
#include "tests/support/support.h"

namespace inicrypt::testing {

#ifdef _WIN32
constexpr bool kPosix = false;
#else
constexpr bool kPosix = true;
#endif

// For a test of what only POSIX has (signals, FIFOs, /dev/full, modes).
#define INICRYPT_POSIX_ONLY()                                       \
  do {                                                              \
    if (!::inicrypt::testing::kPosix) GTEST_SKIP() << "POSIX only"; \
  } while (false)

// The host's error numbers for the failures the contract names.
struct HostErrors {
  int missing;         // no such file
  int folder_missing;  // no such folder on the way
  int exists;          // a file has the name
  int folder_exists;   // a folder has the name
  int shared;          // refused by a share mode
  int no_form;         // a name with no form on the other side
};
inline constexpr HostErrors kPosixErrors = {ENOENT, ENOENT, EEXIST, EEXIST, EBUSY, EILSEQ};
#ifdef _WIN32
inline constexpr HostErrors kPlatformErrors = {
    ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,    ERROR_FILE_EXISTS,
    ERROR_ALREADY_EXISTS, ERROR_SHARING_VIOLATION, ERROR_NO_UNICODE_TRANSLATION};
#else
inline constexpr HostErrors kPlatformErrors = kPosixErrors;
#endif

enum class HostKind {
  kPlatform,  // the platform's host
  kFaulty,    // a FaultyHost over it that fails nothing: must behave the same
  kMemory,    // the in-memory host: must agree with the POSIX host
};

inline constexpr HostKind kDiskHosts[] = {HostKind::kPlatform, HostKind::kFaulty};
inline constexpr HostKind kAllHosts[] = {HostKind::kPlatform, HostKind::kFaulty,
                                         HostKind::kMemory};

// The contract suites run against each kind of host. A suite's folder is a
// fresh temporary folder on disk, or "/work" in the in-memory host; the
// helpers reach its files past the host under test (as another program
// would), taking names as the file system spells them (UTF-8).
class HostTest : public ::testing::TestWithParam<HostKind> {
 protected:
  HostTest() {
    if (memory()) (void)memory_.CreateFolders(Folder());
  }

  bool memory() const { return GetParam() == HostKind::kMemory; }
  // Whether the host under test behaves as the POSIX host does.
  bool posix() const { return kPosix || memory(); }
  const HostErrors& errors() const { return memory() ? kPosixErrors : kPlatformErrors; }
  // The device that takes every write.
  const char* NullDevice() const { return posix() ? "/dev/null" : "NUL"; }
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
    default: return kPosix ? "Posix" : "Windows";
  }
}

}  // namespace inicrypt::testing
