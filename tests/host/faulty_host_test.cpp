// FaultyHost fails exactly the calls a test names, and only those.
#include "host/faulty_host.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace inicrypt::testing {
namespace {

class FaultyHostTest : public ::testing::Test {
 protected:
  // Opens dir_/name for writing; the status of the open.
  Status OpenWriter(const std::string& name, std::unique_ptr<HostFile>* file) {
    return faulty_.OpenFile(dir_.Path(name), FileAccess::kReadWrite, FileShare::kDenyReadWrite,
                            FileCreation::kOpenAlways, file);
  }
  // Writes "a", "b", "c" ... one byte per call; which writes succeeded.
  std::vector<bool> WriteBytes(HostFile& file, int count) {
    std::vector<bool> ok;
    for (int i = 0; i < count; ++i) {
      char byte = static_cast<char>('a' + i);
      ok.push_back(file.Write(&byte, 1).ok());
    }
    return ok;
  }

  TempFolder dir_;
  FaultyHost faulty_;
};

TEST_F(FaultyHostTest, FailsTheNthCallOfAKindOnceOrFromThenOn) {
  std::unique_ptr<HostFile> file;
  ASSERT_TRUE(IsOk(OpenWriter("once", &file)));
  faulty_.FailCall(HostCall::kWrite, 2);
  EXPECT_EQ(WriteBytes(*file, 4), (std::vector<bool>{true, false, true, true}));
  EXPECT_EQ(faulty_.Calls(HostCall::kWrite), 4);
  EXPECT_EQ(faulty_.Injected(), 1);
  file.reset();
  EXPECT_EQ(ReadAll(dir_.Path("once")), "acd");  // the failed write wrote nothing

  faulty_.Reset();
  ASSERT_TRUE(IsOk(OpenWriter("from", &file)));
  faulty_.FailCall(HostCall::kWrite, 2, FaultSpan::kFromNthOn);
  EXPECT_EQ(WriteBytes(*file, 4), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(faulty_.Injected(), 3);
}

TEST_F(FaultyHostTest, FailIoCountsEveryFileCallTogether) {
  // open(1) write(2) seek(3) read(4) close(5): the 3rd I/O call is the seek.
  faulty_.FailIo(3);
  std::unique_ptr<HostFile> file;
  ASSERT_TRUE(IsOk(OpenWriter("f", &file)));
  ASSERT_TRUE(IsOk(file->Write("xy", 2)));
  Status seek = file->Seek(0, SeekOrigin::kStart, nullptr);
  EXPECT_EQ(seek.code(), EIO);
  EXPECT_EQ(seek.message(), "seek " + (dir_.Path("f")) + ": injected failure");
  char byte = 0;
  size_t got = 0;
  ASSERT_TRUE(IsOk(file->Read(&byte, 1, &got)));
  EXPECT_EQ(got, 0u);  // still at the end: the failed seek did not move
  EXPECT_TRUE(IsOk(file->Close()));
  Text folder;
  EXPECT_TRUE(IsOk(faulty_.GetCurrentFolder(&folder)));  // not an I/O call
  EXPECT_EQ(faulty_.IoCalls(), 5);
  EXPECT_EQ(faulty_.Injected(), 1);
}

TEST_F(FaultyHostTest, FullDiskWritesPartThenReportsNoSpace) {
  faulty_.SetFullDisk(true);
  faulty_.FailCall(HostCall::kWrite, 1);
  std::unique_ptr<HostFile> file;
  ASSERT_TRUE(IsOk(OpenWriter("f", &file)));
  EXPECT_EQ(file->Write("0123456789", 10).code(), ENOSPC);
  file.reset();
  EXPECT_EQ(ReadAll(dir_.Path("f")), "01234");
}

TEST_F(FaultyHostTest, FailedOpenCreatesNothingAndFailedCloseStillCloses) {
  faulty_.FailCall(HostCall::kOpen, 1);
  faulty_.FailCall(HostCall::kClose, 1);
  std::unique_ptr<HostFile> file;
  EXPECT_EQ(OpenWriter("f", &file).code(), EIO);
  EXPECT_EQ(file, nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("f")));
  ASSERT_TRUE(IsOk(OpenWriter("f", &file)));
  EXPECT_EQ(file->Close().code(), EIO);
  // The file no longer holds its share: a second opener denying all gets in.
  std::unique_ptr<HostFile> again;
  EXPECT_TRUE(IsOk(OpenWriter("f", &again)));
}

TEST_F(FaultyHostTest, PathCallsFailWithoutActing) {
  WriteAll(dir_.Path("a"), "a");
  faulty_.FailCall(HostCall::kRename, 1);
  faulty_.FailCall(HostCall::kDelete, 1);
  faulty_.FailCall(HostCall::kCreateFolder, 1);
  EXPECT_FALSE(faulty_.RenameFile(dir_.Path("a"), dir_.Path("b")).ok());
  EXPECT_FALSE(faulty_.DeleteFile(dir_.Path("a")).ok());
  EXPECT_FALSE(faulty_.CreatePrivateFolder(dir_.Path("d")).ok());
  EXPECT_TRUE(std::filesystem::exists(dir_.Path("a")));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("b")));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("d")));
  // Second calls of each kind go through.
  EXPECT_TRUE(IsOk(faulty_.RenameFile(dir_.Path("a"), dir_.Path("b"))));
  EXPECT_TRUE(IsOk(faulty_.DeleteFile(dir_.Path("b"))));
}

TEST_F(FaultyHostTest, FilesMayOutliveTheHost) {
  std::unique_ptr<HostFile> file;
  {
    FaultyHost short_lived;
    ASSERT_TRUE(IsOk(short_lived.OpenFile(dir_.Path("f"), FileAccess::kWrite, FileShare::kAll,
                                          FileCreation::kCreateNew, &file)));
  }
  EXPECT_TRUE(IsOk(file->Write("x", 1)));
  EXPECT_TRUE(IsOk(file->Close()));
}

TEST_F(FaultyHostTest, ScopedHostPutsItInPlace) {
  EXPECT_EQ(&GetHost(), &PlatformHost());
  {
    ScopedHost in_use(faulty_);
    EXPECT_EQ(&GetHost(), &faulty_);
    faulty_.FailCall(HostCall::kDelete, 1);
    EXPECT_FALSE(GetHost().DeleteFile(dir_.Path("none")).code() == ENOENT);
  }
  EXPECT_EQ(&GetHost(), &PlatformHost());
}

}  // namespace
}  // namespace inicrypt::testing
