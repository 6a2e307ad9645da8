// One-value reads and writes of plain INI files over the profile service.
#include "profile/values.h"

#include "base/paths.h"
#include "host/folders.h"
#include "profile/profile.h"

namespace inicrypt {
namespace {

constexpr size_t kNone = std::string_view::npos;

// text without its leading bytes 0x01-0x20.
std::string_view SkipControlBytes(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) - 1u < 0x20u) ++i;
  return text.substr(i);
}

// The path the profile service is given: a bare file name lies in the
// folder of kind 9 (which ends in a separator); empty when that is unknown.
Text ProfilePath(std::string_view path) {
  if (LastPathSeparator(path) != kNone) return Text(path);
  const Text folder = SpecialFolder(9);
  return folder.empty() ? Text() : ConcatTexts(folder, path);
}

}  // namespace

Text ReadProfileValue(std::string_view path, std::string_view section, std::string_view key,
                      std::string_view default_value) {
  path = SkipControlBytes(path);
  section = SkipControlBytes(section);
  key = SkipControlBytes(key);
  if (path.empty() || section.empty() || key.empty()) return {};
  const Text full_path = ProfilePath(path);
  return ProfileGetString(full_path, section, key, default_value);
}

bool WriteProfileValue(std::string_view path, std::string_view section, std::string_view key,
                       std::string_view value, ProfileSync sync) {
  if (path.empty()) return false;
  const Text full_path = ProfilePath(path);
  return !full_path.empty() &&
         ProfileWriteString(full_path, section, key, value, sync == ProfileSync::kEachWrite);
}

}  // namespace inicrypt
