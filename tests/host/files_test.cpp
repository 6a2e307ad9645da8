#include "host/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/paths.h"
#include "host/folders.h"
#include "host/host.h"
#include "host/whole_file.h"
#include "tests/support/support.h"

namespace inicrypt {
namespace {

using testing::TempFolder;

// The platform's host with the special folders made up by the test.
class MadeUpHost : public HostWrapper {
 public:
  MadeUpHost() : HostWrapper(PlatformHost()) {}

  std::map<int, Text> folders;  // kind -> what the host answers
  std::vector<int> kinds_asked;

  Text GetSpecialFolder(int kind) override {
    kinds_asked.push_back(kind);
    auto it = folders.find(kind);
    return it == folders.end() ? Text() : it->second;
  }
};

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

// A stream that never ends is read in pieces and refused at the limit, never
// read whole; a file of exactly the limit is read.
TEST(ReadWholeFileTest, StopsAtTheLimit) {
  std::string bytes = "old";
  Status status = ReadWholeFile("/dev/zero", &bytes, 3 << 20);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.message(), "/dev/zero: too large (2 GiB or more)");
  EXPECT_TRUE(bytes.empty());

  TempFolder folder;
  folder.Write("f", std::string(4096, 'x'));
  EXPECT_TRUE(ReadWholeFile(folder.Path("f"), &bytes, 4096).ok());
  EXPECT_EQ(bytes.size(), 4096u);
  EXPECT_FALSE(ReadWholeFile(folder.Path("f"), &bytes, 4095).ok());
}

}  // namespace
}  // namespace inicrypt
