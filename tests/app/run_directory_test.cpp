#include "app/run_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"
#include "tests/support/support.h"

namespace inicrypt {
namespace {

using testing::TempFolder;

// The platform's host with the program path and the current folder made up
// by the test.
class MadeUpHost : public HostWrapper {
 public:
  MadeUpHost() : HostWrapper(PlatformHost()) {}

  std::optional<Text> program_path;   // nullopt: the host cannot tell
  std::vector<Text> current_folders;  // every SetCurrentFolder, in order

  Status GetProgramPath(Text* path) override {
    if (!program_path) return Status::Error("no program path");
    *path = *program_path;
    return Status::Ok();
  }
  Status SetCurrentFolder(std::string_view path) override {
    current_folders.emplace_back(path);
    return path.empty() ? Status::Error("empty path") : Status::Ok();
  }
};

TEST(RunDirectoryTest, FolderOfTheProgramFile) {
  struct Case {
    Text program;
    Text run_directory;
    Text made_current;
  };
  const Case cases[] = {
      {"C:\\Tools\\x.exe", "C:\\Tools", "C:\\Tools"},
      {"D:\\x.exe", "D:", "D:"},
      {"/opt/tool/bin/x", "/opt/tool/bin", "/opt/tool/bin"},
      // The root folder: empty, so that run directory + "\config.ini" lies there.
      {"/x", "", "/"},
      // A 0x5C that is the second byte of a two-byte character (誠) is no separator.
      {"C:\\\xD5\x5C\\x.exe", "C:\\\xD5\x5C", "C:\\\xD5\x5C"},
      {"/a/\xD5\x5C", "/a", "/a"},
      {"/a\\b/x", "/a\\b", "/a\\b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    MadeUpHost host;
    ScopedHost in_use(host);
    host.program_path = c.program;
    EXPECT_TRUE(InitRunDirectory());
    EXPECT_EQ(RunDirectory(), c.run_directory);
    EXPECT_EQ(host.current_folders, std::vector<Text>{c.made_current});
  }
}

TEST(RunDirectoryTest, FailuresLeaveItEmpty) {
  MadeUpHost host;
  ScopedHost in_use(host);
  ASSERT_TRUE(SetRunDirectory("/somewhere"));
  host.program_path = std::nullopt;
  EXPECT_FALSE(InitRunDirectory());
  EXPECT_EQ(RunDirectory(), "");
  host.program_path = "x.exe";  // no separator at all
  EXPECT_FALSE(InitRunDirectory());
  EXPECT_EQ(RunDirectory(), "");
}

TEST(RunDirectoryTest, SetRunDirectoryDropsTrailingSeparators) {
  MadeUpHost host;
  ScopedHost in_use(host);
  EXPECT_TRUE(SetRunDirectory("/tmp/run//"));
  EXPECT_EQ(RunDirectory(), "/tmp/run");
  EXPECT_EQ(host.current_folders.back(), "/tmp/run//");
  EXPECT_FALSE(SetRunDirectory(""));
}

TEST(RunDirectoryTest, MakesTheFolderCurrentOnTheRealHost) {
  TempFolder folder;
  Text before;
  ASSERT_TRUE(PlatformHost().GetCurrentFolder(&before).ok());
  ASSERT_TRUE(SetRunDirectory(folder.Folder()));
  Text now;
  EXPECT_TRUE(PlatformHost().GetCurrentFolder(&now).ok());
  EXPECT_TRUE(std::filesystem::equivalent(now, folder.Folder()));
  EXPECT_EQ(RunDirectory(), folder.Folder());
  EXPECT_TRUE(SetRunDirectory(before));
}

}  // namespace
}  // namespace inicrypt
