// The profile service with the N-th I/O call failing, for N = 1, 2, 3 ...
// until a call gets through untouched: the file holds its old bytes or its
// new ones, never a mix, and the result tells which.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "host/faulty_host.h"
#include "profile/values.h"
#include "tests/support/support.h"

namespace inicrypt {
namespace {

using testing::TempFolder;

// Removals go straight to the host, so that with every call failing from
// some point on the temporary file can still be taken away.
class FaultyButRemoves : public FaultyHost {
 public:
  Status DeleteFile(std::string_view path) override { return target().DeleteFile(path); }
};

struct Scenario {
  const char* name;
  std::optional<std::string> before;  // nullopt: no file
  std::string after;
};

const Scenario kScenarios[] = {
    {"existing key", "[s]\r\nk=old\r\nj=1\r\n[t]\r\n", "[s]\r\nk=new\r\nj=1\r\n[t]\r\n"},
    {"new key", "[s]\r\nj=1\r\n\r\n[t]\r\n", "[s]\r\nj=1\r\nk=new\r\n\r\n[t]\r\n"},
    {"new section", "[t]\r\nx=1", "[t]\r\nx=1\r\n[s]\r\nk=new\r\n"},
    {"new file", std::nullopt, "[s]\r\nk=new\r\n"},
};

enum class Mode { kOnce, kFromNthOn, kFromNthOnRemovalsToo };

// Runs the loop for one scenario until a run meets no fault.
void RunFaultLoop(const Scenario& scenario, Mode mode) {
  for (int n = 1; n <= 100; ++n) {
    SCOPED_TRACE(std::string(scenario.name) + ", failing I/O call " + std::to_string(n));
    TempFolder folder;
    if (scenario.before) folder.Write("t.ini", *scenario.before);
    FaultyButRemoves removes;
    FaultyHost plain;
    FaultyHost& faulty = mode == Mode::kFromNthOn ? removes : plain;
    faulty.SetFullDisk(true);  // a failing write leaves half its bytes
    bool ok = false;
    {
      ScopedHost in_use(faulty);
      faulty.FailIo(n, mode == Mode::kOnce ? FaultSpan::kOnce : FaultSpan::kFromNthOn);
      ok = WriteProfileValue(folder.Path("t.ini"), "s", "k", "new");
    }
    const std::optional<std::string> now =
        folder.Exists("t.ini") ? std::optional(folder.Read("t.ini")) : std::nullopt;
    EXPECT_EQ(now, ok ? std::optional(scenario.after) : scenario.before);
    // Only a removal that failed itself can leave the temporary file.
    if (mode != Mode::kFromNthOnRemovalsToo) {
      EXPECT_EQ(folder.Names().size(), now ? 1u : 0u);
    }
    if (faulty.Injected() == 0) {
      EXPECT_TRUE(ok);
      EXPECT_GT(n, 3);  // the loop did go through the calls
      return;
    }
  }
  ADD_FAILURE() << "the write never got through";
}

TEST(ProfileFaultTest, FailingOneCall) {
  for (const Scenario& s : kScenarios) RunFaultLoop(s, Mode::kOnce);
}

TEST(ProfileFaultTest, FailingEveryCallFromTheNthOn) {
  for (const Scenario& s : kScenarios) RunFaultLoop(s, Mode::kFromNthOn);
}

TEST(ProfileFaultTest, FailingEveryCallRemovalsIncluded) {
  for (const Scenario& s : kScenarios) RunFaultLoop(s, Mode::kFromNthOnRemovalsToo);
}

// Each step of the write up to the rename reports its failure: the old file
// stays and the call says so, a failed sync included.
TEST(ProfileFaultTest, EveryStepReportsItsFailure) {
  const HostCall steps[] = {HostCall::kLock,     HostCall::kOpen,    HostCall::kRead,
                            HostCall::kInspect,  HostCall::kCreateTemporary,
                            HostCall::kWrite,    HostCall::kSync,    HostCall::kSetOwner,
                            HostCall::kSetMode,  HostCall::kPutInPlace};
  for (HostCall step : steps) {
#ifdef _WIN32
    // Windows files have no permission bits: there is no mode to copy.
    if (step == HostCall::kSetMode) continue;
#endif
    SCOPED_TRACE(static_cast<int>(step));
    TempFolder folder;
    folder.Write("t.ini", "[s]\r\nk=old\r\n");
    FaultyHost faulty;
    ScopedHost in_use(faulty);
    faulty.FailCall(step, 1);
    EXPECT_FALSE(WriteProfileValue(folder.Path("t.ini"), "s", "k", "new"));
    EXPECT_EQ(faulty.Injected(), 1);
    EXPECT_EQ(folder.Read("t.ini"), "[s]\r\nk=old\r\n");
    EXPECT_EQ(folder.Names().size(), 1u);
  }
}

TEST(ProfileFaultTest, ReadGivesTheValueOrTheDefault) {
  TempFolder folder;
  folder.Write("t.ini", "[s]\r\nk=value\r\n");
  for (int n = 1; n <= 100; ++n) {
    FaultyHost faulty;
    ScopedHost in_use(faulty);
    faulty.FailIo(n);
    const Text got = ReadProfileValue(folder.Path("t.ini"), "s", "k", "d");
    if (faulty.Injected() == 0) {
      EXPECT_EQ(got, "value");
      return;
    }
    // A failing close after a whole read still gives the value.
    EXPECT_TRUE(got == "d" || got == "value") << "failing I/O call " << n << ": " << got;
  }
  ADD_FAILURE() << "the read never got through";
}

// profile::ReadValue tells a missing file, section or key from a file that
// cannot be read.
TEST(ProfileFaultTest, ReadTellsNotFoundFromFailed) {
  TempFolder folder;
  folder.Write("t.ini", "[s]\r\nk=value\r\n");
  enum Answer { kFound, kNotFound, kFailed };
  const struct {
    const char* file;
    const char* section;
    const char* key;
    std::optional<HostCall> fails;
    Answer answer;
  } cases[] = {
      {"t.ini", "s", "k", std::nullopt, kFound},
      {"t.ini", "s", "x", std::nullopt, kNotFound},
      {"t.ini", "x", "k", std::nullopt, kNotFound},
      {"missing.ini", "s", "k", std::nullopt, kNotFound},
      {"t.ini", "s", "k", HostCall::kRead, kFailed},
      {"t.ini", "s", "k", HostCall::kOpen, kFailed},
      {"t.ini", "s", "x", HostCall::kRead, kFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.file << " [" << c.section << "] " << c.key);
    FaultyHost faulty;
    ScopedHost in_use(faulty);
    if (c.fails) faulty.FailCall(*c.fails, 1);
    Text value = "stale";
    const Lookup read = profile::ReadValue(folder.Path(c.file), c.section, c.key, &value);
    EXPECT_EQ(read.found(), c.answer == kFound);
    EXPECT_EQ(read.not_found(), c.answer == kNotFound);
    EXPECT_EQ(read.failed(), c.answer == kFailed);
    EXPECT_EQ(value, c.answer == kFound ? "value" : "");
    if (c.answer == kFailed) {
      EXPECT_NE(read.status().message().find("injected failure"), std::string::npos);
    }
  }
}

TEST(ProfileFaultTest, EachWriteIsForcedToDiskUnlessTheCallerDoesIt) {
  TempFolder folder;
  FaultyHost counting;
  ScopedHost in_use(counting);
  ASSERT_TRUE(WriteProfileValue(folder.Path("t.ini"), "s", "a", "1"));
  EXPECT_EQ(counting.Calls(HostCall::kSync), 1);
  EXPECT_EQ(counting.Calls(HostCall::kPutInPlace), 1);
  // Edited in place: no flush, no temporary file renamed over it.
  for (const auto& [key, value] : {std::pair{"b", "2"}, {"a", "one"}, {"c", ""}}) {
    ASSERT_TRUE(WriteProfileValue(folder.Path("t.ini"), "s", key, value, ProfileSync::kByCaller));
  }
  EXPECT_EQ(counting.Calls(HostCall::kSync), 1);
  EXPECT_EQ(counting.Calls(HostCall::kPutInPlace), 1);
  EXPECT_EQ(folder.Read("t.ini"), "[s]\r\na=one\r\nb=2\r\nc=\r\n");
  // A shorter text leaves no bytes of the longer one behind.
  ASSERT_TRUE(WriteProfileValue(folder.Path("t.ini"), "s", "a", "", ProfileSync::kByCaller));
  EXPECT_EQ(folder.Read("t.ini"), "[s]\r\na=\r\nb=2\r\nc=\r\n");
}

}  // namespace
}  // namespace inicrypt
