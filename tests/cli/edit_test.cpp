// edit with a scripted editor: the file changes only when the text did, and
// the plain copy is gone on every way out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/convert.h"
#include "cli_test_support.h"
#include "host/faulty_host.h"
#include "host/folders.h"
#include "host/host.h"

namespace inicrypt::cli::testing {
namespace {

class CliEditTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_.Write("c.ini", enciphered_); }
  std::string P(std::string_view name) const { return folder_.Path(name); }

  // An editor that notes the file it was given and the modes of the file and
  // its folder, then does action.
  std::string Editor(const std::string& action) {
    folder_.Write("editor.sh", "#!/bin/sh\nprintf '%s' \"$1\" > " + P("seen") +
                                   "\nstat -c '%a' \"$1\" \"$(dirname \"$1\")\" > " + P("modes") +
                                   "\n" + action + "\n");
    folder_.SetMode("editor.sh", 0700);
    return P("editor.sh");
  }
  // The plain copy the editor saw is gone, and so is its folder.
  void ExpectCopyRemoved() {
    const std::filesystem::path seen = folder_.Read("seen");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(folder_.Read("modes"), "600\n700\n");
    EXPECT_FALSE(std::filesystem::exists(seen));
    EXPECT_FALSE(std::filesystem::exists(seen.parent_path()));
  }

  TempFolder folder_;
  Cli cli_;
  const std::string enciphered_ = Encipher(SampleConfiguration, "pw");
};

TEST_F(CliEditTest, WritesBackOnlyAChangedText) {
  std::string changed(SampleConfiguration);
  changed.replace(changed.find("=1.0"), 4, "=1.1");
  const std::string unchanged_note = "inicrypt: edit: " + P("c.ini") + " is unchanged\n";
  const struct {
    std::string variable;  // VISUAL or EDITOR
    std::string action;
    int code;
    std::string err;
    std::string plain_after;
  } cases[] = {
      {"VISUAL", "sed -i 's/=1.0/=1.1/' \"$1\"", 0, "", changed},
      {"EDITOR", "sed -i 's/=1.0/=1.1/' \"$1\"", 0, "", changed},
      {"VISUAL", ":", 0, unchanged_note, std::string(SampleConfiguration)},
      {"VISUAL", "exit 4", 1,
       "inicrypt: edit: the editor " + P("editor.sh") + " failed (exit code 4); " + P("c.ini") +
           " is unchanged\n",
       std::string(SampleConfiguration)},
  };
  for (const auto& c : cases) {
    folder_.Write("c.ini", enciphered_);
    cli_.environment["VISUAL"] = "";
    cli_.environment[c.variable] = Editor(c.action);
    const Result r = cli_.Run({"edit", P("c.ini")});
    EXPECT_EQ(r.code, c.code) << c.action;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(Decipher(folder_.Read("c.ini"), "pw"), c.plain_after) << c.action;
    ExpectCopyRemoved();
  }
}

// A run killed while it edited left its private folder behind: the next edit
// removes it. Folders of running processes, of other users or of other
// naming stay.
TEST_F(CliEditTest, RemovesThePrivateFoldersOfDeadRuns) {
  Host& host = GetHost();
  const Text base = SpecialFolder(11);
  const std::string user = std::to_string(host.UserNumber());
  const std::string dead = "inicrypt-" + user + "-2147483000-abcdefghij";
  const std::string running =
      "inicrypt-" + user + "-" + std::to_string(host.ProcessNumber() == 1 ? 2 : 1) + "-abcdefghij";
  const std::string other = "inicrypt-" + user + "x-2147483000-abcdefghij";
  for (const std::string& name : {dead, running, other}) {
    std::filesystem::create_directory(base + name);
    inicrypt::testing::WriteAll(base + name + "/c.ini", "plain");
  }
  cli_.environment["VISUAL"] = "true";
  const Result r = cli_.Run({"edit", P("c.ini")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(std::filesystem::exists(base + dead));
  EXPECT_TRUE(std::filesystem::exists(base + running + "/c.ini"));
  EXPECT_TRUE(std::filesystem::exists(base + other + "/c.ini"));
  for (const std::string& name : {running, other}) std::filesystem::remove_all(base + name);
}

// The editor runs without the passwords of the environment.
TEST_F(CliEditTest, TheEditorSeesNoPassword) {
  ::setenv("INICRYPT_PASSWORD", "pw", 1);
  ::setenv("INICRYPT_NEW_PASSWORD", "new", 1);
  ::setenv("INICRYPT_EDIT_TEST", "kept", 1);
  cli_.environment["VISUAL"] = Editor("env > " + P("env"));
  const Result r = cli_.Run({"edit", P("c.ini")});
  ::unsetenv("INICRYPT_PASSWORD");
  ::unsetenv("INICRYPT_NEW_PASSWORD");
  ::unsetenv("INICRYPT_EDIT_TEST");
  EXPECT_EQ(r.code, 0) << r.err;
  const std::string environment = folder_.Read("env");
  EXPECT_THAT(environment, ::testing::HasSubstr("INICRYPT_EDIT_TEST=kept"));
  EXPECT_THAT(environment, ::testing::Not(::testing::HasSubstr("INICRYPT_PASSWORD")));
  EXPECT_THAT(environment, ::testing::Not(::testing::HasSubstr("INICRYPT_NEW_PASSWORD")));
}

TEST_F(CliEditTest, AnEditorWithArgumentsRunsThroughTheShell) {
  cli_.environment["VISUAL"] = "sed -i s/=1.0/=2.0/";
  ASSERT_EQ(cli_.Run({"edit", P("c.ini")}).code, 0);
  EXPECT_EQ(cli_.Run({"get", P("c.ini"), Utf8(kMyConfig), Utf8(kVersionKey)}).out, "2.0\n");
}

TEST_F(CliEditTest, AMissingFileStartsEmptyAndIsCreated) {
  cli_.environment["VISUAL"] = Editor("printf '[n]\\r\\nk=v\\r\\n' > \"$1\"");
  cli_.secrets = {"new", "new"};
  const Result r = cli_.Run({"edit", "--ask-password", P("n.ini")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.prompts.size(), 2u);
  EXPECT_EQ(folder_.Read("n.ini"), Encipher("[n]\r\nk=v\r\n", "new"));
  EXPECT_EQ(folder_.Mode("n.ini"), 0600u);
  ExpectCopyRemoved();
}

TEST_F(CliEditTest, AnEditThatCannotBeWrittenBackIsKeptEnciphered) {
  cli_.environment["VISUAL"] = "sed -i s/=1.0/=2.0/";
  FaultyHost faulty;
  ScopedHost in_use(faulty);
  faulty.FailCall(HostCall::kPutInPlace, 1);
  const Result r = cli_.Run({"edit", P("c.ini")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(folder_.Read("c.ini"), enciphered_);
  const std::string kept = "the edited text is kept, enciphered, in ";
  const size_t at = r.err.find(kept);
  ASSERT_NE(at, std::string::npos) << r.err;
  const std::string rescue =
      r.err.substr(at + kept.size(), r.err.find(' ', at + kept.size()) - (at + kept.size()));
  std::string changed(SampleConfiguration);
  changed.replace(changed.find("=1.0"), 4, "=2.0");
  EXPECT_EQ(Decipher(folder_.Read(rescue), "pw"), changed);
  std::filesystem::remove(rescue);
}

// Another writer changed the file while the editor ran: its change stays,
// and the edit is kept enciphered beside.
TEST_F(CliEditTest, AFileChangedUnderTheEditorIsNotWrittenBack) {
  const std::string changed = enciphered_ + "x";
  folder_.Write("changed", changed);
  cli_.environment["VISUAL"] =
      Editor("sed -i s/=1.0/=2.0/ \"$1\"; cp " + P("changed") + " " + P("c.ini"));
  const Result r = cli_.Run({"edit", P("c.ini")});
  EXPECT_EQ(r.code, 1);
  EXPECT_THAT(r.err, ::testing::HasSubstr(P("c.ini") + " changed while it was being edited"));
  EXPECT_EQ(folder_.Read("c.ini"), changed);
  const std::string kept = "the edited text is kept, enciphered, in ";
  const size_t at = r.err.find(kept);
  ASSERT_NE(at, std::string::npos) << r.err;
  std::filesystem::remove(
      r.err.substr(at + kept.size(), r.err.find(' ', at + kept.size()) - (at + kept.size())));
}

TEST_F(CliEditTest, ATerminationSignalStillRemovesThePlainCopy) {
  for (const char* signal : {"TERM", "HUP", "USR1", "USR2", "ALRM", "PIPE", "XCPU", "VTALRM",
                             "PROF", "XFSZ"}) {
    SCOPED_TRACE(signal);
    const std::string editor = Editor(std::string("kill -") + signal + " $PPID; sleep 1");
    const std::string command = "VISUAL='" + editor + "' INICRYPT_PASSWORD=pw exec '" +
                                INICRYPT_PROGRAM + "' edit '" + P("c.ini") + "'";
    int exit_code = 0;
    Status status = GetHost().RunProgram("/bin/sh", TextList{"-c", command}, &exit_code);
    EXPECT_THAT(status.message(), ::testing::HasSubstr("ended by signal"));
    ExpectCopyRemoved();
    EXPECT_EQ(folder_.Read("c.ini"), enciphered_);
  }
}

}  // namespace
}  // namespace inicrypt::cli::testing
