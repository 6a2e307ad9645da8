#include "app/jobs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/convert.h"
#include "app/events.h"
#include "host/faulty_host.h"
#include "host/folders.h"
#include "tests/support/app_support.h"
#include "tests/support/routed_host.h"

namespace inicrypt {
namespace {

using testing::Decipher;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ReadFileBytes;
using testing::ScriptedWindow;
using testing::TempRunDirectory;
using testing::WriteFileBytes;

constexpr std::string_view kPassword = "73580647";

// A window holding a path and the default password.
ScriptedWindow WindowWith(const Text& path, std::string_view password = kPassword) {
  ScriptedWindow window;
  window.path_box = path;
  window.password_box = Text(password);
  return window;
}

using Job = void (*)(JobWindow&);

TEST(JobsTest, EmptyOrUnusableBoxesStopBeforeAnythingChanges) {
  struct Case {
    const char* what;
    Text path;
    Text password;
    bool path_unrepresentable;
    bool password_unrepresentable;
    std::string_view message;
  } cases[] = {
      {"empty path", "", "pw", false, false, msg::kChooseFile},
      {"empty password", "a.ini", "", false, false, msg::kEmptyPassword},
      {"both empty", "", "", false, false, msg::kChooseFile},
      {"path not cp936", "x", "pw", true, false, msg::kPathUnsupported},
      {"password not cp936", "a.ini", "x", false, true, msg::kPasswordUnsupported},
  };
  for (Job job : {&EncryptJob, &DecryptJob}) {
    for (const Case& c : cases) {
      TempRunDirectory run;
      WriteFileBytes(run.File("config.ini"), "old");
      ScriptedWindow window = WindowWith(c.path, c.password);
      window.path_unrepresentable = c.path_unrepresentable;
      window.password_unrepresentable = c.password_unrepresentable;
      job(window);
      EXPECT_THAT(window.MessageTexts(), ElementsAre(Text(c.message))) << c.what;
      EXPECT_FALSE(window.messages[0].question);
      EXPECT_THAT(run.Names(), ElementsAre("config.ini")) << c.what;
      EXPECT_EQ(ReadFileBytes(run.File("config.ini")), "old");
    }
  }
}

TEST(JobsTest, SampleEncryptedAndDecryptedGivesBackItsPairs) {
  TempRunDirectory run;
  ScriptedWindow start;
  start.answers = {true};
  StartupOffer(start);
  ASSERT_EQ(ReadFileBytes(run.File(kSampleFileName)), SampleConfiguration);

  ScriptedWindow window = WindowWith(run.File(kSampleFileName));
  EncryptJob(window);
  EXPECT_THAT(window.MessageTexts(), ElementsAre(Text(msg::kEncrypted)));
  EXPECT_EQ(window.path_box, "");
  EXPECT_EQ(Decipher(run.File(kConfigFileName), kPassword), SampleConfiguration);

  window.messages.clear();
  window.path_box = run.File(kConfigFileName);
  DecryptJob(window);
  EXPECT_THAT(window.MessageTexts(), ElementsAre(Text(msg::kDecrypted)));
  EXPECT_EQ(window.path_box, "");
  EXPECT_EQ(ReadFileBytes(run.File(kDecryptedFileName)), SampleConfiguration);
}

TEST(JobsTest, EncryptReportsBeforeEmptyingThePathBoxDecryptAfter) {
  TempRunDirectory run;
  WriteFileBytes(run.File("plain.ini"), "[s]\r\nk=v\r\n");
  ScriptedWindow encrypt = WindowWith(run.File("plain.ini"));
  EncryptJob(encrypt);
  ASSERT_EQ(encrypt.messages.size(), 1u);
  EXPECT_EQ(encrypt.messages[0].path_box, run.File("plain.ini"));
  ScriptedWindow decrypt = WindowWith(run.File("config.ini"));
  DecryptJob(decrypt);
  ASSERT_EQ(decrypt.messages.size(), 1u);
  EXPECT_EQ(decrypt.messages[0].path_box, "");
}

TEST(JobsTest, EncryptThatCannotReadOrWriteSaysSoAndKeepsConfig) {
  TempRunDirectory run;
  WriteFileBytes(run.File("plain.ini"), "[s]\r\nk=v\r\n");
  WriteFileBytes(run.File("nothing.ini"), "k=v\r\n");
  struct Case {
    Text source;
    bool fail_rename;
    std::string_view message;
  } cases[] = {
      {run.File("missing.ini"), false, msg::kSourceUnreadable},
      {run.File("nothing.ini"), false, msg::kNoPairs},
      {run.File("plain.ini"), true, msg::kEncryptFailed},
  };
  for (const Case& c : cases) {
    WriteFileBytes(run.File("config.ini"), "old");
    ScriptedWindow window = WindowWith(c.source);
    FaultyHost faulty;
    if (c.fail_rename) faulty.FailCall(HostCall::kPutInPlace, 1);
    {
      ScopedHost in_use(faulty);
      EncryptJob(window);
    }
    EXPECT_THAT(window.MessageTexts(), ElementsAre(Text(c.message)));
    EXPECT_EQ(window.path_box, c.source);
    EXPECT_EQ(ReadFileBytes(run.File("config.ini")), "old");
  }
  EXPECT_THAT(run.Names(), ElementsAre("config.ini", "nothing.ini", "plain.ini"));
}

// A read of the chosen file (or, for decrypt, of "config.ini") that fails
// ends the job with a failure message and the old files; "加密完成!" and
// "解密完成!" come only with the whole result.
TEST(JobsTest, ReadFaultsEndInAFailureMessageNeverInDone) {
  TempRunDirectory run;
  const std::string plain = "[one]\r\na=1\r\nb=2\r\n[two]\r\nc=3\r\n";
  WriteFileBytes(run.File("plain.ini"), plain);
  testing::WriteEnciphered(run.File("chosen.ini"), kPassword, plain);
  const struct {
    const char* what;
    Job job;
    const char* chosen;
    const char* failing;
    std::string_view done, failed;
  } cases[] = {
      {"encrypt", &EncryptJob, "plain.ini", "plain.ini", msg::kEncrypted, msg::kSourceUnreadable},
      {"decrypt", &DecryptJob, "chosen.ini", "chosen.ini", msg::kDecrypted,
       msg::kSourceUnreadable},
      {"decrypt, config.ini", &DecryptJob, "chosen.ini", "config.ini", msg::kDecrypted,
       msg::kValuesUnreadable},
  };
  for (const auto& c : cases) {
    for (FaultSpan span : {FaultSpan::kOnce, FaultSpan::kFromNthOn}) {
      for (int n = 1;; ++n) {
        SCOPED_TRACE(::testing::Message() << c.what << " call " << n);
        if (c.job == &EncryptJob) {
          WriteFileBytes(run.File("config.ini"), "old");
        } else {
          testing::WriteEnciphered(run.File("config.ini"), kPassword, plain);
        }
        const std::string old_config = ReadFileBytes(run.File("config.ini"));
        WriteFileBytes(run.File(kDecryptedFileName), "");
        ScriptedWindow window = WindowWith(run.File(c.chosen));
        FaultyHost faulty;
        faulty.FailCall(HostCall::kRead, n, span);
        const Text failing = run.File(c.failing);
        testing::RoutedHost routed(faulty, [&](std::string_view path) { return path == failing; });
        {
          ScopedHost in_use(routed);
          c.job(window);
        }
        const bool done = window.MessageTexts() == std::vector<Text>{Text(c.done)};
        if (done) {
          EXPECT_EQ(Decipher(run.File("config.ini"), kPassword), plain);  // new, or kept
          EXPECT_EQ(ReadFileBytes(run.File(kDecryptedFileName)), c.job == &DecryptJob ? plain : "");
        } else {
          EXPECT_THAT(window.MessageTexts(), ElementsAre(Text(c.failed)));
          EXPECT_EQ(ReadFileBytes(run.File("config.ini")), old_config);
          EXPECT_EQ(ReadFileBytes(run.File(kDecryptedFileName)), "");
        }
        if (faulty.Injected() == 0) {
          EXPECT_TRUE(done);
          break;
        }
        EXPECT_FALSE(done);  // every read counts: none can fail unnoticed
        ASSERT_LT(n, 100);
      }
    }
  }
}

TEST(JobsTest, EncryptingTheEncipheredConfigItselfLosesNothing) {
  TempRunDirectory run;
  testing::WriteEnciphered(run.File("config.ini"), kPassword, "[s]\r\nk=v\r\n");
  const std::string before = ReadFileBytes(run.File("config.ini"));
  ScriptedWindow window = WindowWith(RunFile(kConfigFileName));
  EncryptJob(window);
  EXPECT_THAT(window.MessageTexts(), ElementsAre(Text(msg::kNoPairs)));
  EXPECT_EQ(ReadFileBytes(run.File("config.ini")), before);
}

TEST(JobsTest, DecryptThatFindsNothingOrCannotWriteSaysSo) {
  TempRunDirectory run;
  testing::WriteEnciphered(run.File("config.ini"), kPassword, "[s]\r\nk=v\r\n");
  WriteFileBytes(run.File(kDecryptedFileName), "[u]\r\nz=1\r\n");
  struct Case {
    Text file;
    std::string_view password;
    bool fail_rename;
    std::string_view message;
  } cases[] = {
      {run.File("missing.ini"), kPassword, false, msg::kSourceUnreadable},
      {run.File("config.ini"), "wrong", false, msg::kNoSections},
      {run.File("config.ini"), kPassword, true, msg::kDecryptFailed},
  };
  for (const Case& c : cases) {
    ScriptedWindow window = WindowWith(c.file, c.password);
    FaultyHost faulty;
    if (c.fail_rename) faulty.FailCall(HostCall::kPutInPlace, 1, FaultSpan::kFromNthOn);
    {
      ScopedHost in_use(faulty);
      DecryptJob(window);
    }
    EXPECT_THAT(window.MessageTexts(), ElementsAre(Text(c.message)));
    EXPECT_EQ(window.path_box, c.file);
    EXPECT_EQ(ReadFileBytes(run.File(kDecryptedFileName)), "[u]\r\nz=1\r\n");
  }
}

TEST(JobsTest, ClosingTheWindowEndsTheJobAndKeepsTheOldFiles) {
  TempRunDirectory run;
  WriteFileBytes(run.File("plain.ini"), "[s]\r\na=1\r\nb=2\r\nc=3\r\n");
  testing::WriteEnciphered(run.File("config.ini"), kPassword, "[s]\r\na=1\r\nb=2\r\n");
  const std::string old_config = ReadFileBytes(run.File("config.ini"));
  for (Job job : {&EncryptJob, &DecryptJob}) {
    ScriptedWindow window = WindowWith(run.File(job == &EncryptJob ? "plain.ini" : "config.ini"));
    int pumped = 0;
    SetEventPump([&] {
      if (++pumped == 1) window.closed = true;  // the user closes it after the first value
    });
    job(window);
    SetEventPump({});
    EXPECT_EQ(pumped, 1);
    EXPECT_THAT(window.messages, IsEmpty());
  }
  EXPECT_EQ(ReadFileBytes(run.File("config.ini")), old_config);
  EXPECT_THAT(run.Names(), ElementsAre("config.ini", "plain.ini"));
}

TEST(StartupOfferTest, AsksOnlyWithoutConfigAndWritesTheSampleOnYes) {
  struct Case {
    const char* what;
    bool config_exists;
    bool yes;
    bool sample_written;
  } cases[] = {
      {"config.ini there", true, true, false},
      {"answer yes", false, true, true},
      {"answer no", false, false, false},
  };
  for (const Case& c : cases) {
    TempRunDirectory run;
    if (c.config_exists) WriteFileBytes(run.File("config.ini"), "x");
    WriteFileBytes(run.File(kSampleFileName), std::string(1000, 'e'));
    ScriptedWindow window;
    window.answers = {c.yes};
    StartupOffer(window);
    if (c.config_exists) {
      EXPECT_THAT(window.messages, IsEmpty()) << c.what;
    } else {
      ASSERT_EQ(window.messages.size(), 1u) << c.what;
      EXPECT_EQ(window.messages[0].text, msg::kOfferSample);
      EXPECT_TRUE(window.messages[0].question);
    }
    EXPECT_EQ(ReadFileBytes(run.File(kSampleFileName)),
              c.sample_written ? std::string(SampleConfiguration) : std::string(1000, 'e'))
        << c.what;
    EXPECT_EQ(testing::Exists(run.File("config.ini")), c.config_exists);
  }
}

TEST(StartupOfferTest, SampleThatCannotBeWrittenIsReported) {
  TempRunDirectory run;
  std::filesystem::create_directory(testing::Native(run.File(kSampleFileName)));
  ScriptedWindow window;
  window.answers = {true};
  StartupOffer(window);
  EXPECT_THAT(window.MessageTexts(),
              ElementsAre(Text(msg::kOfferSample), Text(msg::kSampleFailed)));
}

TEST(ChooseConfigFileTest, PutsTheDialogsFileNameIntoThePathBox) {
  TempRunDirectory run;
  ScriptedWindow window;
  window.path_box = "typed";
  FileChoice next = FileChoice::kCancelled;
  window.file_dialog = [&](CommonDlg& d) {
    EXPECT_EQ(d.initial_folder, SpecialFolder(FolderKind::kDesktop));
    EXPECT_EQ(d.filter, kConfigFileFilter);
    if (next == FileChoice::kChosen) d.file_name = "/home/u/a.ini";
    return next;
  };
  ChooseConfigFile(window);  // cancelled before any choice
  EXPECT_EQ(window.path_box, "");
  next = FileChoice::kChosen;
  ChooseConfigFile(window);
  EXPECT_EQ(window.path_box, "/home/u/a.ini");
  window.path_box = "";  // a job emptied it
  next = FileChoice::kCancelled;
  ChooseConfigFile(window);
  EXPECT_EQ(window.path_box, "/home/u/a.ini");
  next = FileChoice::kUnrepresentable;
  ChooseConfigFile(window);
  EXPECT_THAT(window.MessageTexts(), ElementsAre(Text(msg::kPathUnsupported)));
  EXPECT_EQ(window.path_box, "/home/u/a.ini");
  EXPECT_EQ(window.dialogs_opened, 4);
}

}  // namespace
}  // namespace inicrypt
