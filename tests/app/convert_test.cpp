#include "app/convert.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "base/cp936.h"
#include "host/faulty_host.h"
#include "ini/ini.h"
#include "tests/support/app_support.h"
#include "tests/support/routed_host.h"

namespace inicrypt {
namespace {

using testing::Decipher;
using ::testing::ElementsAre;
using testing::Exists;
using testing::ReadFileBytes;
using testing::TempRunDirectory;
using testing::WriteFileBytes;

constexpr std::string_view kPassword = "73580647";

Text Cp936(std::string_view utf8) {
  Text text;
  EXPECT_TRUE(Utf8ToCp936(utf8, &text)) << utf8;
  return text;
}

TEST(SampleConfigurationTest, IsTheSampleTextByteForByte) {
  EXPECT_EQ(SampleConfiguration.size(), 262u);
  EXPECT_EQ(SampleConfiguration,
            Cp936("[我的配置]\r\n程序编写=20191014\r\n当前版本=1.0\r\n"
                  "配置节=要按照格式[这样是节]\r\n[我的出品]\r\nBrev首发=BrevTolm\r\n"
                  "可以再加=理论支持很长吧\r\n[我的自由增加]\r\n"
                  "你也可以自定义增加=按照格式节[我是节]\r\n我是配置项=我是项\r\n"
                  "写点什么吧=ABC123bca\r\n哇啊=1233333222\r\nDDDD=a1b2D33FD33Z\r\n"));
  int line_ends = 0;
  for (size_t i = 0; i < SampleConfiguration.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(SampleConfiguration[i]);
    if (byte == '\n') {
      ++line_ends;
      EXPECT_EQ(SampleConfiguration[i - 1], '\r');
    } else if (byte < 0x20) {
      EXPECT_EQ(byte, '\r');
    }
  }
  EXPECT_EQ(line_ends, 13);
  EXPECT_EQ(SampleConfiguration.substr(260), "\r\n");
}

TEST(SampleConfigurationTest, ReadsAsThreeSectionsWithTheirKeys) {
  TempRunDirectory run;
  Text path = run.File("sample.ini");
  WriteFileBytes(path, SampleConfiguration);
  TextList sections;
  ASSERT_TRUE(ListSections(path, {}, sections));
  EXPECT_EQ(sections, TextList({Cp936("我的配置"), Cp936("我的出品"), Cp936("我的自由增加")}));
  std::vector<int> key_counts;
  for (const Text& section : sections) {
    TextList keys;
    ASSERT_TRUE(ListKeys(path, {}, section, keys));
    key_counts.push_back(keys.Count());
  }
  EXPECT_THAT(key_counts, ElementsAre(3, 2, 5));
  EXPECT_EQ(ReadValue(path, {}, Cp936("我的配置"), Cp936("配置节")), Cp936("要按照格式[这样是节]"));
}

// A plain source that shows how the two reading channels meet: the INI
// reader gives the names, the profile service the values.
constexpr std::string_view kSource =
    "before=header\r\n"  // no section: not carried
    "[one]\r\n"
    "a=1\r\n"
    "b = two words \r\n"  // the profile service trims the value
    "q=\"quoted\"\r\n"    // and takes off its quotes
    "\r\n"
    "[two]\r\n"
    ";c=3\r\n"  // a key for the INI reader, a comment for the profile service
    "d=4\r\n"
    "e=\r\n"
    "[empty]\r\n"
    "[three]\r\n"
    "f=6\r\n"
    "=no key\r\n"  // the empty key: refused, nothing written
    "g=7\r\n"
    "h=8=9\r\n"
    "[last]\r\n";

constexpr std::string_view kEnciphered =
    "[one]\r\na=1\r\nb=two words\r\nq=quoted\r\n"
    "[two]\r\n;c=\r\nd=4\r\ne=\r\n"
    "[three]\r\nf=6\r\ng=7\r\nh=8=9\r\n";

TEST(EncryptConfigTest, WritesEachPairOfTheSourceEnciphered) {
  TempRunDirectory run;
  WriteFileBytes(run.File("source.ini"), kSource);
  ConvertResult result = EncryptConfig(run.File("source.ini"), run.File("config.ini"), kPassword);
  EXPECT_EQ(result.outcome, ConvertOutcome::kDone);
  EXPECT_EQ(result.sections, 5);
  EXPECT_EQ(result.pairs, 9);
  EXPECT_EQ(ReadFileBytes(run.File("config.ini")).size(), kEnciphered.size());
  EXPECT_NE(ReadFileBytes(run.File("config.ini")), kEnciphered);
  EXPECT_EQ(Decipher(run.File("config.ini"), kPassword), kEnciphered);
  EXPECT_THAT(run.Names(), ElementsAre("config.ini", "source.ini"));
}

TEST(EncryptConfigTest, RepeatedNamesGiveOneLineHoldingTheLastValue) {
  TempRunDirectory run;
  WriteFileBytes(run.File("source.ini"),
                 "[Main]\r\nk=1\r\nK=2\r\n[other]\r\nx=1\r\n[MAIN]\r\nk=3\r\n[main]\r\nz=9\r\n");
  ASSERT_EQ(EncryptConfig(run.File("source.ini"), run.File("config.ini"), kPassword).outcome,
            ConvertOutcome::kDone);
  // Each listing of a section sees its first header only; the profile
  // service reads the first section of a name and the first key, whatever
  // their case, so "K" gets the value of "k".
  EXPECT_EQ(Decipher(run.File("config.ini"), kPassword),
            "[Main]\r\nk=1\r\nK=1\r\n[other]\r\nx=1\r\n");
}

TEST(EncryptConfigTest, ValueThatWouldEndTheTextIsPassedOver) {
  TempRunDirectory run;
  // The INI reader stops at the 0x1A byte; the profile service reads on.
  WriteFileBytes(run.File("source.ini"), std::string_view("[s]\r\nb=2\r\na=1\x1A"
                                                          "2\r\n"));
  ConvertResult result = EncryptConfig(run.File("source.ini"), run.File("config.ini"), kPassword);
  EXPECT_EQ(result.outcome, ConvertOutcome::kDone);
  EXPECT_EQ(result.pairs, 1);
  EXPECT_EQ(Decipher(run.File("config.ini"), kPassword), "[s]\r\nb=2\r\n");
}

TEST(EncryptConfigTest, ThreeSectionsRoundTripThroughDecrypt) {
  TempRunDirectory run;
  std::string plain;
  for (char s : {'a', 'b', 'c'}) {
    plain += std::string("[sec_") + s + "]\r\n";
    for (char k : {'x', 'y', 'z'}) plain += std::string(1, k) + "=" + s + k + "\r\n";
  }
  WriteFileBytes(run.File("plain.ini"), plain);
  ASSERT_EQ(EncryptConfig(run.File("plain.ini"), run.File("config.ini"), kPassword).outcome,
            ConvertOutcome::kDone);
  ConvertResult result =
      DecryptConfig(run.File("config.ini"), run.File("config.ini"), kPassword, run.File("out.ini"));
  EXPECT_EQ(result.outcome, ConvertOutcome::kDone);
  EXPECT_EQ(result.pairs, 9);
  EXPECT_EQ(ReadFileBytes(run.File("out.ini")), plain);
}

TEST(EncryptConfigTest, SourceThatCannotBeReadKeepsTheOldFile) {
  TempRunDirectory run;
  WriteFileBytes(run.File("config.ini"), "old bytes");
  for (Text source : {run.File("missing.ini"), run.path()}) {
    ConvertResult result = EncryptConfig(source, run.File("config.ini"), kPassword);
    EXPECT_EQ(result.outcome, ConvertOutcome::kSourceUnreadable) << source;
    EXPECT_EQ(ReadFileBytes(run.File("config.ini")), "old bytes");
  }
  EXPECT_THAT(run.Names(), ElementsAre("config.ini"));
}

TEST(EncryptConfigTest, SourceWithoutPairsKeepsTheOldFile) {
  TempRunDirectory run;
  WriteFileBytes(run.File("config.ini"), "old bytes");
  for (std::string_view text : {"", "no=header\r\n", "[a]\r\n[b]\r\nno key\r\n", "[a]\r\n=v\r\n"}) {
    WriteFileBytes(run.File("source.ini"), text);
    EXPECT_EQ(EncryptConfig(run.File("source.ini"), run.File("config.ini"), kPassword).outcome,
              ConvertOutcome::kNothingFound)
        << text;
  }
  EXPECT_EQ(ReadFileBytes(run.File("config.ini")), "old bytes");
  EXPECT_THAT(run.Names(), ElementsAre("config.ini", "source.ini"));
}

TEST(EncryptConfigTest, EnciphersAPlainConfigInPlace) {
  TempRunDirectory run;
  WriteFileBytes(run.File("config.ini"), "[s]\r\nk=v\r\n");
  ASSERT_EQ(EncryptConfig(run.File("config.ini"), run.File("config.ini"), kPassword).outcome,
            ConvertOutcome::kDone);
  EXPECT_EQ(Decipher(run.File("config.ini"), kPassword), "[s]\r\nk=v\r\n");
  EXPECT_NE(ReadFileBytes(run.File("config.ini")), "[s]\r\nk=v\r\n");
}

TEST(EncryptConfigTest, StoppedRunKeepsTheOldFile) {
  TempRunDirectory run;
  WriteFileBytes(run.File("config.ini"), "old bytes");
  WriteFileBytes(run.File("source.ini"), "[s]\r\na=1\r\nb=2\r\nc=3\r\n");
  int calls = 0;
  ConvertResult result = EncryptConfig(run.File("source.ini"), run.File("config.ini"), kPassword,
                                       [&calls] { return ++calls < 2; });
  EXPECT_EQ(result.outcome, ConvertOutcome::kStopped);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(ReadFileBytes(run.File("config.ini")), "old bytes");
  EXPECT_THAT(run.Names(), ElementsAre("config.ini", "source.ini"));
}

TEST(EncryptConfigTest, TargetThatCannotBeReplacedIsAFailure) {
  TempRunDirectory run;
  WriteFileBytes(run.File("source.ini"), "[s]\r\nk=v\r\n");
  std::filesystem::create_directory(
      testing::Native(run.File("config.ini")));  // a folder in its place
  EXPECT_EQ(EncryptConfig(run.File("source.ini"), run.File("config.ini"), kPassword).outcome,
            ConvertOutcome::kWriteFailed);
  EXPECT_EQ(
      EncryptConfig(run.File("source.ini"), run.File("no/such/config.ini"), kPassword).outcome,
      ConvertOutcome::kWriteFailed);
  EXPECT_THAT(run.Names(), ElementsAre("config.ini", "source.ini"));
}

struct FaultCase {
  FaultSpan span;
  bool full_disk;
};

class EncryptFaultTest : public ::testing::TestWithParam<FaultCase> {};

// Whatever call fails, "config.ini" holds either its old bytes, and the
// outcome says so, or the new ones, and the outcome is kDone.
TEST_P(EncryptFaultTest, OldFileOrNewFileNeverAMix) {
  TempRunDirectory run;
  std::string source = "[one]\r\na=1\r\nb=2\r\n[two]\r\nc=3\r\n";
  WriteFileBytes(run.File("source.ini"), source);
  ASSERT_EQ(EncryptConfig(run.File("source.ini"), run.File("new.ini"), kPassword).outcome,
            ConvertOutcome::kDone);
  const std::string new_bytes = ReadFileBytes(run.File("new.ini"));
  std::filesystem::remove(testing::Native(run.File("new.ini")));
  int runs = 0;
  for (int n = 1;; ++n) {
    runs = n;
    WriteFileBytes(run.File("config.ini"), "old bytes");
    FaultyHost faulty;
    faulty.FailIo(n, GetParam().span);
    faulty.SetFullDisk(GetParam().full_disk);
    // Only "config.ini" and its temporary files fail: the source is read whole.
    testing::RoutedHost routed(
        faulty, [](std::string_view path) { return path.find("config.ini") != std::string_view::npos; },
        /*temporaries=*/true);
    ConvertResult result;
    {
      ScopedHost in_use(routed);
      result = EncryptConfig(run.File("source.ini"), run.File("config.ini"), kPassword);
    }
    std::string now = ReadFileBytes(run.File("config.ini"));
    if (result.outcome == ConvertOutcome::kDone) {
      EXPECT_EQ(now, new_bytes) << "call " << n;
    } else {
      EXPECT_EQ(result.outcome, ConvertOutcome::kWriteFailed) << "call " << n;
      EXPECT_EQ(now, "old bytes") << "call " << n;
    }
    if (GetParam().span == FaultSpan::kFromNthOn) {
      // Removing the temporary file fails as well once every call fails.
      for (const std::string& name : run.Names()) {
        if (name.ends_with(".tmp")) std::filesystem::remove(run.path() + "/" + name);
      }
    }
    EXPECT_THAT(run.Names(), ElementsAre("config.ini", "source.ini")) << "call " << n;
    if (faulty.Injected() == 0) {
      EXPECT_EQ(result.outcome, ConvertOutcome::kDone);
      break;
    }
    ASSERT_LT(n, 500);
  }
  EXPECT_GT(runs, 10);  // each call of the run, from creating the temporary file to the rename
}

INSTANTIATE_TEST_SUITE_P(Spans, EncryptFaultTest,
                         ::testing::Values(FaultCase{FaultSpan::kOnce, false},
                                           FaultCase{FaultSpan::kFromNthOn, false},
                                           FaultCase{FaultSpan::kOnce, true}),
                         [](const ::testing::TestParamInfo<FaultCase>& param_info) {
                           std::string name =
                               param_info.param.span == FaultSpan::kOnce ? "Once" : "FromNthOn";
                           return param_info.param.full_disk ? name + "FullDisk" : name;
                         });

// Whatever call on the file being read fails, the run ends in the failure
// that names it and the target stays as it was, or the run completes whole:
// a failure is never taken for a missing section or key.
TEST(ConvertReadFaultTest, FailingReadsEndTheRunNeverAShorterResult) {
  TempRunDirectory run;
  const std::string plain = "[one]\r\na=1\r\nb=2\r\n[two]\r\nc=3\r\n";
  WriteFileBytes(run.File("source.ini"), plain);
  testing::WriteEnciphered(run.File("names.ini"), kPassword, plain);
  testing::WriteEnciphered(run.File("values.ini"), kPassword, plain);
  const struct {
    const char* what;
    const char* failing;  // the file whose calls fail
    ConvertOutcome failure;
    bool decrypt;
  } cases[] = {
      {"encrypt, source", "source.ini", ConvertOutcome::kSourceUnreadable, false},
      {"decrypt, names", "names.ini", ConvertOutcome::kSourceUnreadable, true},
      {"decrypt, values", "values.ini", ConvertOutcome::kValuesUnreadable, true},
  };
  for (const auto& c : cases) {
    for (FaultSpan span : {FaultSpan::kOnce, FaultSpan::kFromNthOn}) {
      int failures = 0;
      for (int n = 1;; ++n) {
        SCOPED_TRACE(::testing::Message() << c.what << " call " << n);
        WriteFileBytes(run.File("out.ini"), "old bytes");
        FaultyHost faulty;
        faulty.FailIo(n, span);
        const Text failing = run.File(c.failing);
        testing::RoutedHost routed(faulty, [&](std::string_view path) { return path == failing; });
        ConvertResult result;
        {
          ScopedHost in_use(routed);
          result = c.decrypt ? DecryptConfig(run.File("names.ini"), run.File("values.ini"),
                                             kPassword, run.File("out.ini"))
                             : EncryptConfig(run.File("source.ini"), run.File("out.ini"), kPassword);
        }
        if (result.outcome == ConvertOutcome::kDone) {
          EXPECT_EQ(c.decrypt ? ReadFileBytes(run.File("out.ini"))
                              : Decipher(run.File("out.ini"), kPassword),
                    c.decrypt ? "old bytes\r\n" + plain : plain);
        } else {
          ++failures;
          EXPECT_EQ(result.outcome, c.failure);
          EXPECT_NE(result.error.message().find("injected failure"), std::string::npos)
              << result.error.message();
          EXPECT_EQ(ReadFileBytes(run.File("out.ini")), "old bytes");
        }
        EXPECT_THAT(run.Names(), ElementsAre("names.ini", "out.ini", "source.ini", "values.ini"));
        if (faulty.Injected() == 0) {
          EXPECT_EQ(result.outcome, ConvertOutcome::kDone);
          break;
        }
        ASSERT_LT(n, 500);
      }
      EXPECT_GT(failures, 0);
    }
  }
}

constexpr std::string_view kConfigPlain = "[s]\r\nk=v\r\nempty=\r\n[t]\r\nx=1\r\n";

TEST(DecryptConfigTest, NamesFromOneFileValuesFromAnother) {
  TempRunDirectory run;
  testing::WriteEnciphered(run.File("config.ini"), kPassword, kConfigPlain);
  testing::WriteEnciphered(run.File("other.ini"), kPassword,
                           "[t]\r\nx=other\r\ny=other\r\n[s]\r\nk=other\r\n");
  ConvertResult result =
      DecryptConfig(run.File("other.ini"), run.File("config.ini"), kPassword, run.File("out.ini"));
  EXPECT_EQ(result.outcome, ConvertOutcome::kDone);
  EXPECT_EQ(ReadFileBytes(run.File("out.ini")), "[t]\r\nx=1\r\ny=\r\n[s]\r\nk=v\r\n");
}

TEST(DecryptConfigTest, SetsPairsInTheExistingOutput) {
  TempRunDirectory run;
  testing::WriteEnciphered(run.File("config.ini"), kPassword, kConfigPlain);
  WriteFileBytes(run.File("out.ini"), "[s]\r\nk=old\r\nkept=1\r\n[u]\r\nz=2\r\n");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(DecryptConfig(run.File("config.ini"), run.File("config.ini"), kPassword,
                            run.File("out.ini"))
                  .outcome,
              ConvertOutcome::kDone);
  }
  EXPECT_EQ(ReadFileBytes(run.File("out.ini")),
            "[s]\r\nk=v\r\nkept=1\r\nempty=\r\n[u]\r\nz=2\r\n[t]\r\nx=1\r\n");
  EXPECT_THAT(run.Names(), ElementsAre("config.ini", "out.ini"));
}

TEST(DecryptConfigTest, NoSectionMeansNothingFound) {
  TempRunDirectory run;
  testing::WriteEnciphered(run.File("config.ini"), kPassword, kConfigPlain);
  WriteFileBytes(run.File("out.ini"), "[u]\r\nz=2\r\n");
  WriteFileBytes(run.File("plain.ini"), "just text\r\n");
  struct {
    Text file;
    std::string_view password;
  } cases[] = {
      {run.File("config.ini"), "wrong password"},
      {run.File("plain.ini"), kPassword},  // not enciphered at all
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        DecryptConfig(c.file, run.File("config.ini"), c.password, run.File("out.ini")).outcome,
        ConvertOutcome::kNothingFound)
        << c.file;
  }
  EXPECT_EQ(
      DecryptConfig(run.File("gone.ini"), run.File("config.ini"), kPassword, run.File("out.ini"))
          .outcome,
      ConvertOutcome::kSourceUnreadable);
  EXPECT_EQ(ReadFileBytes(run.File("out.ini")), "[u]\r\nz=2\r\n");
}

TEST(DecryptConfigTest, MissingValueFileIsAFailureNotEmptyValues) {
  TempRunDirectory run;
  testing::WriteEnciphered(run.File("names.ini"), kPassword, kConfigPlain);
  WriteFileBytes(run.File("out.ini"), "[u]\r\nz=2\r\n");
  const ConvertResult result =
      DecryptConfig(run.File("names.ini"), run.File("gone.ini"), kPassword, run.File("out.ini"));
  EXPECT_EQ(result.outcome, ConvertOutcome::kValuesUnreadable);
  EXPECT_NE(result.error.message().find("gone.ini"), std::string::npos) << result.error.message();
  EXPECT_EQ(ReadFileBytes(run.File("out.ini")), "[u]\r\nz=2\r\n");
  EXPECT_THAT(run.Names(), ElementsAre("names.ini", "out.ini"));
}

TEST(DecryptConfigTest, OutputThatCannotBeWrittenIsAFailure) {
  TempRunDirectory run;
  testing::WriteEnciphered(run.File("config.ini"), kPassword, kConfigPlain);
  std::filesystem::create_directory(testing::Native(run.File("out.ini")));
  EXPECT_EQ(
      DecryptConfig(run.File("config.ini"), run.File("config.ini"), kPassword, run.File("out.ini"))
          .outcome,
      ConvertOutcome::kWriteFailed);
  FaultyHost faulty;
  faulty.FailCall(HostCall::kWrite, 1, FaultSpan::kFromNthOn);  // the profile's writes
  ScopedHost in_use(faulty);
  EXPECT_EQ(
      DecryptConfig(run.File("config.ini"), run.File("config.ini"), kPassword, run.File("new.ini"))
          .outcome,
      ConvertOutcome::kWriteFailed);
  EXPECT_FALSE(Exists(run.File("new.ini")));
  EXPECT_THAT(run.Names(), ElementsAre("config.ini", "out.ini"));
}

}  // namespace
}  // namespace inicrypt
