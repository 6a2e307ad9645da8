#include "base/paths.h"

#include <gtest/gtest.h>

namespace inicrypt {
namespace {

// 誠 is D5 5C in code page 936: its trail byte 0x5C is no separator.
const Text kTrail5C = "\xD5\x5C";

TEST(PathsTest, SeparatorsCountOnlyWhereACharacterStarts) {
  struct Case {
    Text path;
    Text folder;   // FolderPart
    Text name;     // NamePart
    Text trimmed;  // WithoutTrailingSeparators
  } cases[] = {
      {"a/b\\c", "a/b\\", "c", "a/b\\c"},
      {"name", "", "name", "name"},
      {"", "", "", ""},
      {"/", "/", "", ""},
      {"a//", "a//", "", "a"},
      {ConcatTexts("/x/", kTrail5C), "/x/", kTrail5C, ConcatTexts("/x/", kTrail5C)},
      {ConcatTexts("/x/", kTrail5C, "/"), ConcatTexts("/x/", kTrail5C, "/"), "",
       ConcatTexts("/x/", kTrail5C)},
      {ConcatTexts(kTrail5C, "a"), "", ConcatTexts(kTrail5C, "a"), ConcatTexts(kTrail5C, "a")},
      // "/" cannot be a second byte: after a stray lead byte it separates.
      {"a\xB0/b", "a\xB0/", "b", "a\xB0/b"},
      {"a\xB0//", "a\xB0//", "", "a\xB0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
    EXPECT_EQ(NamePart(c.path), c.name) << c.path;
    EXPECT_EQ(WithoutTrailingSeparators(c.path), c.trimmed) << c.path;
    EXPECT_EQ(HasPathSeparator(c.path), !c.folder.empty()) << c.path;
    EXPECT_EQ(EndsWithPathSeparator(c.path), c.name.empty() && !c.folder.empty()) << c.path;
  }
  EXPECT_EQ(LastPathSeparator(ConcatTexts("a\\", kTrail5C)), 1u);
  EXPECT_EQ(JoinPath(ConcatTexts("/x/", kTrail5C), "config.ini"),
            ConcatTexts("/x/", kTrail5C, std::string(1, PathSeparator()), "config.ini"));
}

}  // namespace
}  // namespace inicrypt
