// Where the writing verbs put their result: devices, FIFOs and links, and
// writers in several processes at once.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/convert.h"
#include "cli_test_support.h"
#include "host/host.h"
#include "host/replace.h"

namespace inicrypt::cli::testing {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

TEST(CliTargetsTest, OutputToDevicesFifosAndLinks) {
  TempFolder folder;
  Cli cli;
  // /dev/null takes the bytes and stays a device.
  Result r = cli.Run({"sample", "-o", "/dev/null"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  // A FIFO is written, not replaced.
  const std::string fifo = folder.Path("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  r = cli.Run({"sample", "-o", fifo});
  EXPECT_EQ(r.code, 0) << r.err;
  std::string got(1024, '\0');
  got.resize(static_cast<size_t>(read(reader, got.data(), got.size())));
  close(reader);
  EXPECT_EQ(got, SampleConfiguration);
  EXPECT_TRUE(fs::is_fifo(fifo));
  // A link is followed; the file it leads to is replaced and keeps its mode.
  folder.Write("real.ini", "old");
  folder.SetMode("real.ini", 0640);
  fs::create_symlink("real.ini", folder.path() / "link.ini");
  r = cli.Run({"sample", "-o", folder.Path("link.ini")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(folder.path() / "link.ini"));
  EXPECT_EQ(folder.Read("real.ini"), SampleConfiguration);
  EXPECT_EQ(folder.Mode("real.ini"), 0640u);
  // set through the link as well.
  folder.Write("real.ini", Encipher(SampleConfiguration, "pw"));
  r = cli.Run({"set", folder.Path("link.ini"), "s", "k", "v"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(folder.path() / "link.ini"));
  EXPECT_THAT(Decipher(folder.Read("real.ini"), "pw"), HasSubstr("[s]\r\nk=v\r\n"));
  EXPECT_EQ(folder.Mode("real.ini"), 0640u);
  // A new file is the user's alone; nothing else is left in the folder.
  r = cli.Run({"sample", "-o", folder.Path("new.ini")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(folder.Mode("new.ini"), 0600u);
  EXPECT_EQ(folder.Names().size(), 4u);
}

// Two processes set keys of their own in one file at once: none is lost.
TEST(CliTargetsTest, WritersInTwoProcessesLoseNothing) {
  TempFolder folder;
  folder.Write("c.ini", Encipher("[s]\r\n", "pw"));
  const std::string program = INICRYPT_PROGRAM;
  const std::string script =
      "for i in 1 2 3 4 5 6 7 8 9 10; do"
      " INICRYPT_PASSWORD=pw '" + program + "' set '" + folder.Path("c.ini") + "' s a$i $i &"
      " INICRYPT_PASSWORD=pw '" + program + "' set '" + folder.Path("c.ini") + "' s b$i $i;"
      " wait; done";
  int exit_code = -1;
  ASSERT_TRUE(GetHost().RunProgram("/bin/sh", TextList{"-c", script}, &exit_code).ok());
  EXPECT_EQ(exit_code, 0);
  const std::string plain = Decipher(folder.Read("c.ini"), "pw");
  for (int i = 1; i <= 10; ++i) {
    for (const char* key : {"a", "b"}) {
      const std::string line = key + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
      EXPECT_THAT(plain, HasSubstr(line));
    }
  }
  EXPECT_EQ(folder.Names().size(), 1u);
}

// Another process holds the file: the writer waits a while, then says so.
TEST(CliTargetsTest, AHeldFileMakesTheWriterGiveUpNamingIt) {
  TempFolder folder;
  folder.Write("c.ini", Encipher(SampleConfiguration, "pw"));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    WriterLock lock;
    char c = lock.Acquire(folder.Path("c.ini")).ok() ? 'y' : 'n';
    (void)!write(ready[1], &c, 1);
    pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  const auto saved = WriterLockWait();
  SetWriterLockWait(std::chrono::milliseconds(100));
  Cli cli;
  const Result r = cli.Run({"set", folder.Path("c.ini"), "s", "k", "v"});
  SetWriterLockWait(saved);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(r.code, 1);
  EXPECT_THAT(r.err, HasSubstr(folder.Path("c.ini") + " is being written by another process"));
  EXPECT_EQ(folder.Read("c.ini"), Encipher(SampleConfiguration, "pw"));
}

}  // namespace
}  // namespace inicrypt::cli::testing
