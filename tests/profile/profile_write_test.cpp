// Writing one value through the profile service: the file's bytes before
// and after.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "host/faulty_host.h"
#include "host/files.h"
#include "host/host.h"
#include "profile/values.h"
#include "tests/support/support.h"

namespace inicrypt {
namespace {

using testing::TempFolder;

struct WriteCase {
  std::optional<std::string> before;  // nullopt: no file
  Text section, key, value;
  std::string after;
};

// Each case on a fresh file; with read_back, the value also reads back as given.
void ExpectWrites(const WriteCase* begin, const WriteCase* end, bool read_back) {
  for (const WriteCase* c = begin; c != end; ++c) {
    SCOPED_TRACE("file «" + c->before.value_or("(none)") + "» [" + c->section + "] " + c->key +
                 "=" + c->value);
    TempFolder folder;
    if (c->before) folder.Write("t.ini", *c->before);
    EXPECT_TRUE(WriteProfileValue(folder.Path("t.ini"), c->section, c->key, c->value));
    EXPECT_EQ(folder.Read("t.ini"), c->after);
    EXPECT_EQ(folder.Names().size(), 1u);  // no temporary file left
    if (read_back) {
      EXPECT_EQ(ReadProfileValue(folder.Path("t.ini"), c->section, c->key), c->value);
    }
  }
}

TEST(ProfileWriteTest, NewFileAndExistingKeys) {
  const WriteCase cases[] = {
      {std::nullopt, "s", "k", "v", "[s]\r\nk=v\r\n"},
      {"", "s", "k", "v", "[s]\r\nk=v\r\n"},
      {std::nullopt, " s\t", "\tk ", "", "[s]\r\nk=\r\n"},
      // Only the key's line changes: the key as it stood, "=", the value.
      {"; top\r\n[s]\r\nk=old\r\nj=1\r\n", "s", "k", "new", "; top\r\n[s]\r\nk=new\r\nj=1\r\n"},
      {"[S]\n  Key = old  \nj=1", "s", "KEY", "new", "[S]\nKey=new\nj=1"},
      {"[s]\rk=old\r", "s", "k", "longer value", "[s]\rk=longer value\r"},
      {"[s]\r\nk=old", "s", "k", "", "[s]\r\nk="},
      // The first key in the first section of the name.
      {"[s]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\n", "s", "k", "9", "[s]\r\nk=9\r\nk=2\r\n[s]\r\nk=3\r\n"},
      // Two-byte characters keep their bytes.
      {"[\xB2\xE2]\r\n\xC3\xFB=1\r\n", "\xB2\xE2", "\xC3\xFB", "\xD6\xB5",  // [测] 名=值
       "[\xB2\xE2]\r\n\xC3\xFB=\xD6\xB5\r\n"},
  };
  ExpectWrites(std::begin(cases), std::end(cases), true);
}

TEST(ProfileWriteTest, NewKeysAndSections) {
  const WriteCase cases[] = {
      // A new key after the section's last non-blank line, before its blank ones.
      {"[a]\r\nx=1\r\n\r\n \r\n[b]\r\ny=2\r\n", "a", "z", "3",
       "[a]\r\nx=1\r\nz=3\r\n\r\n \r\n[b]\r\ny=2\r\n"},
      {"[a]\r\nx=1\r\n;note\r\n\r\n", "a", "z", "3", "[a]\r\nx=1\r\n;note\r\nz=3\r\n\r\n"},
      {"[a]\nx=1\n", "a", "z", "3", "[a]\nx=1\nz=3\r\n"},
      {"[a]\rx=1\r", "a", "z", "3", "[a]\rx=1\rz=3\r\n"},
      {"[a]\r\n\r\n", "a", "z", "3", "[a]\r\nz=3\r\n\r\n"},
      // The last line lacks a line end: one comes first.
      {"[a]", "a", "z", "3", "[a]\r\nz=3\r\n"},
      {"[a]\r\nx=1", "a", "z", "3", "[a]\r\nx=1\r\nz=3\r\n"},
      // A key before the first header is in no section.
      {"z=1\r\n[a]\r\n", "a", "z", "3", "z=1\r\n[a]\r\nz=3\r\n"},
      // New sections go at the end, with no blank line before them.
      {"[a]\r\nx=1\r\n", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      {"[a]\r\nx=1", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      {"[a]\r\n\r\n", "b", "k", "v", "[a]\r\n\r\n[b]\r\nk=v\r\n"},
      {"\xEF\xBB\xBF", "b", "k", "v", "\xEF\xBB\xBF[b]\r\nk=v\r\n"},
      // Values are written as given.
      {"[a]\r\n", "a", "k", " \"q\" ", "[a]\r\nk= \"q\" \r\n"},
  };
  ExpectWrites(std::begin(cases), std::end(cases), false);
}

TEST(ProfileWriteTest, WriteAgainReplacesWithoutASecondLine) {
  TempFolder folder;
  const std::string path = folder.Path("d.ini");
  ASSERT_TRUE(WriteProfileValue(path, "main", "k", "1"));
  ASSERT_TRUE(WriteProfileValue(path, "main", "j", "2"));
  ASSERT_TRUE(WriteProfileValue(path, "other", "k", "3"));
  ASSERT_TRUE(WriteProfileValue(path, "MAIN", "K", "4"));
  EXPECT_EQ(folder.Read("d.ini"), "[main]\r\nk=4\r\nj=2\r\n[other]\r\nk=3\r\n");
}

TEST(ProfileWriteTest, EqualValueWritesNothing) {
  TempFolder folder;
  FaultyHost counting;
  ScopedHost in_use(counting);
  const std::pair<const char*, const char*> stored[] = {
      {"k=v", "v"}, {"  K = v \t", "v"}, {"k= v ", " v "}};  // line, value
  for (const auto& [line, value] : stored) {
    const std::string before = ConcatTexts("[s]\r\n", line, "\r\n");
    folder.Write("t.ini", before);
    EXPECT_TRUE(WriteProfileValue(folder.Path("t.ini"), "s", "k", value));
    EXPECT_EQ(folder.Read("t.ini"), before);
  }
  EXPECT_EQ(counting.Calls(HostCall::kWrite), 0);
  EXPECT_EQ(counting.Calls(HostCall::kRename), 0);
  // A value read back the same but spelt otherwise on its line is written.
  EXPECT_TRUE(WriteProfileValue(folder.Path("t.ini"), "s", "k", "\"v\""));
  EXPECT_EQ(folder.Read("t.ini"), "[s]\r\nk=\"v\"\r\n");
}

TEST(ProfileWriteTest, KeepsThePermissionBits) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no permission bits";
#endif
  TempFolder folder;
  folder.Write("t.ini", "[s]\r\n");
  namespace fs = std::filesystem;
  fs::permissions(folder.Path("t.ini"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(WriteProfileValue(folder.Path("t.ini"), "s", "k", "v"));
  EXPECT_EQ(fs::status(folder.Path("t.ini")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(ProfileWriteTest, FailuresLeaveTheFileWhole) {
  TempFolder folder;
  std::filesystem::create_directory(folder.Path("sub"));
  folder.Write("t.ini", "[s]\r\nk=1\r\n");
  const std::string path = folder.Path("t.ini");
  EXPECT_FALSE(WriteProfileValue(folder.Path("missing/t.ini"), "s", "k", "v"));
  EXPECT_FALSE(WriteProfileValue(folder.Path("sub"), "s", "k", "v"));
  EXPECT_FALSE(WriteProfileValue("", "s", "k", "v"));
  // Names that cannot stand in the file, and texts that would break its lines.
  const Text refused[][3] = {
      {"", "k", "v"},    {" \t", "k", "v"},  {"s", "", "v"},         {"s", "\t", "v"},
      {"s\r", "k", "v"}, {"s", "k\nj", "v"}, {"s", "k", "v\r\n[x]"}, {"s", "k", "v\r"},
  };
  for (const auto& r : refused) {
    EXPECT_FALSE(WriteProfileValue(path, r[0], r[1], r[2])) << r[0] << "/" << r[1] << "/" << r[2];
  }
  EXPECT_EQ(folder.Read("t.ini"), "[s]\r\nk=1\r\n");
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path("sub")));
  EXPECT_EQ(folder.Names().size(), 2u);
}

// A file this process may not write (held by another opener that shares it
// for reading only) is refused, as it would be if written in place.
TEST(ProfileWriteTest, FileHeldAgainstWritersIsRefused) {
  TempFolder folder;
  folder.Write("t.ini", "[s]\r\nk=1\r\n");
  std::unique_ptr<HostFile> held;
  ASSERT_TRUE(GetHost()
                  .OpenFile(folder.Path("t.ini"), FileAccess::kRead, FileShare::kDenyWrite,
                            FileCreation::kOpenExisting, &held)
                  .ok());
  EXPECT_FALSE(WriteProfileValue(folder.Path("t.ini"), "s", "k", "2"));
  EXPECT_EQ(ReadProfileValue(folder.Path("t.ini"), "s", "k"), "1");
  held.reset();
  EXPECT_TRUE(WriteProfileValue(folder.Path("t.ini"), "s", "k", "2"));
}

// The permission checks need a user the system does not let through anyway.
TEST(ProfileWriteTest, ReadOnlyFolderOrFile) {
  namespace fs = std::filesystem;
  TempFolder folder;
  fs::create_directory(folder.Path("ro"));
  folder.Write("ro/t.ini", "[s]\r\nk=1\r\n");
  folder.Write("t.ini", "[s]\r\nk=1\r\n");
  fs::permissions(folder.Path("ro"), fs::perms::owner_read | fs::perms::owner_exec);
  fs::permissions(folder.Path("t.ini"), fs::perms::owner_read);
  if (WriteBytesToFile(folder.Path("ro/probe"), {"x"})) {
    GTEST_SKIP() << "permissions are not enforced for this user";
  }
  EXPECT_FALSE(WriteProfileValue(folder.Path("ro/t.ini"), "s", "k", "2"));
  EXPECT_FALSE(WriteProfileValue(folder.Path("t.ini"), "s", "k", "2"));
  EXPECT_EQ(folder.Read("ro/t.ini"), "[s]\r\nk=1\r\n");
  EXPECT_EQ(folder.Read("t.ini"), "[s]\r\nk=1\r\n");
}

}  // namespace
}  // namespace inicrypt
