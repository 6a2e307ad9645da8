#include "base/services.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/host.h"
#include "tests/support/support.h"

namespace inicrypt {
namespace {

using testing::TempFolder;

// The platform's host with the program path, the current folder and the
// special folders made up by the test.
class MadeUpHost : public HostWrapper {
 public:
  MadeUpHost() : HostWrapper(PlatformHost()) {}

  std::optional<Text> program_path;   // nullopt: the host cannot tell
  std::map<int, Text> folders;        // kind -> what the host answers
  std::vector<Text> current_folders;  // every SetCurrentFolder, in order
  std::vector<int> kinds_asked;

  Status GetProgramPath(Text* path) override {
    if (!program_path) return Status::Error("no program path");
    *path = *program_path;
    return Status::Ok();
  }
  Status SetCurrentFolder(std::string_view path) override {
    current_folders.emplace_back(path);
    return path.empty() ? Status::Error("empty path") : Status::Ok();
  }
  Text GetSpecialFolder(int kind) override {
    kinds_asked.push_back(kind);
    auto it = folders.find(kind);
    return it == folders.end() ? Text() : it->second;
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

TEST(SpecialFolderTest, EndsInExactlyOneSeparator) {
  MadeUpHost host;
  ScopedHost in_use(host);
  host.folders = {{9, "/home/u/.config"},
                  {11, "/tmp/"},
                  {10, "C:\\WINDOWS\\system32\\"},
                  {1, "/docs/\xD5\x5C"},  // ends in a two-byte character, not in "\"
                  {3, ""}};
  // The host's own separator is the one appended.
  EXPECT_EQ(SpecialFolder(9), std::string("/home/u/.config") + PathSeparator());
  EXPECT_EQ(SpecialFolder(11), "/tmp/");
  EXPECT_EQ(SpecialFolder(10), "C:\\WINDOWS\\system32\\");
  EXPECT_EQ(SpecialFolder(1), std::string("/docs/\xD5\x5C") + PathSeparator());
  EXPECT_EQ(SpecialFolder(3), "");
  EXPECT_EQ(SpecialFolder(5), "");
  host.kinds_asked.clear();
  EXPECT_EQ(SpecialFolder(0), "");
  EXPECT_EQ(SpecialFolder(12), "");
  EXPECT_EQ(SpecialFolder(-9), "");
  EXPECT_TRUE(host.kinds_asked.empty());
}

TEST(FileOperationsTest, ExistsAndDelete) {
  TempFolder folder;
  folder.Write("a.ini", "x");
  std::filesystem::create_directory(folder.Path("sub"));
  EXPECT_TRUE(FileExists(folder.Path("a.ini")));
  EXPECT_TRUE(FileExists(folder.Path("sub")));
  EXPECT_TRUE(FileExists(folder.Folder() + "\\a.ini"));
  EXPECT_FALSE(FileExists(folder.Path("b.ini")));
  EXPECT_FALSE(FileExists(""));

  EXPECT_FALSE(DeleteFileAt(folder.Path("sub")));
  EXPECT_TRUE(folder.Exists("sub"));
  EXPECT_TRUE(DeleteFileAt(folder.Path("a.ini")));
  EXPECT_FALSE(folder.Exists("a.ini"));
  EXPECT_FALSE(DeleteFileAt(folder.Path("a.ini")));
  EXPECT_FALSE(DeleteFileAt(""));
}

TEST(WriteBytesToFileTest, LeavesExactlyTheNewBytes) {
  TempFolder folder;
  const std::string path = folder.Path("s.ini");
  folder.Write("s.ini", std::string(1000, 'o'));
  const std::string block(262, 'n');
  ASSERT_TRUE(WriteBytesToFile(path, {block}));
  EXPECT_EQ(folder.Read("s.ini"), block);

  ASSERT_TRUE(WriteBytesToFile(path, {"ab", "", "c", std::string_view("\0d", 2)}));
  EXPECT_EQ(folder.Read("s.ini"), std::string("abc\0d", 5));
  ASSERT_TRUE(WriteBytesToFile(path, {""}));
  EXPECT_EQ(folder.Read("s.ini"), "");
}

TEST(WriteBytesToFileTest, Failures) {
  TempFolder folder;
  std::filesystem::create_directory(folder.Path("sub"));
  EXPECT_FALSE(WriteBytesToFile("", {"x"}));
  EXPECT_FALSE(WriteBytesToFile(folder.Path("sub"), {"x"}));
  EXPECT_FALSE(WriteBytesToFile(folder.Path("missing/s.ini"), {"x"}));
  EXPECT_FALSE(folder.Exists("missing"));
}

TEST(ProcessEventsTest, RunsTheInstalledPump) {
  ProcessEvents();  // no pump: returns at once
  int runs = 0;
  SetEventPump([&runs] { ++runs; });
  ProcessEvents();
  ProcessEvents();
  EXPECT_EQ(runs, 2);
  // A pump that removes itself runs to its end.
  SetEventPump([&runs] {
    SetEventPump({});
    ++runs;
  });
  ProcessEvents();
  ProcessEvents();
  EXPECT_EQ(runs, 3);
}

}  // namespace
}  // namespace inicrypt
