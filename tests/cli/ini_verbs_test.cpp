// list, get and set over plain and enciphered files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "host/host.h"

namespace inicrypt::cli::testing {
namespace {

using ::testing::HasSubstr;

// Runs each case on a plain file (--plain) and on an enciphered one.
class CliSetGetTest : public ::testing::TestWithParam<bool> {
 protected:
  bool plain() const { return GetParam(); }
  std::string P(std::string_view name) const { return folder_.Path(name); }
  Result Run(std::vector<std::string> args) {
    if (plain()) args.push_back("--plain");
    return cli_.Run(args);
  }
  std::string OnDisk(std::string_view text) const {
    return plain() ? std::string(text) : Encipher(text, "pw");
  }

  TempFolder folder_;
  Cli cli_;
};

TEST_P(CliSetGetTest, SetThenGetRoundTrips) {
  const std::string f = P("f.ini");
  ASSERT_EQ(Run({"set", f, "s", "k", "v"}).code, 0);
  EXPECT_EQ(folder_.Read("f.ini"), OnDisk("[s]\r\nk=v\r\n"));
  EXPECT_EQ(folder_.Mode("f.ini"), 0600u);

  ASSERT_EQ(Run({"set", f, "s", "k2", ""}).code, 0);
  ASSERT_EQ(Run({"set", f, "s", "k", " spaced "}).code, 0);
  ASSERT_EQ(Run({"set", f, Utf8(kMyConfig), Utf8(kVersionKey), "2.0"}).code, 0);
  EXPECT_EQ(folder_.Read("f.ini"), OnDisk("[s]\r\nk= spaced \r\nk2=\r\n[" + std::string(kMyConfig) +
                                          "]\r\n" + std::string(kVersionKey) + "=2.0\r\n"));

  const struct {
    std::vector<std::string> args;
    std::string out;
  } reads[] = {
      {{"get", f, "s", "k"}, " spaced \n"},
      {{"get", f, "S", "k2"}, "\n"},  // sections are found letter case aside
      {{"get", f, Utf8(kMyConfig), Utf8(kVersionKey)}, "2.0\n"},
      {{"list", f}, "s\n" + Utf8(kMyConfig) + "\n"},
      {{"list", f, "s"}, "k\nk2\n"},
  };
  for (const auto& read : reads) {
    const Result r = Run(read.args);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, read.out);
    EXPECT_EQ(r.err, "");
  }
  const Result missing = Run({"get", f, "s", "K"});  // keys compare exactly
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "inicrypt: get: no key K in section [s] of " + f + "\n");
}

INSTANTIATE_TEST_SUITE_P(PlainAndEnciphered, CliSetGetTest, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "Plain" : "Enciphered"; });

class CliSetTest : public ::testing::Test {
 protected:
  std::string P(std::string_view name) const { return folder_.Path(name); }
  TempFolder folder_;
  Cli cli_;
};

TEST_F(CliSetTest, ChangesOnlyTheLineAndKeepsPermissions) {
  folder_.Write("f.ini", "; c\r\n[s]\r\n  k = old\r\n\r\n[t]\r\nk=t\r\n");
  folder_.SetMode("f.ini", 0640);
  ASSERT_EQ(cli_.Run({"set", "--plain", P("f.ini"), "s", "k", "new"}).code, 0);
  EXPECT_EQ(folder_.Read("f.ini"), "; c\r\n[s]\r\n  k =new\r\n\r\n[t]\r\nk=t\r\n");
  EXPECT_EQ(folder_.Mode("f.ini"), 0640u);
  EXPECT_EQ(folder_.Names(), std::vector<std::string>{"f.ini"});
}

// A high byte before a LF (UTF-8 text, a stray lead byte) leaves the LF a
// line end: no section or value is lost, and set finds the section again.
TEST_F(CliSetTest, AHighByteBeforeALineFeedKeepsTheLineEnd) {
  const std::string cases[] = {
      "[\xE4\xB8\xAD]\nk=\xE6\x96\x87\n[t]\nx=1\n",  // UTF-8, LF line ends
      "[s]\nk=v\xB0\n[t]\nx=1\n",                    // a stray lead byte
  };
  for (const std::string& plain : cases) {
    SCOPED_TRACE(plain);
    folder_.Write("p.ini", plain);
    const std::string c = P("c.ini");
    const Result encrypt = cli_.Run({"encrypt", P("p.ini"), "-o", c});
    ASSERT_EQ(encrypt.code, 0) << encrypt.err;
    EXPECT_EQ(cli_.Run({"get", c, "t", "x"}).out, "1\n");
    for (const char* value : {"2", "3"}) {
      const Result set = cli_.Run({"set", c, "t", "x", value});
      EXPECT_EQ(set.code, 0) << set.err;
      EXPECT_EQ(cli_.Run({"get", c, "t", "x"}).out, std::string(value) + "\n");
    }
    const std::string after = Decipher(folder_.Read("c.ini"), "pw");
    EXPECT_EQ(after.find("[t]"), after.rfind("[t]")) << "one section [t]";
  }
}

TEST_F(CliSetTest, RefusesPairsTheLayoutCannotHold) {
  const struct {
    std::string section, key, value, problem;
  } cases[] = {
      {"s", "a=b", "v", "a key name cannot hold \"=\""},
      {"s", " k", "v", "a key name cannot begin or end with blanks"},
      {"s", "k", "v\r\n[x]", "names and values cannot hold line breaks, NUL or 0x1A bytes"},
      {"s\n", "k", "v", "names and values cannot hold line breaks, NUL or 0x1A bytes"},
      {"  ", "k", "v", "the section name is blank"},
      {"s", "", "v", "the key name is blank"},
  };
  for (const auto& c : cases) {
    const Result r = cli_.Run({"set", P("f.ini"), c.section, c.key, c.value});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "inicrypt: set: " + c.problem + "\nTry 'inicrypt set --help'.\n");
  }
  EXPECT_FALSE(folder_.Exists("f.ini"));

  const Result emoji = cli_.Run({"set", P("f.ini"), "s", "k", "\xF0\x9F\x98\x80"});
  EXPECT_EQ(emoji.code, 1);
  EXPECT_EQ(emoji.err, "inicrypt: set: the value has no code page 936 form\n");
}

// set under a wrong password, set --plain on an enciphered file and edit
// under a wrong password would each leave lines no password reads whole.
TEST_F(CliSetTest, LeavesAFileItsPasswordDoesNotOpen) {
  const std::string enciphered = Encipher("[s]\r\nk=v\r\n", "pw");
  const std::string wrong = " holds no section header under this password; the password may be "
                            "wrong; nothing changed (--force ";
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"set", P("f.ini"), "s", "k", "x"}, "set: " + P("f.ini") + wrong + "writes anyway)"},
      {{"set", "--plain", P("f.ini"), "s", "k", "x"},
       "set: " + P("f.ini") +
           " holds no section header read plain; it may be enciphered; nothing changed (--force "
           "writes anyway)"},
      {{"edit", P("f.ini")}, "edit: " + P("f.ini") + wrong + "edits anyway)"},
  };
  cli_.environment["INICRYPT_PASSWORD"] = "wrong";
  cli_.environment["VISUAL"] = "sed -i '$a x'";
  for (const auto& c : cases) {
    folder_.Write("f.ini", enciphered);
    const Result r = cli_.Run(c.args);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "inicrypt: " + c.err + "\n");
    EXPECT_EQ(folder_.Read("f.ini"), enciphered);

    std::vector<std::string> forced = c.args;
    forced.push_back("--force");
    EXPECT_EQ(cli_.Run(forced).code, 0) << c.args[0];
    EXPECT_NE(folder_.Read("f.ini"), enciphered);
  }
}

// An ESC sequence in a name or value must not act on the terminal that get,
// list or view print it to; printed into a pipe or file it stays as it is.
TEST_F(CliSetTest, ControlCharactersAreEscapedOnATerminal) {
  const std::string f = P("f.ini");
  ASSERT_EQ(cli_.Run({"set", f, "s\x1B(B\x07", "k", "\x1B[2Jred\x7F"}).code, 0);
  const struct {
    std::vector<std::string> args;
    std::string raw, shown;
  } cases[] = {
      {{"get", f, "s\x1B(B\x07", "k"}, "\x1B[2Jred\x7F\n", "\\x1B[2Jred\\x7F\n"},
      {{"list", f}, "s\x1B(B\x07\n", "s\\x1B(B\\x07\n"},
      {{"view", f},
       "[s\x1B(B\x07]\r\nk=\x1B[2Jred\x7F\r\n",
       "[s\\x1B(B\\x07]\r\nk=\\x1B[2Jred\\x7F\r\n"},
  };
  for (const auto& c : cases) {
    for (const bool terminal : {false, true}) {
      cli_.out_is_terminal = terminal;
      const Result r = cli_.Run(c.args);
      EXPECT_EQ(r.code, 0) << r.err;
      EXPECT_EQ(r.out, terminal ? c.shown : c.raw) << c.args[0];
    }
  }
}

TEST_F(CliSetTest, ARelativePathIsTakenFromTheCurrentFolder) {
  // 誠 (D5 5C in code page 936) ends the folder in a byte that is no separator.
  std::filesystem::create_directory(folder_.path() / "誠");
  for (const char* sub : {"", "誠"}) {
    Text previous;
    ASSERT_TRUE(GetHost().GetCurrentFolder(&previous).ok());
    const std::string cp936_sub = *sub == '\0' ? "" : "/\xD5\x5C";
    ASSERT_TRUE(GetHost().SetCurrentFolder(folder_.Folder() + cp936_sub).ok());
    const Result r = cli_.Run({"set", "--plain", "a.ini", "s", "k", "v"});
    ASSERT_TRUE(GetHost().SetCurrentFolder(previous).ok());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(inicrypt::testing::ReadAll(folder_.path() / sub / "a.ini"), "[s]\r\nk=v\r\n") << sub;
  }
}

}  // namespace
}  // namespace inicrypt::cli::testing
