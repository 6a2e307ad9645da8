// One-value reads and writes of plain INI files over the profile service.
#include "profile/values.h"

#include "base/paths.h"
#include "host/folders.h"
#include "profile/profile.h"

namespace inicrypt {
namespace {

// text without its leading bytes 0x01-0x20.
std::string_view SkipControlBytes(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) - 1u < 0x20u) ++i;
  return text.substr(i);
}

// The path the profile service is given: a bare file name lies in the
// folder of kind 9 (which ends in a separator).
Status ProfilePath(std::string_view path, Text* full_path) {
  if (HasPathSeparator(path)) {
    *full_path = Text(path);
    return Status::Ok();
  }
  const Text folder = SpecialFolder(FolderKind::kIniFiles);
  if (folder.empty()) {
    return Status::Error(ConcatTexts("profile: no folder for the bare file name ", path));
  }
  *full_path = ConcatTexts(folder, path);
  return Status::Ok();
}

}  // namespace

Lookup profile::ReadValue(std::string_view path, std::string_view section, std::string_view key,
                          Text* value) {
  value->clear();
  path = SkipControlBytes(path);
  section = SkipControlBytes(section);
  key = SkipControlBytes(key);
  if (path.empty() || section.empty() || key.empty()) return Lookup::NotFound();
  Text full_path;
  if (Status status = ProfilePath(path, &full_path); !status.ok()) return Lookup::Failed(status);
  return ProfileGetString(full_path, section, key, value);
}

Status profile::WriteValue(std::string_view path, std::string_view section, std::string_view key,
                           std::string_view value, ProfileSync sync) {
  if (path.empty()) return Status::Error("profile: empty path");
  Text full_path;
  if (Status status = ProfilePath(path, &full_path); !status.ok()) return status;
  return ProfileWriteString(full_path, section, key, value, sync == ProfileSync::kEachWrite);
}

Text ReadProfileValue(std::string_view path, std::string_view section, std::string_view key,
                      std::string_view default_value) {
  if (SkipControlBytes(path).empty() || SkipControlBytes(section).empty() ||
      SkipControlBytes(key).empty()) {
    return {};
  }
  Text value;
  if (profile::ReadValue(path, section, key, &value).found()) return value;
  return ProfileGetString({}, {}, {}, default_value);  // the default as the service gives it
}

bool WriteProfileValue(std::string_view path, std::string_view section, std::string_view key,
                       std::string_view value, ProfileSync sync) {
  return profile::WriteValue(path, section, key, value, sync).ok();
}

}  // namespace inicrypt
