#include "app/run_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "host/faulty_host.h"
#include "tests/support/app_support.h"

namespace inicrypt {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Points the per-user data folder into a temporary folder for one test.
class RunFolderTest : public ::testing::Test {
 protected:
  testing::TempRunDirectory run_;
  Text data_home_ = run_.File("data/home");
  testing::ScopedEnv data_home_env_{"XDG_DATA_HOME", data_home_};
};

TEST_F(RunFolderTest, ProgramFolderWhereFilesCanBeCreated) {
  std::filesystem::create_directory(run_.File("bin"));
  EXPECT_EQ(PickRunDirectory(run_.File("bin")), run_.File("bin"));
  EXPECT_THAT(testing::NamesIn(run_.File("bin")), IsEmpty());  // no probe left
  EXPECT_FALSE(testing::Exists(data_home_));
}

TEST_F(RunFolderTest, PerUserFolderOtherwiseCreatedOnDemand) {
  testing::WriteFileBytes(run_.File("file"), "x");
  FaultyHost refuses_files;
  refuses_files.FailCall(HostCall::kCreateTemporary, 1);
  struct Case {
    const char* what;
    Text program_folder;
    Host* host;
  } cases[] = {
      {"missing folder", run_.File("gone"), &PlatformHost()},
      {"a file, no folder", run_.File("file"), &PlatformHost()},
      {"no file can be created", run_.path(), &refuses_files},
  };
  for (const Case& c : cases) {
    ScopedHost in_use(*c.host);
    EXPECT_EQ(PickRunDirectory(c.program_folder), data_home_ + "/inicrypt") << c.what;
    EXPECT_TRUE(std::filesystem::is_directory(data_home_ + "/inicrypt")) << c.what;
  }
}

TEST_F(RunFolderTest, PerUserFolderEndingInATrailByteThatLooksLikeABackslash) {
  // 誠 is D5 5C in code page 936: its second byte is no separator to strip.
  const Text data_home = run_.File("\xD5\x5C");
  testing::ScopedEnv env{"XDG_DATA_HOME", testing::Native(data_home).string()};
  EXPECT_EQ(PickRunDirectory(run_.File("gone")), data_home + "/inicrypt");
  EXPECT_TRUE(std::filesystem::is_directory(testing::Native(data_home + "/inicrypt")));
}

}  // namespace
}  // namespace inicrypt
