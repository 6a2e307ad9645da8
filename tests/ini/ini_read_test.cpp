// Reading sections, keys and values from plain and enciphered files.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

#include "base/paths.h"
#include "host/faulty_host.h"
#include "host/folders.h"
#include "host/host.h"
#include "ini/ini.h"
#include "ini_test_support.h"

namespace inicrypt {
namespace {

using testing::kPasswords;
using testing::TempFolder;
using testing::TryReadAll;

// Every listed section, the keys ListKeys gives for its listed name and the
// value ReadValue gives for each, one line each.
std::string Dump(const Text& p, std::string_view password) {
  TextList sections;
  if (!ListSections(p, password, sections)) return "cannot open\n";
  std::string out;
  for (const Text& section : sections) {
    out += "section [" + section + "]\n";
    TextList keys;
    if (!ListKeys(p, password, section, keys)) {
      out += "  not found\n";
      continue;
    }
    for (const Text& key : keys) {
      out +=
          "  key [" + key + "] value [" + ReadValue(p, password, section, key, "(default)") + "]\n";
    }
  }
  return out;
}

// Each fixture shows one trait of the layout; its .expected file is the dump.
class IniFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(IniFixture, ReadsAsExpected) {
  const std::string name = GetParam();
  const auto source = TryReadAll(std::string(INICRYPT_TEST_DATA) + "/" + name + ".ini");
  const auto expected = TryReadAll(std::string(INICRYPT_TEST_DATA) + "/" + name + ".expected");
  ASSERT_TRUE(source && expected);
  for (const std::string_view password : kPasswords) {
    SCOPED_TRACE(password);
    TempFolder folder;
    const Text path = folder.Path(name + ".ini");
    ASSERT_TRUE(testing::PutText(path, *source, password));
    EXPECT_EQ(Dump(path, password), *expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Golden, IniFixture,
                         ::testing::Values("basic", "headers", "values", "duplicates", "line_ends",
                                           "eof_mark", "nul", "gbk", "empty", "no_header"));

// Lookups by names other than the listed ones.
struct Lookup {
  const char* text;
  const char* section;
  const char* key;
  bool section_found;  // ListKeys' result
  const char* value;   // ReadValue with the default "?"
};

class IniLookups : public ::testing::TestWithParam<Lookup> {};

TEST_P(IniLookups, FindTheSectionAndKey) {
  const Lookup& c = GetParam();
  for (const std::string_view password : kPasswords) {
    SCOPED_TRACE(password);
    TempFolder folder;
    Text path = folder.Path("a.ini");
    ASSERT_TRUE(testing::PutText(path, c.text, password));
    TextList keys{"untouched"};
    EXPECT_EQ(ListKeys(path, password, c.section, keys), c.section_found);
    if (!c.section_found) {
      EXPECT_EQ(keys, TextList{"untouched"});
    }
    EXPECT_EQ(ReadValue(path, password, c.section, c.key, "?"), c.value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, IniLookups,
    ::testing::Values(
        // Section names ignore ASCII case, keys do not.
        Lookup{"[Main]\r\nname=1\r\n", "main", "name", true, "1"},
        Lookup{"[Main]\r\nname=1\r\n", "MAIN", "name", true, "1"},
        Lookup{"[Main]\r\nname=1\r\n", "Main", "Name", true, "?"},
        // The caller's section and key are used as given, untrimmed.
        Lookup{"[a]\r\nk=1\r\n", " a", "k", false, "?"},
        Lookup{"[a]\r\nk=1\r\n", "a", " k", true, "?"},
        // A header with blanks inside its line is not found under its listed name.
        Lookup{"[ a ]\r\nk=1\r\n", "a", "k", false, "?"},
        Lookup{" [a]\r\nk=1\r\n", "a", "k", false, "?"},
        Lookup{"[ a ]\r\nk=1\r\n", " a ", "k", true, "1"},
        // A header as the last line of the file: found, with no keys.
        Lookup{"[a]\r\nk=1\r\n[b]", "b", "k", true, "?"},
        // The search for the key goes on after a line "k=" and stops at the next header.
        Lookup{"[a]\r\nk=\r\nk=2\r\n", "a", "k", true, "2"},
        Lookup{"[a]\r\nx=1\r\n[b]\r\nk=2\r\n", "a", "k", true, "?"},
        // A value that is blank gives the default; other values come untrimmed.
        Lookup{"[a]\r\nk= \xA1\xA1 \r\n", "a", "k", true, "?"},
        Lookup{"[a]\r\nk= v \r\n", "a", "k", true, " v "},
        // Non-ASCII bytes compare exactly: 0xE1 is not the upper case of 0xC1.
        Lookup{"[\xC1]\r\nk=1\r\n", "\xE1", "k", false, "?"}));

TEST(IniReading, MissingFileGivesFailureAndTheDefault) {
  TempFolder folder;
  Text path = folder.Path("missing.ini");
  TextList list{"untouched"};
  EXPECT_FALSE(ListSections(path, "", list));
  EXPECT_FALSE(ListKeys(path, "", "a", list));
  EXPECT_EQ(list, TextList{"untouched"});
  EXPECT_EQ(ReadValue(path, "", "a", "k", "dflt"), "dflt");
  // A folder in the file's place cannot be read either.
  Text folder_path = folder.Path("");
  EXPECT_FALSE(ListSections(folder_path, "", list));
}

TEST(IniReading, ListsReplaceTheCallersContent) {
  TempFolder folder;
  Text path = folder.Path("a.ini");
  ASSERT_TRUE(testing::PutText(path, "[a]\r\nk=1\r\n[b]\r\n", ""));
  TextList list{"old", "older"};
  ASSERT_TRUE(ListSections(path, "", list));
  EXPECT_EQ(list, (TextList{"a", "b"}));
  ASSERT_TRUE(ListKeys(path, "", "b", list));
  EXPECT_EQ(list, TextList{});
}

TEST(IniReading, WrongPasswordFindsNothingAndFailsNothing) {
  TempFolder folder;
  Text path = folder.Path("a.ini");
  ASSERT_TRUE(testing::PutText(path, "[a]\r\nk=1\r\n", "right"));
  EXPECT_EQ(ReadValue(path, "wrong", "a", "k", "?"), "?");
  EXPECT_EQ(ReadValue(path, "right", "a", "k", "?"), "1");
}

TEST(IniReading, EveryCallClosesTheFile) {
  TempFolder folder;
  Text path = folder.Path("a.ini");
  ASSERT_TRUE(testing::PutText(path, "[a]\r\nk=1\r\nj=\r\n", ""));
  TextList list;
  EXPECT_TRUE(ListSections(path, "", list));
  EXPECT_TRUE(testing::NobodyHolds(path));
  EXPECT_TRUE(ListKeys(path, "", "a", list));
  EXPECT_TRUE(testing::NobodyHolds(path));
  EXPECT_FALSE(ListKeys(path, "", "missing", list));
  EXPECT_TRUE(testing::NobodyHolds(path));
  for (const char* key : {"k", "j", "missing"}) {
    (void)ReadValue(path, "", "a", key);
    EXPECT_TRUE(testing::NobodyHolds(path)) << key;
  }
  (void)ReadValue(path, "", "missing", "k");
  EXPECT_TRUE(testing::NobodyHolds(path));
}

// Whatever store call fails, a list is filled whole or not at all.
TEST(IniReading, FailuresAreReportedNotHidden) {
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    TempFolder folder;
    Text path = folder.Path("a.ini");
    ASSERT_TRUE(testing::PutText(path, "[a]\r\nx=1\r\n[b]\r\ny=2\r\n", "pw"));
    FaultyHost faulty;
    TextList sections{"untouched"};
    bool listed = false;
    {
      const ScopedHost in_use(faulty);
      faulty.FailIo(n);
      listed = ListSections(path, "pw", sections);
    }
    const TextList expected = listed ? TextList{"a", "b"} : TextList{"untouched"};
    EXPECT_EQ(sections, expected);
    if (faulty.Injected() == 0) {
      EXPECT_TRUE(listed);
      break;
    }
  }
}

// The operations of namespace ini answer found, not found or failed; a read
// that fails past the first buffer of the file is never taken for a missing
// section or key.
TEST(IniLookups, FoundNotFoundOrFailed) {
  enum Answer { kFound, kNotFound, kFailed };
  const struct {
    const char* what;
    const char* section;
    const char* key;
    bool fail;  // the second read of the file fails
    Answer keys, value;
  } cases[] = {
      {"section and key there", "b", "y", false, kFound, kFound},
      {"blank value", "b", "blank", false, kFound, kFound},
      {"key passed over", "b", "empty", false, kFound, kNotFound},
      {"key missing", "b", "z", false, kFound, kNotFound},
      {"section missing", "c", "y", false, kNotFound, kNotFound},
      {"read fails before the section", "b", "y", true, kFailed, kFailed},
      {"read fails while looking for a missing section", "c", "y", true, kFailed, kFailed},
  };
  TempFolder folder;
  std::string filler;
  while (filler.size() < 70000) filler += "x=1\r\n";  // past the first buffer
  const std::string text = "[a]\r\n" + filler + "[b]\r\ny=2\r\nblank= \r\nempty=\r\n";
  for (const std::string_view password : kPasswords) {
    const Text path = folder.Path("a.ini");
    ASSERT_TRUE(testing::PutText(path, text, password));
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.what << " password " << password);
      FaultyHost faulty;
      const ScopedHost in_use(faulty);
      TextList keys{"untouched"};
      Text value = "stale";
      auto expect = [&](const inicrypt::Lookup& lookup, Answer answer) {
        EXPECT_EQ(lookup.found(), answer == kFound);
        EXPECT_EQ(lookup.not_found(), answer == kNotFound);
        EXPECT_EQ(lookup.failed(), answer == kFailed) << lookup.status().message();
        if (answer == kFailed) {
          EXPECT_NE(lookup.status().message().find("injected"), std::string::npos);
        }
      };
      if (c.fail) faulty.FailCall(HostCall::kRead, 2);
      expect(ini::ListKeys(path, password, c.section, &keys), c.keys);
      EXPECT_EQ(keys, (c.keys == kFound ? TextList{"y", "blank", "empty"} : TextList{"untouched"}));
      faulty.Reset();
      if (c.fail) faulty.FailCall(HostCall::kRead, 2);
      expect(ini::ReadValue(path, password, c.section, c.key, &value), c.value);
      EXPECT_EQ(value, c.value == kFound ? (std::string_view(c.key) == "y" ? "2" : " ") : "");
      faulty.Reset();
      if (c.fail) faulty.FailCall(HostCall::kRead, 2);
      TextList sections{"untouched"};
      const Status listed = ini::ListSections(path, password, &sections);
      EXPECT_EQ(listed.ok(), !c.fail);
      EXPECT_EQ(sections, (c.fail ? TextList{"untouched"} : TextList{"a", "b"}));
    }
  }
  // A file that cannot be opened fails every lookup.
  TextList keys;
  Text value;
  EXPECT_TRUE(ini::ListKeys(folder.Path("missing.ini"), "", "a", &keys).failed());
  EXPECT_TRUE(ini::ReadValue(folder.Path("missing.ini"), "", "a", "k", &value).failed());
}

// A path rule case: the path as given, and as rewritten, "<9>" standing for
// the folder of kind 9.
struct PathCase {
  const char* given;
  const char* rewritten;
};

class IniPathRule : public ::testing::TestWithParam<PathCase> {};

// The platform's host with the folder of kind 9 put elsewhere.
class Kind9Host : public HostWrapper {
 public:
  explicit Kind9Host(std::string folder)
      : HostWrapper(PlatformHost()), folder_(std::move(folder)) {}
  Text GetSpecialFolder(int kind) override {
    return kind == 9 ? folder_ : target().GetSpecialFolder(kind);
  }

 private:
  std::string folder_;
};

// The folder of kind 9 joined with "\" name: where the folder ends in "\"
// (Windows), the doubled separator is one.
std::string InFolder9(const Text& folder9, std::string_view rest) {
  if (!folder9.empty() && folder9.back() == '\\') rest.remove_prefix(1);
  return folder9 + std::string(rest);
}

TEST_P(IniPathRule, RewritesThePath) {
  TempFolder config;
  Kind9Host host(config.Folder());
  ScopedHost in_use(host);
  const Text folder9 = SpecialFolder(9);
  ASSERT_EQ(folder9, config.Folder() + PathSeparator());
  const Text path = NormalizePath(GetParam().given);
  std::string expected = GetParam().rewritten;
  if (expected.starts_with("<9>")) expected = InFolder9(folder9, expected.substr(3));
  EXPECT_EQ(path, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, IniPathRule,
    ::testing::Values(PathCase{"a.ini", "<9>\\a.ini"},
                      // 0xD5 0x5C is one character: its second byte is no separator.
                      PathCase{"\xD5\x5C.ini", "<9>\\\xD5\x5C.ini"},
                      PathCase{"C:\\a\\\\b.ini", "C:\\a\\b.ini"},
                      PathCase{"\\\\server\\share\\a.ini", "\\server\\share\\a.ini"},
                      PathCase{"a\\\\\\b", "a\\\\b"}, PathCase{"a\\\\\\\\b", "a\\\\b"},
                      PathCase{"/home/u/a.ini", "/home/u/a.ini"},
                      PathCase{"dir/a.ini", "dir/a.ini"}));

TEST(IniPathRules, BareNameReadsFromTheFolderOfKind9) {
  TempFolder config;
  Kind9Host host(config.Folder());
  ScopedHost in_use(host);
  ASSERT_TRUE(testing::PutText(config.Path("bare.ini"), "[a]\r\nk=1\r\n", ""));
  const Text path = "bare.ini";
  EXPECT_EQ(ReadValue(path, "", "a", "k"), "1");
  EXPECT_EQ(NormalizePath(path), InFolder9(SpecialFolder(9), "\\bare.ini"));
}

}  // namespace
}  // namespace inicrypt
