// Reading one value through the profile service: small files, one trait each.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "host/host.h"
#include "profile/profile.h"
#include "profile/values.h"
#include "tests/support/support.h"

namespace inicrypt {
namespace {

using testing::TempFolder;

struct ReadCase {
  std::string file;  // content of the file
  Text section, key;
  Text expected;  // with the default "dflt"
};

void ExpectReads(const ReadCase* begin, const ReadCase* end) {
  TempFolder folder;
  const std::string path = folder.Path("t.ini");
  for (const ReadCase* c = begin; c != end; ++c) {
    SCOPED_TRACE("file «" + c->file + "» [" + c->section + "] " + c->key);
    folder.Write("t.ini", c->file);
    EXPECT_EQ(ReadProfileValue(path, c->section, c->key, "dflt"), c->expected);
  }
}

TEST(ProfileReadTest, Names) {
  const ReadCase cases[] = {
      // ASCII letter case does not matter.
      {"[Main]\r\nName=1\r\n", "main", "NAME", "1"},
      {"[main]\r\nname=1\r\n", "MAIN", "Name", "1"},
      // Two-byte characters compare exactly: 0x81 0x61 is not 0x81 0x41.
      {"[\x81\x61]\r\nk=1\r\n", "\x81\x41", "k", "dflt"},
      {"[s]\r\n\x81\x61=1\r\n", "s", "\x81\x41", "dflt"},
      {"[\x81\x61]\r\n\x81\x61=1\r\n", "\x81\x61", "\x81\x61", "1"},
      // Blanks around the names in the file and in the call.
      {" \t[ \tsec \t] \r\n \t key \t = \t value \t \r\n", "sec", "key", "value"},
      {"[sec]\r\nkey=value\r\n", "  sec\t", " key \t", "value"},
      // Blanks inside a name count.
      {"[a b]\r\nk l=1\r\n", "a b", "k l", "1"},
      {"[a b]\r\nk=1\r\n", "ab", "k", "dflt"},
  };
  ExpectReads(std::begin(cases), std::end(cases));
}

TEST(ProfileReadTest, LineKinds) {
  const ReadCase cases[] = {
      // A header's name runs to the last "]"; the rest of the line is ignored.
      {"[a] ;note\r\nk=1\r\n", "a", "k", "1"},
      {"[a]b]\r\nk=1\r\n", "a]b", "k", "1"},
      // A "]" that is the second byte of a two-byte character ends nothing.
      {"[a]\x81]\r\nk=1\r\n", "a", "k", "1"},
      {"[\x81]]\r\nk=1\r\n", "\x81]", "k", "1"},
      // "[" without "]" is no header: its keys stay in the section above.
      {"[s]\r\n[t\r\nk=1\r\n", "s", "k", "1"},
      // Comments.
      {"[s]\r\n;k=1\r\nk=2\r\n", "s", "k", "2"},
      {"[s]\r\n \t;k=1\r\n", "s", "k", "dflt"},
      {"[s]\r\n;c\r\n[t]\r\nk=1\r\n", "t", "k", "1"},
      // A line without "=" is never found.
      {"[s]\r\nk\r\nk=3\r\n", "s", "k", "3"},
      // An "=" that is the second byte of a two-byte character is no "=".
      {"[s]\r\n\x81==v\r\n", "s", "\x81=", "v"},
      // Lines before the first header belong to no section.
      {"k=1\r\n[s]\r\nj=2\r\n", "s", "k", "dflt"},
      // Only the first section of a name, and in it the first key, count.
      {"[s]\r\nk=1\r\nk=2\r\n[t]\r\n[S]\r\nj=3\r\n", "s", "k", "1"},
      {"[s]\r\nk=1\r\n[t]\r\n[S]\r\nj=3\r\n", "s", "j", "dflt"},
      // The key of the next section is not in this one.
      {"[s]\r\n[t]\r\nk=1\r\n", "s", "k", "dflt"},
  };
  ExpectReads(std::begin(cases), std::end(cases));
}

TEST(ProfileReadTest, LineEndsAndBytes) {
  const ReadCase cases[] = {
      {"[s]\nk=1\nj=2", "s", "j", "2"},
      {"[s]\rk=1\rj=2\r", "s", "j", "2"},
      {"[s]\r\nk=1\rj=2\n", "s", "j", "2"},
      {"[s]\r\n\r\n\n\rj=2", "s", "j", "2"},
      {"[s]\r\nj=2", "s", "j", "2"},
      // CR alone ends the line, so the value stops there.
      {"[s]\r\nk=a\rb\r\n", "s", "k", "a"},
      // A UTF-8 byte-order mark before the first header.
      {"\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "1"},
      // A NUL byte ends what comes back.
      {std::string("[s]\r\nk=a\0b\r\n", 11), "s", "k", "a"},
      {"", "s", "k", "dflt"},
  };
  ExpectReads(std::begin(cases), std::end(cases));
}

TEST(ProfileReadTest, Values) {
  const ReadCase cases[] = {
      {"[s]\r\nk=  a b  \r\n", "s", "k", "a b"},
      {"[s]\r\nk=v=w\r\n", "s", "k", "v=w"},
      {"[s]\r\nk=\r\n", "s", "k", ""},
      {"[s]\r\nk=   \r\n", "s", "k", ""},
      // Quotes: one matching pair around two or more bytes goes.
      {"[s]\r\nk=\"val2\"\r\n", "s", "k", "val2"},
      {"[s]\r\nk= \"val2\" \r\n", "s", "k", "val2"},
      {"[s]\r\nk=\" a \"\r\n", "s", "k", " a "},
      {"[s]\r\nk=\"\"\r\n", "s", "k", ""},
      {"[s]\r\nk=''x''\r\n", "s", "k", "'x'"},
      {"[s]\r\nk=\"\r\n", "s", "k", "\""},
      {"[s]\r\nk='a\"\r\n", "s", "k", "'a\""},
      // The closing quote must be a character of its own.
      {"[s]\r\nk=\"a\x81\"\r\n", "s", "k", "\"a\x81\""},
      // A trailing blank that is the second byte of a two-byte character stays.
      {"[s]\r\nk=a\x81 \r\n", "s", "k", "a\x81 "},
  };
  ExpectReads(std::begin(cases), std::end(cases));
}

TEST(ProfileReadTest, DefaultsAndRefusals) {
  TempFolder folder;
  const std::string path = folder.Path("t.ini");
  folder.Write("t.ini", "[main]\r\nk=1\r\n=empty key\r\n");
  // Missing file, section or key: the default, less its trailing spaces.
  EXPECT_EQ(ReadProfileValue(folder.Path("none.ini"), "main", "k", "d  "), "d");
  EXPECT_EQ(ReadProfileValue(path, "other", "k", " d \t "), " d \t");
  EXPECT_EQ(ReadProfileValue(path, "main", "absent"), "");
  EXPECT_EQ(ReadProfileValue(folder.Folder(), "main", "k", "d"), "d");  // a folder
  // Leading bytes 0x01-0x20 are passed over in path, section and key.
  EXPECT_EQ(ReadProfileValue("\t " + path, "  main", "\x01k"), "1");
  // Empty once passed over: the empty text, whatever the default.
  EXPECT_EQ(ReadProfileValue(path, "main", "   ", "d"), "");
  EXPECT_EQ(ReadProfileValue(path, "main", "", "d"), "");
  EXPECT_EQ(ReadProfileValue(path, "\r\n", "k", "d"), "");
  EXPECT_EQ(ReadProfileValue(" ", "main", "k", "d"), "");
  // The service itself gives the default for an empty key.
  EXPECT_EQ(ProfileGetString(path, "main", " \t", "d"), "d");
}

TEST(ProfileReadTest, LongValuesAreCutAtACharacter) {
  TempFolder folder;
  const std::string path = folder.Path("t.ini");
  const size_t max = kProfileValueMax;
  const std::map<std::string, std::string> cases = {
      {std::string(max, 'a'), std::string(max, 'a')},
      {std::string(max + 1, 'a'), std::string(max, 'a')},
      {std::string(max - 1, 'a') + "\x81\x40", std::string(max - 1, 'a')},
      {std::string(max - 2, 'a') + "\x81\x40", std::string(max - 2, 'a') + "\x81\x40"},
  };
  for (const auto& [stored, expected] : cases) {
    folder.Write("t.ini", "[s]\r\nk=" + stored + "\r\n");
    EXPECT_EQ(ReadProfileValue(path, "s", "k"), expected) << stored.size();
  }
  EXPECT_EQ(ReadProfileValue(path, "s", "x", std::string(max + 5, 'd')), std::string(max, 'd'));
}

// The host's folder of kind 9 is the test's folder.
class Kind9Host : public HostWrapper {
 public:
  explicit Kind9Host(Text folder) : HostWrapper(PlatformHost()), folder_(std::move(folder)) {}
  Text GetSpecialFolder(int kind) override { return kind == 9 ? folder_ : Text(); }

 private:
  Text folder_;
};

TEST(ProfilePathTest, BareNameLiesInTheFolderOfKind9) {
  TempFolder folder;
  Kind9Host host(folder.Folder());
  ScopedHost in_use(host);
  folder.Write("bare.ini", "[s]\r\nk=here\r\n");
  EXPECT_EQ(ReadProfileValue("bare.ini", "s", "k"), "here");
  ASSERT_TRUE(WriteProfileValue("bare.ini", "s", "j", "2"));
  EXPECT_EQ(folder.Read("bare.ini"), "[s]\r\nk=here\r\nj=2\r\n");
  // A name whose only 0x5C is a second byte is bare as well.
  ASSERT_TRUE(WriteProfileValue("\xD5\x5C.ini", "s", "k", "v"));  // 誠.ini
  EXPECT_EQ(folder.Read("\xE8\xAA\xA0.ini"), "[s]\r\nk=v\r\n");   // its UTF-8 name
}

TEST(ProfilePathTest, UnknownFolderOfKind9) {
  Kind9Host host("");
  ScopedHost in_use(host);
  EXPECT_EQ(ReadProfileValue("bare.ini", "s", "k", "d"), "d");
  EXPECT_FALSE(WriteProfileValue("bare.ini", "s", "k", "v"));
}

}  // namespace
}  // namespace inicrypt
