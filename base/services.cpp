// Host services over the host seam.
#include "base/services.h"

#include <memory>
#include <utility>

#include "base/host.h"
#include "base/profile.h"

namespace inicrypt {
namespace {

constexpr size_t kNone = std::string_view::npos;

Text& RunDirectoryState() {
  static Text folder;
  return folder;
}

std::function<void()>& EventPump() {
  static std::function<void()> pump;
  return pump;
}

// path less the separators at its end.
std::string_view WithoutTrailingSeparators(std::string_view path) {
  while (!path.empty() && LastPathSeparator(path) == path.size() - 1) path.remove_suffix(1);
  return path;
}

// text without its leading bytes 0x01-0x20.
std::string_view SkipControlBytes(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) - 1u < 0x20u) ++i;
  return text.substr(i);
}

// The path the profile service is given: a bare file name lies in the
// folder of kind 9 (which ends in a separator).
Status ProfilePath(std::string_view path, Text* full_path) {
  if (LastPathSeparator(path) != kNone) {
    *full_path = Text(path);
    return Status::Ok();
  }
  const Text folder = SpecialFolder(9);
  if (folder.empty()) {
    return Status::Error(ConcatTexts("profile: no folder for the bare file name ", path));
  }
  *full_path = ConcatTexts(folder, path);
  return Status::Ok();
}

}  // namespace

bool InitRunDirectory() {
  Text program;
  if (!GetHost().GetProgramPath(&program).ok()) {
    RunDirectoryState().clear();
    return false;
  }
  const size_t separator = LastPathSeparator(program);
  if (separator == kNone) {
    RunDirectoryState().clear();
    return false;
  }
  // The root folder keeps its separator so that it can be made current.
  return SetRunDirectory(std::string_view(program).substr(0, separator == 0 ? 1 : separator));
}

bool SetRunDirectory(std::string_view folder) {
  RunDirectoryState() = Text(WithoutTrailingSeparators(folder));
  return !folder.empty() && GetHost().SetCurrentFolder(folder).ok();
}

Text RunDirectory() { return RunDirectoryState(); }

Text SpecialFolder(int kind) {
  if (kind < 1 || kind > 11) return {};
  Text folder = GetHost().GetSpecialFolder(kind);
  if (!folder.empty() && LastPathSeparator(folder) != folder.size() - 1) {
    folder += PathSeparator();
  }
  return folder;
}

bool FileExists(std::string_view path) {
  return !path.empty() && GetHost().GetPathKind(path) != PathKind::kMissing;
}

bool DeleteFileAt(std::string_view path) {
  return !path.empty() && GetHost().DeleteFile(path).ok();
}

bool WriteBytesToFile(std::string_view path, std::initializer_list<std::string_view> blocks) {
  if (path.empty()) return false;
  std::unique_ptr<HostFile> file;
  if (!GetHost()
           .OpenFile(path, FileAccess::kWrite, FileShare::kDenyReadWrite,
                     FileCreation::kCreateAlways, &file)
           .ok()) {
    return false;
  }
  bool ok = true;
  for (std::string_view block : blocks) {
    if (!block.empty() && !file->Write(block.data(), block.size()).ok()) {
      ok = false;
      break;
    }
  }
  return file->Close().ok() && ok;
}

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

void ProcessEvents() {
  // A copy, so that a pump that replaces itself keeps running to its end.
  const std::function<void()> pump = EventPump();
  if (pump) pump();
}

void SetEventPump(std::function<void()> pump) { EventPump() = std::move(pump); }

}  // namespace inicrypt
