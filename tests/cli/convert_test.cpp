// encrypt, decrypt, view and sample: the bytes they write and print.
#include "app/convert.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "app/jobs.h"
#include "app/run_directory.h"
#include "cli/file_bytes.h"
#include "cli_test_support.h"
#include "host/host.h"

namespace inicrypt::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The window as far as the encrypt job needs it.
class StandInWindow final : public JobWindow {
 public:
  Text path;
  Text password;
  std::vector<Text> messages;

  ControlText PathText(Text* text) override {
    *text = path;
    return ControlText::kOk;
  }
  ControlText PasswordText(Text* text) override {
    *text = password;
    return ControlText::kOk;
  }
  void SetPathText(std::string_view text) override { path = Text(text); }
  void Tell(std::string_view message) override { messages.emplace_back(message); }
  bool AskYesNo(std::string_view) override { return false; }
  FileChoice ChooseFile(std::string_view, std::string_view, Text*) override {
    return FileChoice::kCancelled;
  }
  bool IsClosed() const override { return false; }
};

class CliConvertTest : public ::testing::Test {
 protected:
  std::string P(std::string_view name) const { return folder_.Path(name); }

  TempFolder folder_;
  Cli cli_;
};

TEST_F(CliConvertTest, EncryptWritesTheBytesOfTheWindowsJob) {
  // Lines before the first header, a line without "=", a header the reader
  // lists but does not find, a comment only the profile service knows,
  // quotes it strips, a duplicate key and a repeated section.
  const std::string source =
      "top=0\r\n[a]\r\nk1=v1\r\n k2 = \" quoted \" \r\nk3\r\n[ b ]\r\nx=1\r\n"
      "[c]\r\n;note=2\r\ndup=1\r\ndup=2\r\n\r\n[a]\r\nlate=1\r\n";
  folder_.Write("source.ini", source);

  Text current;
  ASSERT_TRUE(GetHost().GetCurrentFolder(&current).ok());
  ASSERT_TRUE(SetRunDirectory(folder_.Folder()));
  StandInWindow window;
  window.path = P("source.ini");
  window.password = "pw";
  EncryptJob(window);
  ASSERT_TRUE(GetHost().SetCurrentFolder(current).ok());
  ASSERT_EQ(window.messages, std::vector<Text>{Text(msg::kEncrypted)});

  const Result r = cli_.Run({"encrypt", P("source.ini"), "-o", P("out.ini")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(folder_.Read("out.ini"), folder_.Read("config.ini"));
  EXPECT_EQ(Decipher(folder_.Read("out.ini"), "pw"),
            "[a]\r\nk1=v1\r\nk2= quoted \r\n[c]\r\n;note=\r\ndup=1\r\n");
}

TEST_F(CliConvertTest, SampleEncryptDecryptRoundTrip) {
  ASSERT_EQ(cli_.Run({"sample", "-o", P("s.ini")}).code, 0);
  EXPECT_EQ(folder_.Read("s.ini"), SampleConfiguration);
  EXPECT_EQ(folder_.Mode("s.ini"), 0600u);

  folder_.Write("c.ini", "old");
  folder_.SetMode("c.ini", 0640);
  ASSERT_EQ(cli_.Run({"encrypt", P("s.ini"), "-o", P("c.ini")}).code, 0);
  // The sample is already in the layout the job writes.
  EXPECT_EQ(folder_.Read("c.ini"), Encipher(SampleConfiguration, "pw"));
  EXPECT_EQ(folder_.Mode("c.ini"), 0640u);

  const Result plain = cli_.Run({"decrypt", P("c.ini")});
  EXPECT_EQ(plain.code, 0) << plain.err;
  EXPECT_EQ(plain.out, SampleConfiguration);
  EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"c.ini", "s.ini"}));
}

TEST_F(CliConvertTest, RawKeepsTheBytesAsTheyStand) {
  const std::string plain = "; kept\n\n[s]\nk = v\n";
  folder_.Write("p.ini", plain);
  ASSERT_EQ(cli_.Run({"encrypt", "--raw", P("p.ini"), "-o", P("c.ini")}).code, 0);
  EXPECT_EQ(folder_.Read("c.ini"), Encipher(plain, "pw"));
  EXPECT_EQ(cli_.Run({"decrypt", "--raw", P("c.ini")}).out, plain);
  EXPECT_EQ(cli_.Run({"view", P("c.ini")}).out, plain);
}

TEST_F(CliConvertTest, DashIsStdinAndStdout) {
  cli_.stdin_bytes = std::string(SampleConfiguration);
  const Result enciphered = cli_.Run({"encrypt", "-", "-o", "-"});
  EXPECT_EQ(enciphered.out, Encipher(SampleConfiguration, "pw"));

  cli_.stdin_bytes = enciphered.out;
  EXPECT_EQ(cli_.Run({"decrypt", "-"}).out, SampleConfiguration);
  EXPECT_EQ(cli_.Run({"view", "-"}).out, Utf8(SampleConfiguration));
  const std::string keys = std::string("\xB3\xCC\xD0\xF2\xB1\xE0\xD0\xB4\n") +  // 程序编写
                           std::string(kVersionKey) + "\n" +
                           "\xC5\xE4\xD6\xC3\xBD\xDA\n";  // 配置节
  EXPECT_EQ(cli_.Run({"list", "-", Utf8(kMyConfig)}).out, Utf8(keys));
}

TEST_F(CliConvertTest, Utf8PlainFiles) {
  folder_.Write("u.ini", Utf8(SampleConfiguration));
  ASSERT_EQ(cli_.Run({"encrypt", "--encoding", "utf-8", P("u.ini"), "-o", P("c.ini")}).code, 0);
  EXPECT_EQ(folder_.Read("c.ini"), Encipher(SampleConfiguration, "pw"));
  EXPECT_EQ(cli_.Run({"decrypt", "--encoding=UTF8", P("c.ini")}).out, Utf8(SampleConfiguration));
  EXPECT_EQ(cli_.Run({"sample", "--encoding", "utf-8"}).out, Utf8(SampleConfiguration));

  folder_.Write("bad.ini", "[s]\nk=\xFF\xFE\n");
  const Result bad = cli_.Run({"encrypt", "--encoding", "utf-8", P("bad.ini"), "-o", P("x.ini")});
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.err, "inicrypt: encrypt: " + P("bad.ini") +
                         " is not UTF-8 text, or holds a character with no code page 936 form\n");
  EXPECT_FALSE(folder_.Exists("x.ini"));
}

TEST_F(CliConvertTest, NothingToEncryptWritesNothing) {
  folder_.Write("p.ini", "no pairs here\r\n");
  folder_.Write("c.ini", "old");
  const Result r = cli_.Run({"encrypt", P("p.ini"), "-o", P("c.ini")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "inicrypt: encrypt: " + P("p.ini") + " holds no pair to encrypt; nothing written\n");
  EXPECT_EQ(folder_.Read("c.ini"), "old");
}

TEST_F(CliConvertTest, NothingToDecryptKeepsTheOldOutput) {
  const std::string cases[] = {"[s]\r\n", "[s]\r\nno pair\r\n[t]\r\n=v\r\n"};
  for (const std::string& plain : cases) {
    folder_.Write("c.ini", Encipher(plain, "pw"));
    folder_.Write("out.ini", "old");
    const Result r = cli_.Run({"decrypt", P("c.ini"), "-o", P("out.ini")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "inicrypt: decrypt: " + P("c.ini") +
                         " holds no pair to decrypt; nothing written\n");
    EXPECT_EQ(folder_.Read("out.ini"), "old");
  }
}

// stdin is read in pieces up to the limit: a stream that never ends is
// refused, never read whole.
TEST(CliStreamTest, StdinStopsAtTheLimit) {
  std::string bytes;
  std::istringstream longer(std::string(200000, 'x'));
  const Status status = ReadStream(longer, "stdin", &bytes, 100000);
  EXPECT_EQ(status.message(), "stdin: too large (2 GiB or more)");
  EXPECT_TRUE(bytes.empty());
  std::istringstream exact(std::string(100000, 'x'));
  EXPECT_TRUE(ReadStream(exact, "stdin", &bytes, 100000).ok());
  EXPECT_EQ(bytes.size(), 100000u);
}

TEST_F(CliConvertTest, WrongPasswordIsWarnedAbout) {
  folder_.Write("c.ini", Encipher(SampleConfiguration, "pw"));
  cli_.environment["INICRYPT_PASSWORD"] = "wrong";
  const std::string warning =
      ": warning: " + P("c.ini") + " holds no section header; the password may be wrong\n";
  const struct {
    std::vector<std::string> args;
    int code;
  } cases[] = {
      {{"list", P("c.ini")}, 0},
      {{"get", P("c.ini"), "s", "k"}, 1},
      {{"decrypt", P("c.ini"), "-o", P("out.ini")}, 1},
      {{"view", P("c.ini")}, -1},  // the noise may or may not print
  };
  for (const auto& c : cases) {
    const Result r = cli_.Run(c.args);
    if (c.code >= 0) {
      EXPECT_EQ(r.code, c.code) << c.args[0];
    }
    EXPECT_THAT(r.err, StartsWith("inicrypt: " + c.args[0] + warning));
  }
  EXPECT_FALSE(folder_.Exists("out.ini"));
}

}  // namespace
}  // namespace inicrypt::cli::testing
