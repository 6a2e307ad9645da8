#include "app/run_folder.h"

#include "app/run_directory.h"
#include "app/staged_file.h"
#include "base/paths.h"
#include "host/folders.h"
#include "host/host.h"

namespace inicrypt {
namespace {

constexpr std::string_view kUserFolderName = "inicrypt";

// A file can be created in folder (and is removed again at once).
bool CanCreateFilesIn(std::string_view folder) {
  if (folder.empty() || GetHost().GetPathKind(folder) != PathKind::kFolder) return false;
  StagedFile probe(JoinPath(folder, ".inicrypt-probe"));
  return probe.Create(/*copy_target=*/false).ok();
}

// Creates folder and its missing parents; true when it exists afterwards.
bool MakeFolder(std::string_view folder, int depth = 0) {
  Host& host = GetHost();
  PathKind kind = host.GetPathKind(folder);
  if (kind != PathKind::kMissing) return kind == PathKind::kFolder;
  const size_t cut = LastPathSeparator(folder);
  if (depth > 8 || cut == std::string_view::npos || cut == 0) return false;
  if (!MakeFolder(folder.substr(0, cut), depth + 1)) return false;
  return host.CreatePrivateFolder(folder).ok() || host.GetPathKind(folder) == PathKind::kFolder;
}

}  // namespace

Text PickRunDirectory(std::string_view program_folder) {
  if (CanCreateFilesIn(program_folder)) return Text(program_folder);
  Text base = SpecialFolder(FolderKind::kAppData);
  if (base.empty()) return {};
  Text user_folder = JoinPath(WithoutTrailingSeparators(base), kUserFolderName);
  return MakeFolder(user_folder) ? user_folder : Text();
}

bool InitWindowRunDirectory() {
  if (!InitRunDirectory()) return false;
  Text folder = PickRunDirectory(RunDirectory());
  return !folder.empty() && SetRunDirectory(folder);
}

}  // namespace inicrypt
