// What the in-memory host does beyond the file contract it shares with the
// platform's host: its starting machine, permissions, a full disk, files
// that outlive their names, and the process calls it answers itself.
#include "host/memory_host.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace inicrypt::testing {
namespace {

class MemoryHostTest : public ::testing::Test {
 protected:
  std::unique_ptr<HostFile> Open(const std::string& path, FileAccess access,
                                 FileCreation creation = FileCreation::kOpenAlways) {
    std::unique_ptr<HostFile> file;
    last_ = host_.OpenFile(path, access, FileShare::kAll, creation, &file);
    return file;
  }

  MemoryHost host_;
  Status last_;
};

TEST_F(MemoryHostTest, StartsAsAUsersMachine) {
  Text text;
  ASSERT_TRUE(IsOk(host_.GetCurrentFolder(&text)));
  EXPECT_EQ(text, "/home/user");
  ASSERT_TRUE(IsOk(host_.GetProgramPath(&text)));
  EXPECT_EQ(host_.GetPathKind(text), PathKind::kFile);
  EXPECT_EQ(host_.GetSpecialFolder(9), "/home/user/.config/");
  EXPECT_EQ(host_.GetSpecialFolder(11), "/tmp/");
  EXPECT_EQ(host_.GetSpecialFolder(12), "");
  EXPECT_EQ(host_.GetEnvironment("HOME"), "/home/user");
  host_.SetEnvironment("INICRYPT_PASSWORD", "\xD6\xB5");
  EXPECT_EQ(host_.GetEnvironment("INICRYPT_PASSWORD"), "\xD6\xB5");
  EXPECT_EQ(host_.GetEnvironment("INICRYPT_PASSWORD=x"), "");
  EXPECT_EQ(host_.GetPathKind("/tmp"), PathKind::kFolder);
}

TEST_F(MemoryHostTest, RelativePathsFollowTheCurrentFolder) {
  ASSERT_TRUE(IsOk(host_.CreateFolders("a/b")));
  ASSERT_TRUE(IsOk(host_.SetCurrentFolder("a\\b")));
  ASSERT_TRUE(IsOk(host_.WriteWholeFile("../f.ini", "x")));
  EXPECT_EQ(host_.ReadWholeFile("/home/user/a/f.ini"), "x");
  EXPECT_EQ(host_.SetCurrentFolder("../f.ini").code(), ENOTDIR);
  // The current folder removed under us is an error, as getcwd's is.
  ASSERT_TRUE(IsOk(host_.DeleteFolder("/home/user/a/b")));
  Text folder;
  EXPECT_EQ(host_.GetCurrentFolder(&folder).code(), ENOENT);
  EXPECT_EQ(host_.GetPathKind(std::string(256, 'n')), PathKind::kMissing);
  EXPECT_EQ(host_.WriteWholeFile("/tmp/" + std::string(256, 'n'), "").code(), ENAMETOOLONG);
}

TEST_F(MemoryHostTest, PermissionBitsAreObeyed) {
  ASSERT_TRUE(IsOk(host_.WriteWholeFile("/tmp/f", "old")));
  ASSERT_TRUE(IsOk(host_.SetFileMode("/tmp/f", 0400)));
  EXPECT_EQ(Open("/tmp/f", FileAccess::kWrite), nullptr);
  EXPECT_EQ(last_.code(), EACCES);
  EXPECT_EQ(last_.message(), "open /tmp/f: Permission denied");
  EXPECT_NE(Open("/tmp/f", FileAccess::kRead), nullptr);
  ASSERT_TRUE(IsOk(host_.CreatePrivateFolder("/tmp/p")));
  ASSERT_TRUE(IsOk(host_.SetFileMode("/tmp/p", 0500)));
  EXPECT_EQ(Open("/tmp/p/new", FileAccess::kWrite), nullptr);
  EXPECT_EQ(last_.code(), EACCES);
  EXPECT_EQ(host_.RenameFile("/tmp/f", "/tmp/p/f").code(), EACCES);
  ASSERT_TRUE(IsOk(host_.WriteWholeFile("/tmp/p/in", "")));
  ASSERT_TRUE(IsOk(host_.SetFileMode("/tmp/p", 0600)));
  EXPECT_EQ(host_.GetPathKind("/tmp/p/in"), PathKind::kMissing);  // no passing through
  EXPECT_EQ(host_.ReadWholeFile("/tmp/f"), "old");
}

TEST_F(MemoryHostTest, FullDiskWritesWhatFitsThenFails) {
  auto file = Open("/tmp/big", FileAccess::kReadWrite);
  ASSERT_NE(file, nullptr);
  host_.SetCapacity(host_.UsedBytes() + 4);
  Status status = file->Write("abcdef", 6);
  EXPECT_EQ(status.code(), ENOSPC);
  EXPECT_EQ(status.message(), "write /tmp/big: No space left on device");
  EXPECT_EQ(host_.ReadWholeFile("/tmp/big"), "abcd");
  // Space comes back when a file goes.
  ASSERT_TRUE(IsOk(file->Close()));
  ASSERT_TRUE(IsOk(host_.DeleteFile("/tmp/big")));
  EXPECT_TRUE(IsOk(host_.WriteWholeFile("/tmp/small", "wxyz")));
}

TEST_F(MemoryHostTest, OpenFileKeepsItsBytesWhenItsNameGoes) {
  ASSERT_TRUE(IsOk(host_.WriteWholeFile("/tmp/old", "old")));
  ASSERT_TRUE(IsOk(host_.WriteWholeFile("/tmp/new", "new")));
  auto held = Open("/tmp/old", FileAccess::kRead, FileCreation::kOpenExisting);
  ASSERT_NE(held, nullptr);
  ASSERT_TRUE(IsOk(host_.RenameFile("/tmp/new", "/tmp/old")));
  char bytes[8] = {};
  size_t got = 0;
  ASSERT_TRUE(IsOk(held->Read(bytes, sizeof bytes, &got)));
  EXPECT_EQ(std::string(bytes, got), "old");
  EXPECT_EQ(host_.ReadWholeFile("/tmp/old"), "new");
  EXPECT_EQ(host_.Names("/tmp"), std::vector<std::string>{"old"});
}

TEST_F(MemoryHostTest, ProcessCallsFailClearlyUnlessAnswered) {
  int code = 0;
  Status status = host_.RunProgram("vi", TextList{"/tmp/f"}, &code);
  EXPECT_EQ(status.code(), ENOSYS);
  EXPECT_EQ(status.message(), "run vi: this host runs no programs");
  EXPECT_EQ(code, -1);
  host_.SetProgramRunner([this](std::string_view, const TextList& arguments, int* exit_code) {
    *exit_code = 0;
    return host_.WriteWholeFile(arguments.At(1), "edited");
  });
  ASSERT_TRUE(IsOk(host_.RunProgram("vi", TextList{"/tmp/f"}, &code)));
  EXPECT_EQ(host_.ReadWholeFile("/tmp/f"), "edited");

  std::string line = "stale";
  EXPECT_EQ(host_.ReadSecretLine("Password: ", &line).code(), ENOTTY);
  EXPECT_EQ(line, "");
  host_.AddSecretLine("secret");
  ASSERT_TRUE(IsOk(host_.ReadSecretLine("Password: ", &line)));
  EXPECT_EQ(line, "secret");
}

TEST_F(MemoryHostTest, InterruptRemovesRegisteredFilesThenFolders) {
  ASSERT_TRUE(IsOk(host_.CreateFolders("/tmp/d")));
  ASSERT_TRUE(IsOk(host_.WriteWholeFile("/tmp/d/inner", "")));
  ASSERT_TRUE(IsOk(host_.WriteWholeFile("/home/user/relative", "")));
  ASSERT_TRUE(IsOk(host_.WriteWholeFile("/tmp/kept", "")));
  host_.RemoveOnInterrupt("/tmp/d");
  host_.RemoveOnInterrupt("/tmp/d/inner");
  host_.RemoveOnInterrupt("relative");
  host_.RemoveOnInterrupt("/tmp/kept");
  host_.ForgetOnInterrupt("/tmp/kept");
  EXPECT_EQ(host_.InterruptPaths(),
            (std::vector<Text>{"/tmp/d", "/tmp/d/inner", "/home/user/relative"}));
  host_.Interrupt();
  EXPECT_EQ(host_.Names("/tmp"), std::vector<std::string>{"kept"});
  EXPECT_EQ(host_.GetPathKind("/home/user/relative"), PathKind::kMissing);
  EXPECT_TRUE(host_.InterruptPaths().empty());
}

}  // namespace
}  // namespace inicrypt::testing
