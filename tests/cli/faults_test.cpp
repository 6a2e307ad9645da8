// Whatever host call fails, a command leaves its target exactly as it was
// or puts the whole new version in place, and no temporary file stays
// beside it: the N-th I/O call fails, for N = 1, 2, ... until a run
// completes, once failing that call alone and once every call from it on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/convert.h"
#include "cli_test_support.h"
#include "host/faulty_host.h"
#include "tests/support/routed_host.h"

namespace inicrypt::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct FaultCase {
  std::string name;
  std::vector<std::string> args;  // "@" stands for the target's path
  std::string old_bytes;
  std::string new_bytes;
};

std::string Changed(std::string_view plain) {
  std::string text(plain);
  return text.replace(text.find("=1.0"), 4, "=2.0");
}

// Two sections keep the loops short; every call kind still comes up.
constexpr std::string_view kPlain = "[s]\r\nk=1.0\r\n[t]\r\nx=y\r\n";

std::vector<FaultCase> Cases() {
  const std::string sample(kPlain);
  const std::string enciphered = Encipher(sample, "pw");
  return {
      {"set", {"set", "@", "s", "k", "2.0"}, enciphered, Encipher(Changed(sample), "pw")},
      {"encrypt", {"encrypt", "%source", "-o", "@"}, "old", enciphered},
      {"decrypt", {"decrypt", "%enciphered", "-o", "@"}, "old", sample},
      {"rekey", {"rekey", "@"}, enciphered, Encipher(sample, "new")},
      {"edit", {"edit", "@"}, enciphered, Encipher(Changed(sample), "pw")},
  };
}

class CliFaultLoopTest : public ::testing::TestWithParam<FaultSpan> {
 protected:
  void SetUp() override {
    folder_.Write("source.ini", kPlain);
    folder_.Write("enciphered.ini", Encipher(kPlain, "pw"));
    cli_.environment["INICRYPT_NEW_PASSWORD"] = "new";
    cli_.environment["VISUAL"] = "sed -i s/=1.0/=2.0/";
  }
  std::vector<std::string> Args(const FaultCase& c) const {
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
      if (arg == "@") arg = folder_.Path("target.ini");
      if (arg.starts_with("%")) arg = folder_.Path(arg.substr(1) + ".ini");
    }
    return args;
  }

  TempFolder folder_;
  TempFolder scratch_;
  // What edit keeps of a text it could not write back lands here.
  inicrypt::testing::ScopedEnv tmpdir_{"TMPDIR", scratch_.Folder()};
  Cli cli_;
};

TEST_P(CliFaultLoopTest, TargetIsOldOrNewWhateverFails) {
  const std::vector<std::string> names{"enciphered.ini", "source.ini", "target.ini"};
  for (const FaultCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    for (int n = 1; n < 1000; ++n) {
      SCOPED_TRACE(n);
      folder_.Write("target.ini", c.old_bytes);
      FaultyHost faulty;
      ScopedHost in_use(faulty);
      faulty.FailIo(n, GetParam());
      const Result r = cli_.Run(Args(c));
      const std::string target = folder_.Read("target.ini");
      if (r.code == 0) {
        EXPECT_EQ(target, c.new_bytes);
      } else {
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(target, c.old_bytes);
        EXPECT_THAT(r.err, StartsWith("inicrypt: " + c.name + ": "));
      }
      if (GetParam() == FaultSpan::kOnce) {
        EXPECT_EQ(folder_.Names(), names) << r.err;
      }
      if (faulty.Injected() == 0) {
        EXPECT_EQ(r.code, 0) << r.err;
        break;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Spans, CliFaultLoopTest,
                         ::testing::Values(FaultSpan::kOnce, FaultSpan::kFromNthOn),
                         [](const auto& param) {
                           return param.param == FaultSpan::kOnce ? "Once" : "FromNthOn";
                         });

// A failing call on the file encrypt or decrypt reads ends the command with
// a message naming the failure and exit code 1, the target as it was; exit
// code 0 comes only with the whole result.
TEST(CliSourceFaultTest, FailingReadsOfTheSourceAreNeverSuccess) {
  TempFolder folder;
  folder.Write("source.ini", kPlain);
  folder.Write("enciphered.ini", Encipher(kPlain, "pw"));
  const struct {
    std::string verb;
    std::string source;
    std::string result;
  } cases[] = {
      {"encrypt", "source.ini", Encipher(kPlain, "pw")},
      {"decrypt", "enciphered.ini", std::string(kPlain)},
  };
  Cli cli;
  for (const auto& c : cases) {
    for (FaultSpan span : {FaultSpan::kOnce, FaultSpan::kFromNthOn}) {
      int failures = 0;
      for (int n = 1;; ++n) {
        SCOPED_TRACE(::testing::Message() << c.verb << " call " << n);
        folder.Write("target.ini", "old");
        FaultyHost faulty;
        faulty.FailIo(n, span);
        const std::string source = folder.Path(c.source);
        inicrypt::testing::RoutedHost routed(faulty,
                                             [&](std::string_view path) { return path == source; });
        ScopedHost in_use(routed);
        const Result r = cli.Run({c.verb, source, "-o", folder.Path("target.ini")});
        if (r.code == 0) {
          EXPECT_EQ(folder.Read("target.ini"), c.result);
        } else {
          ++failures;
          EXPECT_EQ(r.code, 1);
          EXPECT_THAT(r.err, StartsWith("inicrypt: " + c.verb + ": "));
          EXPECT_THAT(r.err, HasSubstr("injected failure"));
          EXPECT_EQ(folder.Read("target.ini"), "old");
        }
        if (faulty.Injected() == 0) {
          EXPECT_EQ(r.code, 0) << r.err;
          break;
        }
        ASSERT_LT(n, 500);
      }
      EXPECT_GT(failures, 0);
    }
  }
}

// list and get never take a read that failed for a missing section or key.
TEST(CliSourceFaultTest, ListAndGetSayTheyCannotReadNotThatANameIsMissing) {
  TempFolder folder;
  folder.Write("c.ini", Encipher(kPlain, "pw"));
  const std::string path = folder.Path("c.ini");
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"list", path, "t"}, "x\n"},
      {{"get", path, "t", "x"}, "y\n"},
  };
  Cli cli;
  for (const auto& c : cases) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(::testing::Message() << c.args[0] << " read " << n);
      FaultyHost faulty;
      faulty.FailCall(HostCall::kRead, n);
      inicrypt::testing::RoutedHost routed(faulty,
                                           [&](std::string_view file) { return file == path; });
      ScopedHost in_use(routed);
      const Result r = cli.Run(c.args);
      if (faulty.Injected() == 0) {
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, c.out);
        break;
      }
      EXPECT_EQ(r.code, 1);
      EXPECT_EQ(r.err, "inicrypt: " + c.args[0] + ": cannot read " + path + "\n");
      ASSERT_LT(n, 100);
    }
  }
}

TEST(CliFaultMessageTest, AFailedWriteSaysWhatFailedAndWhere) {
  TempFolder folder;
  folder.Write("c.ini", Encipher(SampleConfiguration, "pw"));
  FaultyHost faulty;
  ScopedHost in_use(faulty);
  faulty.FailCall(HostCall::kPutInPlace, 1);
  Cli cli;
  const Result r = cli.Run({"set", folder.Path("c.ini"), "s", "k", "v"});
  EXPECT_EQ(r.code, 1);
  EXPECT_THAT(r.err, StartsWith("inicrypt: set: cannot write " + folder.Path("c.ini") + ": rename "));
  EXPECT_THAT(r.err, HasSubstr("injected failure"));
  EXPECT_EQ(folder.Read("c.ini"), Encipher(SampleConfiguration, "pw"));
}

}  // namespace
}  // namespace inicrypt::cli::testing
