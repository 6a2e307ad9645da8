// Wrong usage and unreadable inputs: exit codes and the exact messages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/convert.h"
#include "cli/command.h"
#include "cli_test_support.h"
#include "host/faulty_host.h"

namespace inicrypt::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class CliUsageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("a.ini", Encipher(SampleConfiguration, "pw"));
    std::filesystem::create_directory(folder_.Path("dir"));
  }
  std::string P(std::string_view name) const { return folder_.Path(name); }

  TempFolder folder_;
  Cli cli_;
};

TEST_F(CliUsageTest, MessagesNameWhatFailedAndWhere) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;
  };
  const std::string a = P("a.ini");
  const Case cases[] = {
      {{"view", P("missing.ini")}, 1, "inicrypt: view: " + P("missing.ini") + ": no such file\n"},
      {{"list", P("dir")}, 1, "inicrypt: list: " + P("dir") + ": is a folder\n"},
      {{"rekey", P("dir")}, 1, "inicrypt: rekey: " + P("dir") + ": is a folder\n"},
      {{"get", a, "s", "k"}, 1, "inicrypt: get: no section [s] in " + a + "\n"},
      {{"get", a, Utf8(kMyConfig), "k"},
       1,
       "inicrypt: get: no key k in section [" + Utf8(kMyConfig) + "] of " + a + "\n"},
      {{"list", a, "s"}, 1, "inicrypt: list: no section [s] in " + a + "\n"},
      {{}, 2, "inicrypt: missing command\nTry 'inicrypt --help'.\n"},
      {{"frob", a}, 2, "inicrypt: unknown command 'frob'\nTry 'inicrypt --help'.\n"},
      {{"--frob"}, 2, "inicrypt: unknown option '--frob'\nTry 'inicrypt --help'.\n"},
      {{"get", a, "s"}, 2, "inicrypt: get: missing operand\nTry 'inicrypt get --help'.\n"},
      {{"view", a, "b"}, 2, "inicrypt: view: too many operands\nTry 'inicrypt view --help'.\n"},
      {{"view", a, "--raw"},
       2,
       "inicrypt: view: unknown option '--raw'\nTry 'inicrypt view --help'.\n"},
      {{"decrypt", a, "-o"},
       2,
       "inicrypt: decrypt: option '--output' needs a value\nTry 'inicrypt decrypt --help'.\n"},
      {{"encrypt", a, "--encoding=latin1"},
       2,
       "inicrypt: encrypt: unknown encoding 'latin1' (cp936 or utf-8)\n"
       "Try 'inicrypt encrypt --help'.\n"},
      {{"list", a, "--ask-password", "--password-file", a},
       2,
       "inicrypt: list: --password-file and --ask-password exclude each other\n"
       "Try 'inicrypt list --help'.\n"},
      {{"set", "-", "s", "k", "v"},
       2,
       "inicrypt: set: set changes FILE in place; \"-\" is no file\n"
       "Try 'inicrypt set --help'.\n"},
  };
  for (const Case& c : cases) {
    const Result r = cli_.Run(c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(CliUsageTest, UnreadableFileReportsTheHostsReason) {
  FaultyHost faulty;
  ScopedHost in_use(faulty);
  faulty.FailCall(HostCall::kOpen, 1);
  const Result r = cli_.Run({"view", P("a.ini")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "inicrypt: view: open " + P("a.ini") + ": injected failure\n");
}

TEST_F(CliUsageTest, OutputIntoMissingFolderFailsAndSaysWhere) {
  const Result r = cli_.Run({"sample", "-o", P("no/x.ini")});
  EXPECT_EQ(r.code, 1);
  EXPECT_THAT(r.err, StartsWith("inicrypt: sample: cannot write " + P("no/x.ini") + ": "));
  EXPECT_THAT(r.err, HasSubstr("No such file or directory"));
}

TEST_F(CliUsageTest, HelpForTheToolAndEveryCommand) {
  const Result tool = cli_.Run({"--help"});
  EXPECT_EQ(tool.code, 0);
  EXPECT_THAT(tool.out, HasSubstr("read SECURITY.md"));
  for (const Command* command : AllCommands()) {
    const std::string name(command->Name());
    EXPECT_THAT(tool.out, HasSubstr("\n  " + name + " ")) << name;
    const Result help = cli_.Run({name, "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_THAT(help.out, StartsWith("Usage: inicrypt " + name + " "));
    EXPECT_EQ(cli_.Run({"help", name}).out, help.out);
  }
  const Result version = cli_.Run({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_THAT(version.out, StartsWith("inicrypt 1."));
}

}  // namespace
}  // namespace inicrypt::cli::testing
