// Special folders on Linux, with the environment pointed at a temporary home.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "host/host.h"
#include "test_support.h"

namespace inicrypt::testing {
namespace {

using SpecialFolderTest = HostTest;
INSTANTIATE_TEST_SUITE_P(Hosts, SpecialFolderTest, ::testing::ValuesIn(kDiskHosts), HostName);

// HOME set to the temporary folder; XDG_*, TMPDIR as given (nullopt: unset).
struct Environment {
  Environment(const std::string& home, std::optional<std::string> config,
              std::optional<std::string> data, std::optional<std::string> tmp)
      : home_("HOME", home),
        config_("XDG_CONFIG_HOME", std::move(config)),
        data_("XDG_DATA_HOME", std::move(data)),
        tmp_("TMPDIR", std::move(tmp)) {}
  ScopedEnv home_, config_, data_, tmp_;
};

TEST_P(SpecialFolderTest, DefaultsUnderHome) {
  INICRYPT_POSIX_ONLY();
  const std::string h = dir_.path().string();
  Environment env(h, std::nullopt, std::nullopt, std::nullopt);
  const std::map<int, std::string> expected = {
      {0, ""},
      {1, h + "/Documents/"},
      {2, h + "/"},
      {3, h + "/Desktop/"},
      {4, h + "/.local/share/fonts/"},
      {5, h + "/.local/share/applications/"},
      {6, h + "/.local/share/applications/"},
      {7, h + "/.config/autostart/"},
      {8, h + "/.local/share/"},
      {9, h + "/.config/"},
      {10, "/etc/"},
      {11, "/tmp/"},
      {12, ""},
      {-1, ""},
  };
  for (const auto& [kind, folder] : expected) {
    EXPECT_EQ(host().GetSpecialFolder(kind), folder) << "kind " << kind;
  }
}

TEST_P(SpecialFolderTest, XdgVariablesAndUserDirs) {
  INICRYPT_POSIX_ONLY();
  const std::string h = dir_.path().string();
  Environment env(h, h + "/cfg", h + "/data", h + "/tmp/");
  std::filesystem::create_directory(dir_.path() / "cfg");
  WriteAll(dir_.path() / "cfg/user-dirs.dirs",
           "# written by a tool\n"
           "XDG_DESKTOP_DIR=\"$HOME/\xE6\xA1\x8C\xE9\x9D\xA2\"\n"  // 桌面
           "  XDG_DOCUMENTS_DIR=\"/srv/docs\"\n"
           "XDG_MUSIC_DIR=\"$HOME/Music\"\n");
  EXPECT_EQ(host().GetSpecialFolder(3), h + "/\xD7\xC0\xC3\xE6/");  // 桌面 in code page 936
  EXPECT_EQ(host().GetSpecialFolder(1), "/srv/docs/");
  EXPECT_EQ(host().GetSpecialFolder(4), h + "/data/fonts/");
  EXPECT_EQ(host().GetSpecialFolder(7), h + "/cfg/autostart/");
  EXPECT_EQ(host().GetSpecialFolder(8), h + "/data/");
  EXPECT_EQ(host().GetSpecialFolder(9), h + "/cfg/");
  EXPECT_EQ(host().GetSpecialFolder(11), h + "/tmp/");  // no second separator
  // 誠 (D5 5C in code page 936) ends the folder: its second byte is no
  // separator, so the folder still gets its own.
  ScopedEnv trail("XDG_DATA_HOME", h + "/\xE8\xAA\xA0");
  EXPECT_EQ(host().GetSpecialFolder(8), h + "/\xD5\x5C/");
}

TEST_P(SpecialFolderTest, RelativeXdgValuesAreIgnored) {
  INICRYPT_POSIX_ONLY();
  const std::string h = dir_.path().string();
  Environment env(h, "relative/cfg", "", "relative/tmp");
  EXPECT_EQ(host().GetSpecialFolder(9), h + "/.config/");
  EXPECT_EQ(host().GetSpecialFolder(8), h + "/.local/share/");
  EXPECT_EQ(host().GetSpecialFolder(11), "/tmp/");
}

TEST_P(SpecialFolderTest, WithoutHomeThePasswordDatabaseTells) {
  INICRYPT_POSIX_ONLY();
  ScopedEnv no_home("HOME", std::nullopt);
  Text home = host().GetSpecialFolder(2);
  ASSERT_FALSE(home.empty());
  EXPECT_EQ(home.front(), '/');
  EXPECT_EQ(home.back(), '/');
}

TEST_P(SpecialFolderTest, FolderWithNoCodePage936FormIsEmpty) {
  INICRYPT_POSIX_ONLY();
  const std::string h = dir_.path().string() + "/\xF0\x9F\x98\x80";  // U+1F600
  Environment env(h, std::nullopt, std::nullopt, std::nullopt);
  EXPECT_EQ(host().GetSpecialFolder(2), "");
  EXPECT_EQ(host().GetSpecialFolder(9), "");
  EXPECT_EQ(host().GetSpecialFolder(10), "/etc/");
}

TEST_P(SpecialFolderTest, WindowsFoldersEndInOneSeparator) {
  if (kPosix) GTEST_SKIP() << "Windows only";
  const Text windows = host().GetSpecialFolder(9);
  ASSERT_GE(windows.size(), 4u);
  EXPECT_EQ(windows.substr(1, 2), ":\\");
  EXPECT_EQ(windows.back(), '\\');
  EXPECT_NE(windows[windows.size() - 2], '\\');
  // The system's own folder lies inside the Windows folder.
  EXPECT_EQ(host().GetSpecialFolder(10).substr(0, windows.size()), windows);
  // The temporary folder comes with its "\" and gets no second one.
  const Text temp = host().GetSpecialFolder(11);
  ASSERT_GE(temp.size(), 4u);
  EXPECT_NE(temp.substr(temp.size() - 2), "\\\\");
  EXPECT_EQ(host().GetPathKind(temp), PathKind::kFolder);
  for (int kind : {1, 3, 8}) {
    const Text folder = host().GetSpecialFolder(kind);
    ASSERT_FALSE(folder.empty()) << kind;
    EXPECT_EQ(folder.back(), '\\') << kind;
  }
  for (int kind : {0, 12, -1}) {
    EXPECT_EQ(host().GetSpecialFolder(kind), "") << kind;
  }
}

}  // namespace
}  // namespace inicrypt::testing
