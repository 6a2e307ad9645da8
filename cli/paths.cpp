#include "cli/paths.h"

#include <random>

#include "base/cp936.h"
#include "cli/console.h"
#include "host/host.h"

namespace inicrypt::cli {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Byte index just after the last separator, or 0 when there is none.
size_t AfterLastSeparator(std::string_view path) {
  size_t after = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i]))) {
      ++i;  // the trail byte is never a separator
    } else if (IsSeparator(path[i])) {
      after = i + 1;
    }
  }
  return after;
}

}  // namespace

bool IsAbsolutePath(std::string_view path) { return !path.empty() && IsSeparator(path[0]); }

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
  if (folder.empty() || !IsSeparator(folder.back())) folder += PathSeparator();
  *path = folder + converted;
  return Status::Ok();
}

Text BaseName(std::string_view path) { return Text(path.substr(AfterLastSeparator(path))); }

Text SiblingPath(std::string_view path, std::string_view name) {
  return Text(path.substr(0, AfterLastSeparator(path))) + Text(name);
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
