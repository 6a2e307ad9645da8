// Where passwords come from, and rekey.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/convert.h"
#include "cli_test_support.h"
#include "host/host.h"

namespace inicrypt::cli::testing {
namespace {

using Prompts = std::vector<std::string>;

class CliPasswordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("s.ini", SampleConfiguration);
    cli_.environment.clear();
  }
  std::string P(std::string_view name) const { return folder_.Path(name); }
  // Encrypts the sample with extra arguments; the password it was enciphered
  // under must be expected.
  Result Encrypt(std::vector<std::string> extra) {
    std::vector<std::string> args{"encrypt", P("s.ini"), "-o", P("c.ini")};
    args.insert(args.end(), extra.begin(), extra.end());
    return cli_.Run(args);
  }

  TempFolder folder_;
  Cli cli_;
};

TEST_F(CliPasswordTest, SourcesInTheirOrder) {
  folder_.Write("pw.txt", "secret\r\nsecond line\n");
  const std::string cp936_password = "\xC3\xDC\xC2\xEB";  // 密码
  const struct {
    std::map<std::string, std::string> environment;
    std::deque<std::string> secrets;
    std::vector<std::string> extra;
    std::string password;
    Prompts prompts;
  } cases[] = {
      {{}, {}, {"--password-file", P("pw.txt")}, "secret", {}},
      {{{"INICRYPT_PASSWORD", "env"}}, {}, {"--password-file=" + P("pw.txt")}, "secret", {}},
      {{{"INICRYPT_PASSWORD", "env"}}, {}, {}, "env", {}},
      {{{"INICRYPT_PASSWORD", "env"}},
       {"typed", "typed"},
       {"--ask-password"},
       "typed",
       {"Password: ", "Again: "}},
      {{},
       {Utf8(cp936_password), Utf8(cp936_password)},
       {"--ask-password"},
       cp936_password,
       {"Password: ", "Again: "}},
  };
  for (const auto& c : cases) {
    cli_.environment = c.environment;
    cli_.secrets = c.secrets;
    const Result r = Encrypt(c.extra);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.prompts, c.prompts);
    EXPECT_EQ(folder_.Read("c.ini"), Encipher(SampleConfiguration, c.password)) << c.password;
  }
}

TEST_F(CliPasswordTest, WithoutASourceTheDefaultPasswordAndANote) {
  const Result r = Encrypt({});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err,
            "inicrypt: encrypt: no --password-file, --ask-password or INICRYPT_PASSWORD; using "
            "the default password 73580647\n");
  EXPECT_EQ(folder_.Read("c.ini"), Encipher(SampleConfiguration, "73580647"));
}

// A source that is there but cannot be used is an error, never the default.
TEST_F(CliPasswordTest, RefusedPasswords) {
  folder_.Write("empty.txt", "\r\nsecond\n");
  folder_.Write("c.ini", "old");
  const std::string no_form = "environment INICRYPT_PASSWORD: its value has no code page 936 form";
  const struct {
    std::map<std::string, std::string> environment;
    std::deque<std::string> secrets;
    std::vector<std::string> extra;
    std::string err;
  } cases[] = {
      {{}, {"one", "two"}, {"--ask-password"}, "the passwords typed do not match"},
      {{}, {}, {"--ask-password"}, "no terminal"},
      {{}, {}, {"--password-file", P("empty.txt")}, "an empty password is not supported"},
      {{}, {}, {"--password-file", P("none.txt")}, P("none.txt") + ": no such file"},
      {{{"INICRYPT_PASSWORD", "\xF0\x9F\x98\x80"}}, {}, {}, no_form},  // an emoji
      {{{"INICRYPT_PASSWORD", "pw\xFF"}}, {}, {}, no_form},              // not UTF-8
      {{{"INICRYPT_PASSWORD", ""}}, {}, {}, "an empty password is not supported"},
  };
  for (const auto& c : cases) {
    cli_.environment = c.environment;
    cli_.secrets = c.secrets;
    const Result r = Encrypt(c.extra);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "inicrypt: encrypt: " + c.err + "\n");
    EXPECT_EQ(folder_.Read("c.ini"), "old");
  }
  folder_.Write("c.ini", Encipher(SampleConfiguration, "pw"));
  cli_.environment = {{"INICRYPT_PASSWORD", "pw"}, {"INICRYPT_NEW_PASSWORD", "\xF0\x9F\x98\x80"}};
  const Result rekey = cli_.Run({"rekey", P("c.ini")});
  EXPECT_EQ(rekey.code, 1);
  EXPECT_THAT(rekey.err, ::testing::HasSubstr("INICRYPT_NEW_PASSWORD"));
  EXPECT_EQ(folder_.Read("c.ini"), Encipher(SampleConfiguration, "pw"));
}

// Once a password is held, the process keeps its memory out of core dumps.
TEST_F(CliPasswordTest, APasswordHeldProtectsTheProcessMemory) {
  struct CountingHost : HostWrapper {
    using HostWrapper::HostWrapper;
    void ProtectProcessMemory() override { ++calls; }
    int calls = 0;
  } host(GetHost());
  ScopedHost in_use(host);
  ASSERT_EQ(cli_.Run({"sample", "-o", P("s2.ini")}).code, 0);
  EXPECT_EQ(host.calls, 0);  // no password, no plain copy
  cli_.environment = {{"INICRYPT_PASSWORD", "pw"}};
  ASSERT_EQ(Encrypt({}).code, 0);
  EXPECT_GE(host.calls, 1);
}

TEST_F(CliPasswordTest, AnExistingFilesPasswordIsAskedOnce) {
  folder_.Write("c.ini", Encipher(SampleConfiguration, "pw"));
  cli_.secrets = {"pw"};
  const Result r =
      cli_.Run({"get", "--ask-password", P("c.ini"), Utf8(kMyConfig), Utf8(kVersionKey)});
  EXPECT_EQ(r.out, "1.0\n");
  EXPECT_EQ(r.prompts, Prompts{"Password: "});
}

TEST_F(CliPasswordTest, RekeyEnciphersTheSameTextUnderTheNewPassword) {
  folder_.Write("c.ini", Encipher(SampleConfiguration, "old"));
  folder_.SetMode("c.ini", 0604);
  cli_.secrets = {"old", "new", "new"};
  const Result r = cli_.Run({"rekey", "--ask-password", P("c.ini")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.prompts, (Prompts{"Password: ", "New password: ", "Again: "}));
  EXPECT_EQ(folder_.Read("c.ini"), Encipher(SampleConfiguration, "new"));
  EXPECT_EQ(folder_.Mode("c.ini"), 0604u);

  cli_.environment = {{"INICRYPT_PASSWORD", "new"}, {"INICRYPT_NEW_PASSWORD", "newer"}};
  EXPECT_EQ(cli_.Run({"rekey", P("c.ini")}).code, 0);
  EXPECT_EQ(folder_.Read("c.ini"), Encipher(SampleConfiguration, "newer"));
}

TEST_F(CliPasswordTest, RekeyLeavesAFileTheOldPasswordDoesNotOpen) {
  const std::string enciphered = Encipher(SampleConfiguration, "pw");
  folder_.Write("c.ini", enciphered);
  cli_.environment = {{"INICRYPT_PASSWORD", "typo"}, {"INICRYPT_NEW_PASSWORD", "new"}};
  const Result r = cli_.Run({"rekey", P("c.ini")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "inicrypt: rekey: " + P("c.ini") +
                       " holds no section header under this password; the password may be "
                       "wrong; nothing changed (--force rekeys anyway)\n");
  EXPECT_EQ(folder_.Read("c.ini"), enciphered);
}

}  // namespace
}  // namespace inicrypt::cli::testing
