#include "cli/paths.h"

#include <random>

#include "base/cp936.h"
#include "base/paths.h"
#include "cli/console.h"
#include "host/host.h"

namespace inicrypt::cli {
bool IsAbsolutePath(std::string_view path) { return !path.empty() && IsPathSeparator(path[0]); }

Status ResolvePath(std::string_view typed, Text* path) {
  if (typed.empty()) return Status::Error("an empty path names no file");
  Text converted;
  if (!LocaleToCp936(typed, &converted)) {
    return Status::Error("the path " + EscapeBytes(typed) + " has no code page 936 form");
  }
  if (IsAbsolutePath(converted)) {
    *path = converted;
    return Status::Ok();
  }
  Text folder;
  Status status = GetHost().GetCurrentFolder(&folder);
  if (!status.ok()) return status;
  if (!EndsWithPathSeparator(folder)) folder += PathSeparator();
  *path = folder + converted;
  return Status::Ok();
}

Text BaseName(std::string_view path) { return Text(NamePart(path)); }

Text SiblingPath(std::string_view path, std::string_view name) {
  return ConcatTexts(FolderPart(path), name);
}

Text RandomLetters(int count) {
  static std::mt19937 generator{std::random_device{}()};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  Text letters;
  for (int i = 0; i < count; ++i) letters += kLetters[pick(generator)];
  return letters;
}

}  // namespace inicrypt::cli
