// The process calls of the host contract.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "host/host.h"
#include "test_support.h"

namespace inicrypt::testing {
namespace {

namespace fs = std::filesystem;

using HostProcessTest = HostTest;
INSTANTIATE_TEST_SUITE_P(Hosts, HostProcessTest, ::testing::ValuesIn(kDiskHosts), HostName);

TextList Args(std::initializer_list<const char*> items) {
  TextList list;
  for (const char* item : items) list.Append(item);
  return list;
}

// Puts the current folder back after a test that moves it.
class KeepCurrentFolder {
 public:
  KeepCurrentFolder() : saved_(fs::current_path()) {}
  ~KeepCurrentFolder() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

TEST_P(HostProcessTest, ProgramPathIsTheRunningFile) {
  Text path;
  ASSERT_TRUE(IsOk(host().GetProgramPath(&path)));
  if (kPosix) {
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(fs::path(path).filename(), "host_tests");
  } else {
    EXPECT_EQ(path.substr(1, 2), ":\\");
    EXPECT_EQ(fs::path(path).filename(), "host_tests.exe");
  }
  EXPECT_EQ(host().GetPathKind(path), PathKind::kFile);
}

TEST_P(HostProcessTest, CurrentFolderRoundTripsInCodePage936) {
  KeepCurrentFolder keep;
  fs::create_directory(dir_.path() / u8"\u76EE\u5F55");              // 目录
  std::string folder = dir_.path().string() + "\\\xC4\xBF\xC2\xBC";  // 目录
  ASSERT_TRUE(IsOk(host().SetCurrentFolder(folder)));
  Text current;
  ASSERT_TRUE(IsOk(host().GetCurrentFolder(&current)));
  EXPECT_EQ(current, fs::canonical(dir_.path()).string() + PathSeparator() + "\xC4\xBF\xC2\xBC");
  EXPECT_EQ(host().SetCurrentFolder(dir_.Path("none")).code(), errors().missing);
}

TEST_P(HostProcessTest, CurrentFolderWithNoCodePage936FormIsAnError) {
  KeepCurrentFolder keep;
  fs::path emoji = dir_.path() / u8"\U0001F600";
  fs::create_directory(emoji);
  fs::current_path(emoji);
  Text current = "stale";
  Status status = host().GetCurrentFolder(&current);
  EXPECT_EQ(status.code(), errors().no_form);
  EXPECT_EQ(current, "");
}

TEST_P(HostProcessTest, EnvironmentComesBackInCodePage936) {
  ScopedEnv chinese("INICRYPT_HOST_TEST", "\xE5\x80\xBC");  // 值
  EXPECT_EQ(host().GetEnvironment("INICRYPT_HOST_TEST"), "\xD6\xB5");
  ScopedEnv emoji("INICRYPT_HOST_TEST_EMOJI", "a\xF0\x9F\x98\x80");
  EXPECT_EQ(host().GetEnvironment("INICRYPT_HOST_TEST_EMOJI"), "");
  ScopedEnv unset("INICRYPT_HOST_TEST_UNSET", std::nullopt);
  EXPECT_EQ(host().GetEnvironment("INICRYPT_HOST_TEST_UNSET"), "");
  EXPECT_EQ(host().GetEnvironment("INICRYPT_HOST_TEST=x"), "");
  EXPECT_EQ(host().GetEnvironment(""), "");
}

TEST_P(HostProcessTest, RunProgramPassesArgumentsAsGiven) {
  INICRYPT_POSIX_ONLY();
  int code = -1;
  ASSERT_TRUE(IsOk(host().RunProgram("/bin/sh", Args({"-c", "exit 3"}), &code)));
  EXPECT_EQ(code, 3);
  // No shell between: spaces, quotes and globs arrive as one argument each;
  // code page 936 arrives as UTF-8. "sh" is found along PATH.
  TextList arguments =
      Args({"-c", "test \"$1\" = 'a \"b\"; *' && test \"$2\" = \"$(printf '\\345\\200\\274')\"",
            "sh", "a \"b\"; *", "\xD6\xB5"});
  ASSERT_TRUE(IsOk(host().RunProgram("sh", arguments, &code)));
  EXPECT_EQ(code, 0);
}

TEST_P(HostProcessTest, ProgramsRunDoNotInheritOpenFiles) {
  INICRYPT_POSIX_ONLY();
  auto file = OpenRw(dir_.Path("held-open.ini"));
  int code = -1;
  ASSERT_TRUE(IsOk(host().RunProgram("/bin/sh",
                                     Args({"-c",
                                           "for f in /proc/$$/fd/*; do readlink \"$f\"; done | "
                                           "grep -q held-open && exit 9; exit 0"}),
                                     &code)));
  EXPECT_EQ(code, 0);
}

TEST_P(HostProcessTest, InterruptTypedDuringAProgramIsTheProgramsToHandle) {
  INICRYPT_POSIX_ONLY();
  // The terminal sends SIGINT to the whole foreground group: here the child
  // sends it to us and to itself. We live on; the child has the default action.
  int code = -1;
  ASSERT_TRUE(IsOk(host().RunProgram("/bin/sh", Args({"-c", "kill -INT $PPID; exit 4"}), &code)));
  EXPECT_EQ(code, 4);
  Status status = host().RunProgram("/bin/sh", Args({"-c", "kill -INT $$; exit 0"}), &code);
  EXPECT_NE(status.message().find("signal"), std::string::npos) << status.message();
}

TEST_P(HostProcessTest, RunProgramFailures) {
  int code = 0;
  Status status = host().RunProgram(dir_.Path("no-such-program"), TextList(), &code);
  EXPECT_EQ(status.code(), errors().missing) << status.message();
  if (!kPosix) return;
  status = host().RunProgram("/bin/sh", Args({"-c", "kill -TERM $$"}), &code);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("signal"), std::string::npos);
}

#ifdef _WIN32
TEST_P(HostProcessTest, RunProgramFindsTheProgramAndReturnsItsExitCode) {
  int code = -1;
  ASSERT_TRUE(IsOk(host().RunProgram("cmd", Args({"/c", "exit 3"}), &code)));
  EXPECT_EQ(code, 3);
}
#else
TEST_P(HostProcessTest, InterruptRemovesRegisteredPathsThenEndsTheProcess) {
  WriteAll(dir_.Path("file.tmp"), "x");
  WriteAll(dir_.Path("kept.tmp"), "x");
  fs::create_directory(dir_.Path("folder"));
  WriteAll(dir_.Path("folder/inner.tmp"), "x");
  WriteAll(dir_.Path("relative.tmp"), "x");
  auto body = [&] {
    // The folder comes first: folders are removed after every file.
    host().RemoveOnInterrupt(dir_.Path("folder"));
    host().RemoveOnInterrupt(dir_.Path("folder/inner.tmp"));
    host().RemoveOnInterrupt(dir_.Path("file.tmp"));
    host().RemoveOnInterrupt(dir_.Path("kept.tmp"));
    host().ForgetOnInterrupt(dir_.Path("kept.tmp"));
    // A relative path is taken against the folder current when registered.
    if (!host().SetCurrentFolder(dir_.path().string()).ok()) std::abort();
    host().RemoveOnInterrupt("relative.tmp");
    if (!host().SetCurrentFolder("/").ok()) std::abort();
    std::raise(SIGTERM);
  };
  EXPECT_EXIT(body(), ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_FALSE(fs::exists(dir_.Path("file.tmp")));
  EXPECT_FALSE(fs::exists(dir_.Path("folder")));
  EXPECT_FALSE(fs::exists(dir_.Path("relative.tmp")));
  EXPECT_TRUE(fs::exists(dir_.Path("kept.tmp")));
}
#endif

}  // namespace
}  // namespace inicrypt::testing
