// Host failures inside store operations: results, positions, and what is
// left on disk, failing each host call in turn.
#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <string>

#include "host/faulty_host.h"
#include "store/file_store.h"
#include "store/lines.h"
#include "store_test_support.h"

namespace inicrypt {
namespace {

using store_testing::Cipher;
using store_testing::PlainOnDisk;
using store_testing::ScopedFile;
using testing::TempFolder;
using testing::WriteAll;

constexpr HostCall kFileCalls[] = {HostCall::kSeek, HostCall::kRead, HostCall::kWrite,
                                   HostCall::kSetEnd};

class StoreFaultTest : public ::testing::TestWithParam<std::string_view> {
 protected:
  StoreFaultTest() {
    std::mt19937 random(3);
    // Longer than a read buffer, so that reads come in several host calls.
    original_ = "[s]\r\nk=v\r\n" + store_testing::RandomText(random, 70000);
  }

  // Opens a fresh copy of the original through the faulty host, at position p.
  FileNumber OpenAt(int32_t p) {
    WriteAll(path_, Cipher(original_, GetParam()));
    const FileNumber file = OpenFile(path_, OpenReadWrite, ShareAll, GetParam());
    EXPECT_TRUE(Seek(file, p));
    return file;
  }
  std::string OnDisk() const { return PlainOnDisk(path_, GetParam()); }

  // Fails the n-th call of each file kind, n = 1, 2, ... until the edit runs
  // through, once for that call only and once for every later call too.
  // check(kind, injected) runs after each failed edit, with the file closed.
  template <class Edit, class Check>
  void FailEachCall(int32_t p, Edit edit, Check check) {
    for (HostCall kind : kFileCalls) {
      for (FaultSpan span : {FaultSpan::kOnce, FaultSpan::kFromNthOn}) {
        for (int n = 1;; ++n) {
          SCOPED_TRACE("call kind " + std::to_string(static_cast<int>(kind)) + " n " +
                       std::to_string(n) + (span == FaultSpan::kOnce ? " once" : " on"));
          const FileNumber file = OpenAt(p);
          faulty_.Reset();
          faulty_.FailCall(kind, n, span);
          const bool ok = edit(file);
          const int injected = faulty_.Injected();
          const int32_t position = GetPosition(file);
          faulty_.Reset();
          CloseFile(file);
          if (injected == 0) {
            EXPECT_TRUE(ok);
            break;
          }
          EXPECT_FALSE(ok);
          EXPECT_EQ(position, p);
          check(kind);
          ASSERT_LT(n, 100);
        }
      }
    }
  }

  TempFolder temp_;
  std::string path_ = temp_.Path("faults.ini");
  std::string original_;
  FaultyHost faulty_;
  ScopedHost in_use_{faulty_};
};

INSTANTIATE_TEST_SUITE_P(PlainAndEnciphered, StoreFaultTest,
                         ::testing::ValuesIn(store_testing::kPasswords),
                         store_testing::PasswordName);

TEST_P(StoreFaultTest, FailedInsertReturnsToItsPositionAndLeavesTheFile) {
  // The rest is read whole and written with the line in one write, so a
  // failing call that writes nothing leaves the file as it was.
  FailEachCall(
      5, [](FileNumber file) { return InsertLine(file, "x=1"); },
      [&](HostCall) { EXPECT_EQ(OnDisk(), original_); });
  std::string expected = original_;
  expected.insert(5, "x=1\r\n");
  EXPECT_EQ(OnDisk(), expected);
}

TEST_P(StoreFaultTest, FailedDeleteReturnsToItsPosition) {
  std::string moved = original_;  // the rest moved, the length not yet cut
  moved.replace(5, moved.size() - 10, original_.substr(10));
  FailEachCall(
      5, [](FileNumber file) { return DeleteData(file, 5); },
      [&](HostCall kind) {
        // A failure once the rest is written shows: the moved rest, uncut.
        const std::string disk = OnDisk();
        EXPECT_TRUE(disk == original_ || disk == moved);
        if (kind == HostCall::kSetEnd) {
          EXPECT_EQ(disk, moved);
        }
        if (kind == HostCall::kRead || kind == HostCall::kWrite) {
          EXPECT_EQ(disk, original_);
        }
      });
  EXPECT_EQ(OnDisk(), original_.substr(0, 5) + original_.substr(10));
}

TEST_P(StoreFaultTest, WriteFailingOnAFullDiskIsReportedAndRereadFromDisk) {
  ScopedFile file(OpenAt(0));
  std::string first(10, '\0');
  int32_t got = 0;
  ASSERT_TRUE(store::Read(file, first.data(), 10, &got).ok());  // the buffer now holds the start
  ASSERT_EQ(got, 10);
  faulty_.SetFullDisk(true);
  faulty_.FailCall(HostCall::kWrite, 1);
  ASSERT_TRUE(Seek(file, 2));
  const Status written = store::Write(file, "abcdef", 6);
  EXPECT_EQ(written.code(), ENOSPC) << written.message();
  EXPECT_EQ(GetPosition(file), 2);
  // Half of it landed; reads show the disk, not what was buffered.
  ASSERT_TRUE(Seek(file, 0));
  EXPECT_EQ(ReadLine(file), "[sabck=v");
  EXPECT_EQ(OnDisk().substr(0, 10), "[sabck=v\r\n");
}

TEST_P(StoreFaultTest, ReadLineFailureGivesTheEmptyTextAtTheEnd) {
  for (FaultSpan span : {FaultSpan::kOnce, FaultSpan::kFromNthOn}) {
    ScopedFile file(OpenAt(5));
    faulty_.Reset();
    faulty_.FailCall(HostCall::kRead, 1, span);
    EXPECT_EQ(ReadLine(file), "");
    EXPECT_EQ(GetPosition(file), static_cast<int32_t>(original_.size()));
    faulty_.Reset();
  }
  // When the move to the end fails as well, the position stays.
  ScopedFile file(OpenAt(5));
  faulty_.Reset();
  faulty_.FailCall(HostCall::kRead, 1);
  faulty_.FailCall(HostCall::kSeek, 1, FaultSpan::kFromNthOn);
  EXPECT_EQ(ReadLine(file), "");
  EXPECT_EQ(GetPosition(file), 5);
  faulty_.Reset();
  EXPECT_EQ(ReadLine(file), "k=v");
}

TEST_P(StoreFaultTest, IsAtEndAnswersTrueOnFailureAndNeverMoves) {
  ScopedFile file(OpenAt(5));
  faulty_.Reset();
  faulty_.FailCall(HostCall::kSeek, 1);  // learning the length
  EXPECT_TRUE(IsAtEnd(file));
  EXPECT_EQ(GetPosition(file), 5);
  faulty_.Reset();
  faulty_.FailCall(HostCall::kRead, 1, FaultSpan::kFromNthOn);
  EXPECT_FALSE(IsAtEnd(file));
  EXPECT_TRUE(IsAtEnd(file, 1));  // the next byte cannot be read
  EXPECT_EQ(GetPosition(file), 5);
  faulty_.Reset();
  EXPECT_FALSE(IsAtEnd(file, 1));
}

// store::ReadLine and the end tests tell a line, the end of the text and a
// failure apart, and a failure moves nothing.
TEST_P(StoreFaultTest, LineReadsTellTheEndFromAFailure) {
  enum Answer { kLine, kEnd, kFailed };
  const struct {
    const char* what;
    int32_t at;
    HostCall fails;  // kOpen: nothing fails
    Answer answer;
    bool at_end;  // what the end test answers when it does not fail
  } cases[] = {
      {"a line", 5, HostCall::kOpen, kLine, false},
      {"the end of the file", static_cast<int32_t>(original_.size()), HostCall::kOpen, kEnd, true},
      {"a failing read", 5, HostCall::kRead, kFailed, false},
      {"a failing length", static_cast<int32_t>(original_.size()), HostCall::kSeek, kFailed, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool end_test : {false, true}) {
      ScopedFile file(OpenAt(c.at));
      faulty_.Reset();
      if (c.fails != HostCall::kOpen) faulty_.FailCall(c.fails, 1, FaultSpan::kFromNthOn);
      Text line = "stale";
      bool at_end = !c.at_end;
      if (end_test) {
        const Status status = store::IsAtEndOfText(file, &at_end);
        EXPECT_EQ(status.ok(), c.answer != kFailed) << status.message();
        if (status.ok()) {
          EXPECT_EQ(at_end, c.at_end);
        }
        EXPECT_NE(status.message().find(c.answer == kFailed ? "injected" : ""), std::string::npos);
      } else {
        const Lookup read = store::ReadLine(file, &line);
        EXPECT_EQ(read.found(), c.answer == kLine);
        EXPECT_EQ(read.not_found(), c.answer == kEnd);
        EXPECT_EQ(read.failed(), c.answer == kFailed);
        EXPECT_EQ(line, c.answer == kLine ? "k=v" : "");
        EXPECT_NE(read.status().message().find(c.answer == kFailed ? "injected" : ""),
                  std::string::npos);
      }
      faulty_.Reset();
      EXPECT_EQ(GetPosition(file), c.answer == kLine && !end_test ? 10 : c.at);
    }
  }
}

TEST_P(StoreFaultTest, RefusedOpenAndFailedCloseLeaveNothingRegistered) {
  WriteAll(path_, Cipher(original_, GetParam()));
  faulty_.FailCall(HostCall::kOpen, 1);
  FileNumber refused = 1;
  const Status status = store::Open(path_, OpenReadWrite, DenyReadWrite, GetParam(), &refused);
  EXPECT_EQ(refused, 0u);
  EXPECT_NE(status.message().find("injected"), std::string::npos);
  const FileNumber file = OpenFile(path_, OpenReadWrite, DenyReadWrite, GetParam());
  ASSERT_NE(file, 0u);
  faulty_.FailCall(HostCall::kClose, 1);
  CloseFile(file);
  EXPECT_EQ(CheckFileNumber(file), -1);
  ScopedFile again(OpenFile(path_, OpenReadWrite, DenyReadWrite, GetParam()));
  EXPECT_NE(again, 0u);
}

}  // namespace
}  // namespace inicrypt
