// The file calls of the host contract.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "test_support.h"

namespace inicrypt::testing {
namespace {

using HostFileTest = HostTest;
INSTANTIATE_TEST_SUITE_P(Hosts, HostFileTest, ::testing::ValuesIn(kAllHosts), HostName);
// What only a disk has (FIFOs made by a program).
using HostDiskFileTest = HostTest;
INSTANTIATE_TEST_SUITE_P(Hosts, HostDiskFileTest, ::testing::ValuesIn(kDiskHosts), HostName);

constexpr FileAccess kAccesses[] = {FileAccess::kRead, FileAccess::kWrite, FileAccess::kReadWrite};

std::string ReadFrom(HostFile& file, size_t n = 100) {
  std::string bytes(n, '\0');
  size_t got = 0;
  EXPECT_TRUE(IsOk(file.Read(bytes.data(), n, &got)));
  bytes.resize(got);
  return bytes;
}

int64_t PositionOf(HostFile& file) {
  int64_t position = -1;
  EXPECT_TRUE(IsOk(file.Seek(0, SeekOrigin::kCurrent, &position)));
  return position;
}

TEST_P(HostFileTest, CreationRulesKeepCreateOrEmptyAsTabled) {
  struct Case {
    FileCreation creation;
    bool exists;
    int error;            // 0: opens
    const char* content;  // afterwards; nullptr: no file
  };
  const Case cases[] = {
      {FileCreation::kOpenExisting, false, errors().missing, nullptr},
      {FileCreation::kOpenExisting, true, 0, "old"},
      {FileCreation::kCreateAlways, false, 0, ""},
      {FileCreation::kCreateAlways, true, 0, ""},
      {FileCreation::kOpenAlways, false, 0, ""},
      {FileCreation::kOpenAlways, true, 0, "old"},
      {FileCreation::kCreateNew, false, 0, ""},
      {FileCreation::kCreateNew, true, errors().exists, "old"},
  };
  int row = 0;
  for (const Case& c : cases) {
    for (FileAccess access : kAccesses) {
      SCOPED_TRACE(::testing::Message() << "row " << row << " access " << int(access));
      std::string path = Path("f" + std::to_string(row++));
      if (c.exists) Put(path, "old");
      std::unique_ptr<HostFile> file;
      Status status = Open(path, access, FileShare::kAll, c.creation, &file);
      EXPECT_EQ(status.code(), c.error == 0 ? 0 : c.error) << status.message();
      EXPECT_EQ(file != nullptr, c.error == 0);
      if (file && access != FileAccess::kWrite) {
        EXPECT_EQ(ReadFrom(*file), c.content);
      }
      file.reset();
      EXPECT_EQ(Exists(path), c.content != nullptr);
      if (c.content != nullptr) {
        EXPECT_EQ(Get(path), c.content);
      }
    }
  }
}

TEST_P(HostFileTest, AccessIsEnforcedByTheFile) {
  std::string path = Path("a");
  Put(path, "abc");
  std::unique_ptr<HostFile> reader, writer;
  // A reader that empties the file still may not write.
  ASSERT_TRUE(
      IsOk(Open(path, FileAccess::kRead, FileShare::kAll, FileCreation::kCreateAlways, &reader)));
  EXPECT_FALSE(reader->Write("x", 1).ok());
  EXPECT_FALSE(reader->SetEnd().ok());
  ASSERT_TRUE(
      IsOk(Open(path, FileAccess::kWrite, FileShare::kAll, FileCreation::kOpenExisting, &writer)));
  char byte = 0;
  size_t got = 7;
  EXPECT_FALSE(writer->Read(&byte, 1, &got).ok());
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(Get(path), "");
}

struct ShareCase {
  FileAccess first_access;
  FileShare first_share;
  FileAccess second_access;
  FileShare second_share;
  bool allowed;
};

TEST_P(HostFileTest, SharingFollowsShareModesWhateverThePathSpelling) {
  using A = FileAccess;
  using S = FileShare;
  const ShareCase cases[] = {
      {A::kRead, S::kAll, A::kRead, S::kAll, true},
      {A::kRead, S::kAll, A::kReadWrite, S::kAll, true},
      {A::kRead, S::kDenyWrite, A::kRead, S::kAll, true},
      {A::kRead, S::kDenyWrite, A::kRead, S::kDenyWrite, true},
      {A::kRead, S::kDenyWrite, A::kWrite, S::kAll, false},
      {A::kReadWrite, S::kAll, A::kRead, S::kDenyWrite, false},
      {A::kWrite, S::kAll, A::kRead, S::kDenyRead, true},
      {A::kRead, S::kAll, A::kWrite, S::kDenyRead, false},
      {A::kWrite, S::kDenyRead, A::kWrite, S::kAll, true},
      {A::kWrite, S::kDenyRead, A::kRead, S::kAll, false},
      {A::kWrite, S::kDenyWrite, A::kRead, S::kDenyWrite, false},
      {A::kRead, S::kDenyReadWrite, A::kRead, S::kAll, false},
      {A::kRead, S::kAll, A::kRead, S::kDenyReadWrite, false},
  };
  MakeFolder(Path("sub"));
  std::string path = Path("sub/f.ini");
  Put(path, "data");
  HardLink(path, Path("link.ini"));
  const std::string spellings[] = {path, Path("sub/./f.ini"), Path("sub\\f.ini"),
                                   Path("link.ini")};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const ShareCase& c = cases[i];
    for (const std::string& other : spellings) {
      SCOPED_TRACE(::testing::Message() << "row " << i << " via " << other);
      std::unique_ptr<HostFile> first, second;
      ASSERT_TRUE(
          IsOk(Open(path, c.first_access, c.first_share, FileCreation::kOpenExisting, &first)));
      Status status =
          Open(other, c.second_access, c.second_share, FileCreation::kOpenExisting, &second);
      EXPECT_EQ(status.ok(), c.allowed) << status.message();
      if (!c.allowed) {
        EXPECT_EQ(status.code(), errors().shared);
      }
      if (second) {
        EXPECT_EQ(second->Id(), first->Id());
      }
      // Once the first opener is gone, the second may open.
      first.reset();
      second.reset();
      EXPECT_TRUE(
          IsOk(Open(other, c.second_access, c.second_share, FileCreation::kOpenExisting, &second)));
    }
  }
  EXPECT_EQ(Get(path), "data");
}

TEST_P(HostFileTest, RefusedOpenEmptiesNothingAndHoldsNothing) {
  std::string path = Path("f");
  Put(path, "keep");
  std::unique_ptr<HostFile> reader, writer;
  ASSERT_TRUE(IsOk(
      Open(path, FileAccess::kRead, FileShare::kDenyWrite, FileCreation::kOpenExisting, &reader)));
  EXPECT_FALSE(
      Open(path, FileAccess::kWrite, FileShare::kAll, FileCreation::kCreateAlways, &writer).ok());
  EXPECT_EQ(Get(path), "keep");
  reader.reset();
  // The refused open left no opener behind.
  EXPECT_TRUE(IsOk(Open(path, FileAccess::kReadWrite, FileShare::kDenyReadWrite,
                        FileCreation::kOpenExisting, &writer)));
}

TEST_P(HostFileTest, FolderNeverOpensAsFile) {
  const FileCreation creations[] = {FileCreation::kOpenExisting, FileCreation::kCreateAlways,
                                    FileCreation::kOpenAlways, FileCreation::kCreateNew};
  for (FileAccess access : kAccesses) {
    for (FileCreation creation : creations) {
      std::unique_ptr<HostFile> file;
      EXPECT_FALSE(Open(Folder(), access, FileShare::kAll, creation, &file).ok());
      EXPECT_EQ(file, nullptr);
    }
  }
  EXPECT_EQ(host().GetPathKind(Folder()), PathKind::kFolder);
}

TEST_P(HostDiskFileTest, FifoOpensWithoutWaitingForTheOtherEnd) {
  INICRYPT_POSIX_ONLY();
  std::string fifo = Path("fifo");
  TextList arguments;
  arguments.Append(fifo);
  int code = -1;
  ASSERT_TRUE(IsOk(host().RunProgram("mkfifo", arguments, &code)));
  ASSERT_EQ(code, 0);
  EXPECT_EQ(host().GetPathKind(fifo), PathKind::kOther);
  std::unique_ptr<HostFile> file;
  // With no writer, a reader opens at once; a writer is refused at once.
  EXPECT_TRUE(
      IsOk(Open(fifo, FileAccess::kRead, FileShare::kAll, FileCreation::kOpenExisting, &file)));
  file.reset();
  EXPECT_FALSE(
      Open(fifo, FileAccess::kWrite, FileShare::kAll, FileCreation::kOpenExisting, &file).ok());
}

TEST_P(HostFileTest, SeekBelowZeroFailsAndKeepsThePosition) {
  auto file = OpenRw(Path("f"));
  ASSERT_TRUE(IsOk(file->Write("hello", 5)));
  int64_t position = 99;
  EXPECT_FALSE(file->Seek(-1, SeekOrigin::kStart, &position).ok());
  EXPECT_FALSE(file->Seek(-6, SeekOrigin::kCurrent, &position).ok());
  EXPECT_FALSE(file->Seek(-6, SeekOrigin::kEnd, &position).ok());
  EXPECT_EQ(PositionOf(*file), 5);
  ASSERT_TRUE(IsOk(file->Seek(-2, SeekOrigin::kCurrent, &position)));
  EXPECT_EQ(position, 3);
  EXPECT_EQ(ReadFrom(*file), "lo");
  EXPECT_EQ(ReadFrom(*file), "");  // at the end
  // Beyond the end is allowed; a write there extends the file.
  ASSERT_TRUE(IsOk(file->Seek(3, SeekOrigin::kEnd, nullptr)));
  ASSERT_TRUE(IsOk(file->Write("!", 1)));
  EXPECT_EQ(Get(Path("f")), std::string("hello\0\0\0!", 9));
}

TEST_P(HostFileTest, SetEndCutsOrExtendsAtThePosition) {
  std::string path = Path("f");
  auto file = OpenRw(path);
  ASSERT_TRUE(IsOk(file->Write("hello world", 11)));
  ASSERT_TRUE(IsOk(file->Seek(5, SeekOrigin::kStart, nullptr)));
  ASSERT_TRUE(IsOk(file->SetEnd()));
  EXPECT_EQ(PositionOf(*file), 5);
  EXPECT_EQ(Get(path), "hello");
  ASSERT_TRUE(IsOk(file->Seek(7, SeekOrigin::kStart, nullptr)));
  ASSERT_TRUE(IsOk(file->SetEnd()));
  EXPECT_EQ(Get(path), std::string("hello\0\0", 7));
}

TEST_P(HostFileTest, ClosedFileRefusesEveryCall) {
  auto file = OpenRw(Path("f"));
  ASSERT_TRUE(IsOk(file->Sync()));
  ASSERT_TRUE(IsOk(file->Close()));
  char byte = 0;
  size_t got = 0;
  EXPECT_FALSE(file->Read(&byte, 1, &got).ok());
  EXPECT_FALSE(file->Write("x", 1).ok());
  EXPECT_FALSE(file->Seek(0, SeekOrigin::kStart, nullptr).ok());
  EXPECT_FALSE(file->SetEnd().ok());
  EXPECT_FALSE(file->Sync().ok());
  EXPECT_FALSE(file->Close().ok());
}

TEST_P(HostFileTest, WriteThatCannotCompleteIsAnError) {
  if (!posix()) GTEST_SKIP() << "no device that is always full";
  std::unique_ptr<HostFile> full;
  ASSERT_TRUE(IsOk(
      Open("/dev/full", FileAccess::kWrite, FileShare::kAll, FileCreation::kOpenExisting, &full)));
  Status status = full->Write("x", 1);
  EXPECT_EQ(status.code(), ENOSPC);
  EXPECT_EQ(status.message(), "write /dev/full: No space left on device");
}

TEST_P(HostFileTest, DevicesOpenUnderEveryCreationRule) {
  // Only files are emptied: a device such as /dev/null (NUL) takes "create always".
  for (FileCreation creation :
       {FileCreation::kOpenExisting, FileCreation::kCreateAlways, FileCreation::kOpenAlways}) {
    std::unique_ptr<HostFile> null;
    ASSERT_TRUE(IsOk(Open(NullDevice(), FileAccess::kWrite, FileShare::kAll, creation, &null)));
    EXPECT_TRUE(IsOk(null->Write("x", 1)));
  }
}

TEST_P(HostFileTest, IdNamesTheFileNotThePath) {
  std::string path = Path("f");
  auto a = OpenRw(path);
  auto b = OpenRw(Path("./f"));
  auto c = OpenRw(Path("g"));
  EXPECT_EQ(a->Id(), b->Id());
  EXPECT_FALSE(a->Id() == c->Id());
}

TEST_P(HostFileTest, ErrorsNameOperationAndPath) {
  std::string missing = Path("missing.ini");
  std::unique_ptr<HostFile> file;
  Status status =
      Open(missing, FileAccess::kRead, FileShare::kAll, FileCreation::kOpenExisting, &file);
  // The reason is the system's own text (on Windows in the system's language).
  const std::string reason =
      posix() ? "No such file or directory" : status.message().substr(missing.size() + 7);
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(status.message(), "open " + missing + ": " + reason);
  EXPECT_EQ(status.code(), errors().missing);
  status = host().RenameFile(missing, Path("to.ini"));
  EXPECT_EQ(status.message(), "rename " + missing + " to " + Path("to.ini") + ": " + reason);
}

TEST_P(HostFileTest, RenameReplacesTheTarget) {
  Put(Path("new"), "new");
  Put(Path("old"), "old, longer");
  ASSERT_TRUE(IsOk(host().RenameFile(Path("new"), Path("old"))));
  EXPECT_EQ(Get(Path("old")), "new");
  EXPECT_FALSE(Exists(Path("new")));
}

TEST_P(HostFileTest, DeleteTakesFilesOnly) {
  Put(Path("f"), "x");
  MakeFolder(Path("d"));
  EXPECT_TRUE(IsOk(host().DeleteFile(Path("f"))));
  EXPECT_FALSE(Exists(Path("f")));
  EXPECT_EQ(host().DeleteFile(Path("f")).code(), errors().missing);
  EXPECT_FALSE(host().DeleteFile(Path("d")).ok());
  EXPECT_EQ(host().GetPathKind(Path("d")), PathKind::kFolder);
}

TEST_P(HostFileTest, PathKinds) {
  Put(Path("f"), "x");
  EXPECT_EQ(host().GetPathKind(Path("f")), PathKind::kFile);
  EXPECT_EQ(host().GetPathKind(Folder()), PathKind::kFolder);
  EXPECT_EQ(host().GetPathKind(Path("none")), PathKind::kMissing);
  EXPECT_EQ(host().GetPathKind(Path("f/below")), PathKind::kMissing);
  EXPECT_EQ(host().GetPathKind(""), PathKind::kMissing);
  if (posix()) {
    EXPECT_EQ(host().GetPathKind("/dev/null"), PathKind::kOther);
  }
}

TEST_P(HostFileTest, ModesAndFolders) {
  // A created file gets the usual permissions, as any other program's would.
  // Windows has no permission bits: every mode is 0 and setting one does
  // nothing.
  Put(Path("reference"), "");
  auto file = OpenRw(Path("f"));
  uint32_t mode = 0, reference = 1;
  ASSERT_TRUE(IsOk(host().GetFileMode(Path("f"), &mode)));
  ASSERT_TRUE(IsOk(host().GetFileMode(Path("reference"), &reference)));
  EXPECT_EQ(mode, reference);
  ASSERT_TRUE(IsOk(host().SetFileMode(Path("f"), 0640)));
  ASSERT_TRUE(IsOk(host().GetFileMode(Path("f"), &mode)));
  EXPECT_EQ(mode, posix() ? 0640u : 0u);
  EXPECT_FALSE(host().GetFileMode(Path("none"), &mode).ok());

  ASSERT_TRUE(IsOk(host().CreatePrivateFolder(Path("p"))));
  ASSERT_TRUE(IsOk(host().GetFileMode(Path("p"), &mode)));
  EXPECT_EQ(mode, posix() ? 0700u : 0u);
  EXPECT_EQ(host().CreatePrivateFolder(Path("p")).code(), errors().folder_exists);
  Put(Path("p/inside"), "");
  EXPECT_FALSE(host().DeleteFolder(Path("p")).ok());
  ASSERT_TRUE(IsOk(host().DeleteFile(Path("p/inside"))));
  EXPECT_TRUE(IsOk(host().DeleteFolder(Path("p"))));
  EXPECT_FALSE(Exists(Path("p")));
}

TEST_P(HostFileTest, Cp936NamesReachTheFileSystemWhole) {
  // 0xD5 0x5C is one character (U+8AA0); its second byte is "\" and must not
  // split the name. A "\" between names is a separator.
  MakeFolder(Path("sub"));
  std::string name = Path("sub\\\xD5\x5C.ini");
  std::unique_ptr<HostFile> file;
  ASSERT_TRUE(
      IsOk(Open(name, FileAccess::kWrite, FileShare::kAll, FileCreation::kCreateNew, &file)));
  ASSERT_TRUE(IsOk(file->Write("x", 1)));
  file.reset();
  EXPECT_EQ(Names(Path("sub")), std::vector<std::string>{"\xE8\xAA\xA0.ini"});
  ASSERT_TRUE(
      IsOk(Open(name, FileAccess::kRead, FileShare::kAll, FileCreation::kOpenExisting, &file)));
  EXPECT_EQ(ReadFrom(*file), "x");
  EXPECT_EQ(host().GetPathKind(name), PathKind::kFile);
}

TEST_P(HostFileTest, PathsWithNoFileSystemFormAreRefused) {
  const std::string bad[] = {Path("lone\x81"), Path("ff\xFF"),
                             Path(std::string("nul\0x", 5))};
  for (const std::string& path : bad) {
    std::unique_ptr<HostFile> file;
    Status status =
        Open(path, FileAccess::kWrite, FileShare::kAll, FileCreation::kCreateAlways, &file);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("open " + path + ": "), std::string::npos);
    EXPECT_FALSE(host().DeleteFile(path).ok());
    EXPECT_EQ(host().GetPathKind(path), PathKind::kMissing);
  }
  EXPECT_TRUE(Names(Folder()).empty());
}

}  // namespace
}  // namespace inicrypt::testing
