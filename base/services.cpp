// Host services over the host seam.
#include "base/services.h"

#include <memory>
#include <utility>

#include "base/host.h"
#include "base/paths.h"
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

// text without its leading bytes 0x01-0x20.
std::string_view SkipControlBytes(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) - 1u < 0x20u) ++i;
  return text.substr(i);
}

// The path the profile service is given: a bare file name lies in the
// folder of kind 9 (which ends in a separator); empty when that is unknown.
Text ProfilePath(std::string_view path) {
  if (HasPathSeparator(path)) return Text(path);
  const Text folder = SpecialFolder(9);
  return folder.empty() ? Text() : ConcatTexts(folder, path);
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
  if (!folder.empty() && !EndsWithPathSeparator(folder)) {
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

void ProcessEvents() {
  // A copy, so that a pump that replaces itself keeps running to its end.
  const std::function<void()> pump = EventPump();
  if (pump) pump();
}

void SetEventPump(std::function<void()> pump) { EventPump() = std::move(pump); }

}  // namespace inicrypt
