// Open files and file numbers: modes, sharing, positions, the registry.
#include "store/file_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "host/host.h"
#include "store/lines.h"
#include "store_test_support.h"

namespace inicrypt {
namespace {

using store_testing::Cipher;
using store_testing::Length;
using store_testing::PlainOnDisk;
using store_testing::ScopedFile;
using testing::IsOk;
using testing::ReadAll;
using testing::TempFolder;
using testing::WriteAll;

// The origins the numbered Seek takes.
constexpr int kFromEnd = 2;
constexpr int kFromCurrent = 3;

std::string Read(FileNumber file, int32_t count) {
  std::string bytes(static_cast<size_t>(count), '\0');
  int32_t got = 0;
  if (!store::Read(file, bytes.data(), count, &got).ok()) return "<failed>";
  bytes.resize(static_cast<size_t>(got));
  return bytes;
}

bool Write(FileNumber file, std::string_view bytes) {
  return store::Write(file, bytes.data(), static_cast<int32_t>(bytes.size())).ok();
}

// Runs each test under no password and under a password.
class FileStoreTest : public ::testing::TestWithParam<std::string_view> {
 protected:
  std::string password() const { return std::string(GetParam()); }
  // A file on disk holding plain text (enciphered under the password).
  std::string Make(const std::string& name, const std::string& plain) {
    const std::string path = temp_.Path(name);
    WriteAll(path, Cipher(plain, GetParam()));
    return path;
  }
  FileNumber Open(const std::string& path, int mode = OpenReadWrite, int share = ShareAll) {
    return OpenFile(path, mode, share, GetParam());
  }

  TempFolder temp_;
};

INSTANTIATE_TEST_SUITE_P(PlainAndEnciphered, FileStoreTest,
                         ::testing::ValuesIn(store_testing::kPasswords),
                         store_testing::PasswordName);

struct OpenModeCase {
  int mode;
  bool opens_missing;  // creates the file when it does not exist
  bool empties;        // an existing file is emptied
  bool reads, writes;
};

TEST_P(FileStoreTest, OpenModesFollowTheirTable) {
  const OpenModeCase cases[] = {
      {OpenRead, false, false, true, false},
      {OpenWrite, false, false, false, true},
      {OpenReadWrite, false, false, true, true},
      {CreateWrite, true, true, false, true},
      {OpenOrCreateWrite, true, false, false, true},
      {OpenOrCreateReadWrite, true, false, true, true},
  };
  for (const OpenModeCase& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode));
    const std::string missing = temp_.Path("missing" + std::to_string(c.mode));
    {
      ScopedFile file(Open(missing, c.mode));
      EXPECT_EQ(file != 0, c.opens_missing);
      EXPECT_EQ(std::filesystem::exists(missing), c.opens_missing);
      if (c.opens_missing) {
        EXPECT_EQ(Length(file), 0);
      }
    }
    const std::string existing = Make("existing" + std::to_string(c.mode), "abc");
    ScopedFile file(Open(existing, c.mode));
    ASSERT_NE(file, 0u);
    EXPECT_EQ(GetPosition(file), 0);
    EXPECT_EQ(Length(file), c.empties ? 0 : 3);
    EXPECT_EQ(Read(file, 3) != "<failed>", c.reads);
    ASSERT_TRUE(Seek(file, 0));
    if (c.reads && !c.empties) {
      EXPECT_EQ(Read(file, 3), "abc");
    }
    ASSERT_TRUE(Seek(file, 0));
    EXPECT_EQ(Write(file, "xy"), c.writes);
    CloseFile(file);
    EXPECT_EQ(PlainOnDisk(existing, GetParam()), c.writes ? (c.empties ? "xy" : "xyc") : "abc");
  }
}

TEST(FileStore, LeftOutModesAreReadWriteAndShareAll) {
  TempFolder temp;
  EXPECT_EQ(OpenFile(temp.Path("missing.ini")), 0u);  // OpenReadWrite needs the file
  const std::string path = temp.Path("a.ini");
  WriteAll(path, "abc");
  ScopedFile first(OpenFile(path));
  EXPECT_EQ(Read(first, 3), "abc");
  EXPECT_TRUE(Write(first, "d"));
  ScopedFile second(OpenFile(path));  // shared for reading and writing
  EXPECT_NE(second, 0u);
  EXPECT_EQ(OpenFile(path, OpenRead, DenyWrite), 0u);  // the first one writes
}

TEST_P(FileStoreTest, BadArgumentsOpenNothing) {
  const std::string path = Make("a.ini", "abc");
  EXPECT_EQ(OpenFile("", OpenReadWrite, ShareAll, GetParam()), 0u);
  for (int mode : {0, 7, -1}) EXPECT_EQ(Open(path, mode), 0u) << mode;
  for (int share : {0, 5}) EXPECT_EQ(Open(path, OpenReadWrite, share), 0u) << share;
  FileNumber none = 1;
  const Status refused = store::Open("", OpenReadWrite, ShareAll, GetParam(), &none);
  EXPECT_EQ(refused.message(), "file store: open: empty path");
  EXPECT_EQ(none, 0u);
  // Nothing stayed open: an exclusive open still succeeds.
  ScopedFile exclusive(Open(path, OpenReadWrite, DenyReadWrite));
  EXPECT_NE(exclusive, 0u);
}

TEST_P(FileStoreTest, RefusedOpenKeepsTheHostMessage) {
  FileNumber file = 1;
  const Status refused = store::Open(temp_.Path("missing.ini"), OpenRead, ShareAll, GetParam(), &file);
  EXPECT_EQ(file, 0u);
  EXPECT_NE(refused.message().find("missing.ini"), std::string::npos) << refused.message();
  EXPECT_EQ(Open(temp_.Path(""), OpenOrCreateReadWrite), 0u);  // a folder
}

struct ShareCase {
  int first_mode, first_share, second_mode, second_share;
  bool second_opens;
};

TEST_P(FileStoreTest, ShareModesHoldOffOtherOpeners) {
  const ShareCase cases[] = {
      {OpenReadWrite, ShareAll, OpenReadWrite, ShareAll, true},
      {OpenReadWrite, DenyRead, OpenRead, ShareAll, false},
      {OpenReadWrite, DenyRead, OpenWrite, ShareAll, true},
      {OpenReadWrite, DenyWrite, OpenRead, ShareAll, true},
      {OpenReadWrite, DenyWrite, OpenWrite, ShareAll, false},
      {OpenRead, DenyReadWrite, OpenRead, ShareAll, false},
      {OpenRead, DenyReadWrite, OpenWrite, ShareAll, false},
      // The second opener's share mode must allow the first one's access.
      {OpenReadWrite, ShareAll, OpenRead, DenyWrite, false},
      {OpenRead, ShareAll, OpenRead, DenyWrite, true},
  };
  const std::string path = Make("a.ini", "abc");
  for (const ShareCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.first_share) + " then " + std::to_string(c.second_mode) + "/" +
                 std::to_string(c.second_share));
    const FileNumber first = Open(path, c.first_mode, c.first_share);
    ASSERT_NE(first, 0u);
    const FileNumber second = Open(path, c.second_mode, c.second_share);
    EXPECT_EQ(second != 0, c.second_opens);
    CloseFile(second);
    CloseFile(first);
    ScopedFile after_close(Open(path, c.second_mode, c.second_share));
    EXPECT_NE(after_close, 0u);
  }
}

TEST(FileStore, EmptyPasswordMakesAPlainFileWhateverThePrefix) {
  TempFolder temp;
  const std::string path = temp.Path("a.ini");
  const FileNumber file = OpenFile(path, OpenOrCreateReadWrite, ShareAll, "", 10);
  EXPECT_EQ(store::KindOf(file), FileKind::kPlain);
  EXPECT_TRUE(Write(file, "abc"));
  CloseFile(file);
  EXPECT_EQ(ReadAll(path), "abc");
}

TEST(FileStore, PrefixBytesStayPlain) {
  TempFolder temp;
  const std::string path = temp.Path("a.ini");
  const FileNumber file = OpenFile(path, OpenOrCreateReadWrite, ShareAll, "pw", 3);
  EXPECT_EQ(store::KindOf(file), FileKind::kEnciphered);
  EXPECT_TRUE(Write(file, "abcdef"));
  CloseFile(file);
  const std::string raw = ReadAll(path);
  ASSERT_EQ(raw.size(), 6u);
  EXPECT_EQ(raw.substr(0, 3), "abc");
  EXPECT_NE(raw.substr(3), "def");
  const FileNumber again = OpenFile(path, OpenRead, ShareAll, "pw", 3);
  EXPECT_EQ(Read(again, 10), "abcdef");
  CloseFile(again);
}

TEST(FileStore, EncipheredBytesAreAsLongAsThePlainText) {
  TempFolder temp;
  const std::string path = temp.Path("a.ini");
  const FileNumber file = OpenFile(path, OpenOrCreateReadWrite, ShareAll, "73580647");
  ASSERT_TRUE(Write(file, "a=1"));
  ASSERT_TRUE(Seek(file, 0));
  EXPECT_EQ(Read(file, 3), "a=1");
  CloseFile(file);
  const std::string raw = ReadAll(path);
  EXPECT_EQ(raw.size(), 3u);
  EXPECT_NE(raw, "a=1");
  EXPECT_EQ(raw, Cipher("a=1", "73580647"));
  // A wrong password opens and yields other bytes.
  ScopedFile wrong(OpenFile(path, OpenRead, ShareAll, "other"));
  const std::string other = Read(wrong, 3);
  EXPECT_EQ(other.size(), 3u);
  EXPECT_NE(other, "a=1");
}

TEST_P(FileStoreTest, SeekRules) {
  ScopedFile file(Open(Make("a.ini", "0123456789")));
  EXPECT_EQ(Read(file, 0), "");
  EXPECT_TRUE(Seek(file, 5));
  EXPECT_TRUE(Seek(file, kFromCurrent, -2));
  EXPECT_EQ(GetPosition(file), 3);
  for (int origin : {0, 4, -1}) {
    EXPECT_FALSE(Seek(file, origin, 1)) << origin;
    EXPECT_EQ(GetPosition(file), 3);
  }
  EXPECT_FALSE(Seek(file, kFromCurrent, -4));
  EXPECT_FALSE(Seek(file, -1));
  EXPECT_FALSE(Seek(file, kFromEnd, -11));
  EXPECT_EQ(GetPosition(file), 3);
  EXPECT_TRUE(Seek(file, kFromEnd, -1));
  EXPECT_EQ(Read(file, 5), "9");
  EXPECT_EQ(Read(file, 5), "");  // at the end: nothing, no transform
  EXPECT_TRUE(SeekToEnd(file));
  EXPECT_EQ(GetPosition(file), 10);
  // Beyond the end is allowed; a write there extends the file.
  EXPECT_TRUE(Seek(file, kFromEnd, 2));
  EXPECT_EQ(Read(file, 1), "");
  EXPECT_TRUE(Write(file, "x"));
  EXPECT_EQ(Length(file), 13);
  EXPECT_TRUE(Seek(file, 12));
  EXPECT_EQ(Read(file, 1), "x");
}

TEST_P(FileStoreTest, PositionsStopBelowTwoToThe31) {
  const std::string path = Make("a.ini", "");
  ScopedFile file(Open(path));
  EXPECT_TRUE(Seek(file, INT32_MAX));
  EXPECT_FALSE(Seek(file, kFromCurrent, 1));
  EXPECT_FALSE(Write(file, "x"));
  EXPECT_FALSE(InsertLine(file, ""));
  EXPECT_EQ(GetPosition(file), INT32_MAX);
  EXPECT_EQ(Length(file), 0);
  EXPECT_TRUE(Seek(file, INT32_MAX - 1));
  EXPECT_FALSE(Write(file, "xy"));
  EXPECT_EQ(Length(file), 0);
  // The last byte below 2^31 can be written (a sparse file).
  EXPECT_TRUE(Write(file, "x"));
  EXPECT_EQ(Length(file), INT32_MAX);
  EXPECT_FALSE(SeekToEnd(file) && Seek(file, kFromCurrent, 1));
  EXPECT_TRUE(Seek(file, INT32_MAX - 1));
  EXPECT_EQ(Read(file, 10), "x");
  EXPECT_TRUE(Seek(file, 0));
  EXPECT_TRUE(IsOk(store::TruncateHere(file)));
}

TEST_P(FileStoreTest, ClosedAndUnknownNumbersTouchNothing) {
  const std::string path = Make("a.ini", "ab\r\ncd");
  const FileNumber file = Open(path);
  ASSERT_NE(file, 0u);
  CloseFile(file);
  CloseFile(file);  // does nothing
  for (FileNumber number : {file, FileNumber{0}, file + 1000}) {
    SCOPED_TRACE(number);
    char byte = 'z';
    int32_t got = 0;
    Text line;
    bool at_end = false;
    EXPECT_EQ(CheckFileNumber(number), -1);
    EXPECT_EQ(store::KindOf(number), std::nullopt);
    EXPECT_EQ(GetPosition(number), -1);
    EXPECT_FALSE(Seek(number, 1));
    EXPECT_FALSE(Seek(number, kFromCurrent, 1));
    EXPECT_FALSE(SeekToEnd(number));
    EXPECT_EQ(Length(number), -1);
    EXPECT_EQ(ReadLine(number), "");
    EXPECT_TRUE(IsAtEnd(number));
    EXPECT_TRUE(IsAtEnd(number, 1));
    EXPECT_FALSE(InsertLine(number, "x"));
    EXPECT_FALSE(DeleteData(number, 1));
    // The store operations say why.
    const std::string not_open = "file store: file number " + std::to_string(number) + " is not open";
    EXPECT_EQ(store::Read(number, &byte, 1, &got).message(), not_open);
    EXPECT_EQ(store::Write(number, &byte, 1).message(), not_open);
    EXPECT_EQ(store::TruncateHere(number).message(), not_open);
    EXPECT_EQ(store::Flush(number).message(), not_open);
    EXPECT_EQ(store::Seek(number, 0).message(), not_open);
    EXPECT_EQ(store::IsAtEndOfText(number, &at_end).message(), not_open);
    EXPECT_EQ(store::ReadLine(number, &line).status().message(), not_open);
    EXPECT_EQ(store::InsertLine(number, "x").message(), not_open);
    EXPECT_EQ(store::DeleteData(number, 1).message(), not_open);
    EXPECT_EQ(store::Close(number).message(), not_open);
  }
  EXPECT_EQ(PlainOnDisk(path, GetParam()), "ab\r\ncd");
}

TEST_P(FileStoreTest, NumbersAreDistinctAndNotReusedAfterClose) {
  const std::string path = Make("a.ini", "abc");
  const FileNumber a = Open(path);
  const FileNumber b = Open(path);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_EQ(CheckFileNumber(a), GetParam().empty() ? 1 : 3);
  CloseFile(a);
  const FileNumber c = Open(path);
  EXPECT_NE(c, a);
  EXPECT_NE(c, b);
  EXPECT_EQ(CheckFileNumber(a), -1);
  // Two files on one path have their own positions.
  EXPECT_TRUE(Seek(b, 2));
  EXPECT_EQ(GetPosition(c), 0);
  CloseFile(b);
  CloseFile(c);
}

TEST_P(FileStoreTest, ChangesThroughOneNumberAreSeenThroughAnother) {
  const std::string path = Make("a.ini", "ab\r\ncd\r\n");
  ScopedFile reader(Open(path, OpenRead));
  ScopedFile writer(Open(path, OpenReadWrite));
  EXPECT_EQ(ReadLine(reader), "ab");  // the reader now holds the file in its buffer
  ASSERT_TRUE(Seek(writer, 4));
  ASSERT_TRUE(InsertLine(writer, "x"));
  EXPECT_EQ(ReadLine(reader), "x");
  EXPECT_EQ(ReadLine(reader), "cd");
  EXPECT_TRUE(IsAtEnd(reader, 1));
  ASSERT_TRUE(Seek(writer, 0));
  ASSERT_TRUE(DeleteData(writer, 4));
  EXPECT_EQ(Length(reader), 7);
  EXPECT_TRUE(IsAtEnd(reader));
  ASSERT_TRUE(Seek(reader, 0));
  EXPECT_EQ(ReadLine(reader), "x");
  // Emptying the file by opening it anew is seen as well.
  ScopedFile emptier(Open(path, CreateWrite));
  ASSERT_NE(emptier, 0u);
  EXPECT_EQ(Length(reader), 0);
  EXPECT_EQ(ReadLine(reader), "");
}

TEST_P(FileStoreTest, TruncateAndFlush) {
  const std::string path = Make("a.ini", "abcdef");
  ScopedFile file(Open(path));
  ASSERT_TRUE(Seek(file, 2));
  EXPECT_EQ(Read(file, 1), "c");
  EXPECT_TRUE(IsOk(store::TruncateHere(file)));
  EXPECT_EQ(Length(file), 3);
  EXPECT_TRUE(IsOk(store::Flush(file)));
  EXPECT_EQ(PlainOnDisk(path, GetParam()), "abc");
  ScopedFile reader(Open(path, OpenRead));
  char byte = 0;
  int32_t got = 0;
  EXPECT_FALSE(store::Read(reader, &byte, -1, &got).ok());
  EXPECT_FALSE(store::Write(reader, &byte, 1).ok());
  EXPECT_FALSE(store::TruncateHere(reader).ok());
  EXPECT_EQ(PlainOnDisk(path, GetParam()), "abc");
}

TEST(FileStore, CloseAllFilesClosesEveryNumber) {
  TempFolder temp;
  WriteAll(temp.Path("a.ini"), "abc");
  const FileNumber a = OpenFile(temp.Path("a.ini"), OpenRead, DenyReadWrite);
  const FileNumber b = OpenFile(temp.Path("b.ini"), OpenOrCreateReadWrite, DenyReadWrite, "pw");
  CloseAllFiles();
  EXPECT_EQ(CheckFileNumber(a), -1);
  EXPECT_EQ(CheckFileNumber(b), -1);
  ScopedFile again(OpenFile(temp.Path("a.ini"), OpenRead, DenyReadWrite));
  EXPECT_NE(again, 0u);
}

// Set in the child of the exit test: the folder and the file it leaves open.
std::filesystem::path* g_exit_folder = nullptr;

// Runs after the store's own exit step: the file must be closed by then, so
// an exclusive open of it succeeds.
void ExpectLeftOpenFileClosed() {
  std::unique_ptr<HostFile> file;
  const Status status =
      GetHost().OpenFile((*g_exit_folder / "left_open.ini").string(), FileAccess::kRead,
                         FileShare::kDenyReadWrite, FileCreation::kOpenExisting, &file);
  file.reset();
  std::error_code ignored;
  std::filesystem::remove_all(*g_exit_folder, ignored);
  std::_Exit(status.ok() ? 7 : 8);
}

TEST(FileStoreDeathTest, FileLeftOpenIsClosedAtExit) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: nothing registered yet
  EXPECT_EXIT(
      {
        g_exit_folder = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                                  ("inicrypt-store-exit-" +
                                                   std::to_string(std::random_device()())));
        std::filesystem::create_directory(*g_exit_folder);
        std::atexit(ExpectLeftOpenFileClosed);
        const std::string path = (*g_exit_folder / "left_open.ini").string();
        if (OpenFile(path, OpenOrCreateReadWrite, DenyReadWrite, "pw") == 0) std::_Exit(9);
        std::exit(0);
      },
      ::testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace inicrypt
