// The safe replacement and the writers' lock, on the platform's host and on
// the in-memory one.
#include "host/replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/memory_host.h"
#include "tests/support/support.h"

namespace inicrypt {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::TempFolder;

// The temporary file is private from its first instant, on both hosts.
TEST(ReplaceTest, TemporaryIsPrivateFromTheStart) {
  MemoryHost memory;
  memory.SetUmask(0);
  TempFolder folder;
  struct Case {
    Host* host;
    Text target;
  } cases[] = {{&memory, "/home/user/t.ini"}, {&PlatformHost(), folder.Path("t.ini")}};
  for (const Case& c : cases) {
    ScopedHost in_use(*c.host);
    Replacement replacement(c.target);
    ASSERT_TRUE(replacement.Begin().ok());
    PathInfo info;
    ASSERT_TRUE(GetHost().InspectPath(replacement.path(), &info).ok());
    EXPECT_EQ(info.kind, PathKind::kFile);
    EXPECT_EQ(info.mode, 0600u) << replacement.path();
    replacement.Discard();
    EXPECT_EQ(GetHost().GetPathKind(c.target), PathKind::kMissing);
  }
  EXPECT_TRUE(folder.Names().empty());
  EXPECT_THAT(memory.Names("/home/user"), ::testing::IsEmpty());
}

TEST(ReplaceTest, KeepsModeAndLinksAndNamesNoTemporary) {
  TempFolder folder;
  folder.Write("real.ini", "old");
  folder.SetMode("real.ini", 0640);
  std::filesystem::create_symlink("real.ini", folder.path() / "link.ini");
  ASSERT_TRUE(ReplaceWholeFile(folder.Path("link.ini"), {"n", "ew"}).ok());
  EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "link.ini"));
  EXPECT_EQ(folder.Read("real.ini"), "new");
  EXPECT_EQ(folder.Mode("real.ini"), 0640u);
  // A new file gets the caller's mode.
  ASSERT_TRUE(ReplaceWholeFile(folder.Path("new.ini"), {"x"}, {.new_file_mode = 0600}).ok());
  EXPECT_EQ(folder.Mode("new.ini"), 0600u);
  EXPECT_THAT(folder.Names(), ElementsAre("link.ini", "new.ini", "real.ini"));
}

TEST(ReplaceTest, RefusesWhatTheUserMayNotWriteUnlessAllowed) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes everything";
  TempFolder folder;
  folder.Write("ro.ini", "old");
  folder.SetMode("ro.ini", 0444);
  Status refused = ReplaceWholeFile(folder.Path("ro.ini"), {"new"});
  EXPECT_THAT(refused.message(), HasSubstr("not writable"));
  EXPECT_EQ(folder.Read("ro.ini"), "old");
  ASSERT_TRUE(ReplaceWholeFile(folder.Path("ro.ini"), {"new"}, {.allow_unwritable = true}).ok());
  EXPECT_EQ(folder.Read("ro.ini"), "new");
  EXPECT_EQ(folder.Mode("ro.ini"), 0444u);
}

// Devices and FIFOs are written where they are, never replaced.
TEST(ReplaceTest, WritesDevicesAndFifosInPlace) {
  TempFolder folder;
  const std::string fifo = folder.Path("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(ReplaceWholeFile(fifo, {"through"}).ok());
  char buffer[16] = {};
  EXPECT_EQ(read(reader, buffer, sizeof buffer), 7);
  close(reader);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  ASSERT_TRUE(ReplaceWholeFile("/dev/null", {"gone"}).ok());
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST(ReplaceTest, RemovesTemporariesOfDeadProcessesOnly) {
  // The memory machine: every id but its own is dead.
  MemoryHost memory;
  ASSERT_TRUE(memory.WriteWholeFile("/home/user/.ic77.abcdef.tmp", "left").ok());
  ASSERT_TRUE(memory.WriteWholeFile("/home/user/.icx.tmp", "not ours").ok());
  {
    ScopedHost in_use(memory);
    ASSERT_TRUE(ReplaceWholeFile("/home/user/t.ini", {"new"}).ok());
  }
  EXPECT_THAT(memory.Names("/home/user"), ElementsAre(".icx.tmp", "t.ini"));

  // The platform: a process that has ended, and this one.
  TempFolder folder;
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);
  const std::string dead = ".ic" + std::to_string(child) + ".abcdef.tmp";
  const std::string alive = ".ic" + std::to_string(getpid()) + ".abcdef.tmp";
  folder.Write(dead, "left");
  folder.Write(alive, "mine");
  ASSERT_TRUE(ReplaceWholeFile(folder.Path("t.ini"), {"new"}).ok());
  EXPECT_THAT(folder.Names(), ElementsAre(alive, "t.ini"));
}

class WriterLockTest : public ::testing::Test {
 protected:
  void SetUp() override { SetWriterLockWait(std::chrono::milliseconds(50)); }
  void TearDown() override { SetWriterLockWait(saved_); }
  std::chrono::milliseconds saved_ = WriterLockWait();
};

TEST_F(WriterLockTest, ASecondWriterGivesUpNamingTheFile) {
  MemoryHost memory;
  ScopedHost in_use(memory);
  for (const char* path : {"/home/user/t.ini", "/home/user/missing.ini"}) {
    if (std::string_view(path).ends_with("t.ini")) {
      ASSERT_TRUE(memory.WriteWholeFile(path, "x").ok());
    }
    ASSERT_TRUE(memory.HoldLockElsewhere(path).ok());
    WriterLock lock;
    Status status = lock.Acquire(path);
    EXPECT_THAT(status.message(), HasSubstr(std::string(path) + " is being written by another"));
    ASSERT_TRUE(memory.HoldLockElsewhere(path, false).ok());
    EXPECT_TRUE(lock.Acquire(path).ok());
    WriterLock again;  // inside one process the lock is shared
    EXPECT_TRUE(again.Acquire(path).ok());
  }
}

// Between processes: a child holds the lock; this process waits, then gives
// up, and gets it once the child is gone (killed: no stale lock).
TEST_F(WriterLockTest, AKilledHolderLeavesNoLock) {
  TempFolder folder;
  folder.Write("t.ini", "x");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    WriterLock lock;
    char c = lock.Acquire(folder.Path("t.ini")).ok() ? 'y' : 'n';
    (void)!write(ready[1], &c, 1);
    pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  WriterLock lock;
  EXPECT_THAT(lock.Acquire(folder.Path("t.ini")).message(), HasSubstr(folder.Path("t.ini")));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(lock.Acquire(folder.Path("t.ini")).ok());
  close(ready[0]);
  close(ready[1]);
}

}  // namespace
}  // namespace inicrypt
