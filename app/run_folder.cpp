#include "app/run_folder.h"

#include "app/run_directory.h"
#include "app/staged_file.h"
#include "host/folders.h"
#include "host/host.h"

namespace inicrypt {
namespace {

constexpr std::string_view kUserFolderName = "inicrypt";

Text JoinPath(std::string_view folder, std::string_view name) {
  Text path(folder);
  path += PathSeparator();
  path += name;
  return path;
}

// A file can be created in folder (and is removed again at once).
bool CanCreateFilesIn(std::string_view folder) {
  if (folder.empty() || GetHost().GetPathKind(folder) != PathKind::kFolder) return false;
  StagedFile probe(JoinPath(folder, ".inicrypt-probe"));
  return probe.Create(/*copy_target=*/false).ok();
}

// The folder without its trailing separators.
std::string_view WithoutTrailingSeparator(std::string_view folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) {
    folder.remove_suffix(1);
  }
  return folder;
}

// Creates folder and its missing parents; true when it exists afterwards.
bool MakeFolder(std::string_view folder, int depth = 0) {
  Host& host = GetHost();
  PathKind kind = host.GetPathKind(folder);
  if (kind != PathKind::kMissing) return kind == PathKind::kFolder;
  size_t cut = folder.find_last_of("/\\");
  if (depth > 8 || cut == std::string_view::npos || cut == 0) return false;
  if (!MakeFolder(folder.substr(0, cut), depth + 1)) return false;
  return host.CreatePrivateFolder(folder).ok() || host.GetPathKind(folder) == PathKind::kFolder;
}

}  // namespace

Text PickRunDirectory(std::string_view program_folder) {
  if (CanCreateFilesIn(program_folder)) return Text(program_folder);
  Text base = SpecialFolder(8);
  if (base.empty()) return {};
  Text user_folder = JoinPath(WithoutTrailingSeparator(base), kUserFolderName);
  return MakeFolder(user_folder) ? user_folder : Text();
}

bool InitWindowRunDirectory() {
  if (!InitRunDirectory()) return false;
  Text folder = PickRunDirectory(RunDirectory());
  return !folder.empty() && SetRunDirectory(folder);
}

}  // namespace inicrypt
