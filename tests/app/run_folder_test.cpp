#include "app/run_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "base/paths.h"
#include "host/faulty_host.h"
#include "host/host.h"
#include "tests/support/app_support.h"

namespace inicrypt {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The platform's host with the per-user data folder (kind 8) put elsewhere.
class DataHomeHost : public HostWrapper {
 public:
  explicit DataHomeHost(Text folder) : HostWrapper(PlatformHost()), folder_(std::move(folder)) {}
  Text GetSpecialFolder(int kind) override {
    return kind == 8 ? folder_ + PathSeparator() : target().GetSpecialFolder(kind);
  }

 private:
  Text folder_;
};

// Points the per-user data folder into a temporary folder for one test.
class RunFolderTest : public ::testing::Test {
 protected:
  testing::TempRunDirectory run_;
  Text data_home_ = run_.File("data") + PathSeparator() + "home";
  DataHomeHost data_host_{data_home_};
  ScopedHost in_use_{data_host_};
};

TEST_F(RunFolderTest, ProgramFolderWhereFilesCanBeCreated) {
  std::filesystem::create_directory(run_.File("bin"));
  EXPECT_EQ(PickRunDirectory(run_.File("bin")), run_.File("bin"));
  EXPECT_THAT(testing::NamesIn(run_.File("bin")), IsEmpty());  // no probe left
  EXPECT_FALSE(testing::Exists(data_home_));
}

TEST_F(RunFolderTest, PerUserFolderOtherwiseCreatedOnDemand) {
  testing::WriteFileBytes(run_.File("file"), "x");
  FaultyHost refuses_files(data_host_);
  refuses_files.FailCall(HostCall::kCreateTemporary, 1);
  struct Case {
    const char* what;
    Text program_folder;
    Host* host;
  } cases[] = {
      {"missing folder", run_.File("gone"), &data_host_},
      {"a file, no folder", run_.File("file"), &data_host_},
      {"no file can be created", run_.path(), &refuses_files},
  };
  for (const Case& c : cases) {
    ScopedHost in_use(*c.host);
    const Text user_folder = data_home_ + PathSeparator() + "inicrypt";
    EXPECT_EQ(PickRunDirectory(c.program_folder), user_folder) << c.what;
    EXPECT_TRUE(std::filesystem::is_directory(user_folder)) << c.what;
  }
}

TEST_F(RunFolderTest, PerUserFolderEndingInATrailByteThatLooksLikeABackslash) {
  // 誠 is D5 5C in code page 936: its second byte is no separator to strip.
  const Text data_home = run_.File("\xD5\x5C");
  DataHomeHost data_host(data_home);
  ScopedHost in_use(data_host);
  const Text user_folder = data_home + PathSeparator() + "inicrypt";
  EXPECT_EQ(PickRunDirectory(run_.File("gone")), user_folder);
  EXPECT_TRUE(std::filesystem::is_directory(testing::Native(user_folder)));
}

}  // namespace
}  // namespace inicrypt
