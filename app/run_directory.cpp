// The run directory over the host seam.
#include "app/run_directory.h"

#include "base/paths.h"
#include "host/host.h"

namespace inicrypt {
namespace {

constexpr size_t kNone = std::string_view::npos;

Text& RunDirectoryState() {
  static Text folder;
  return folder;
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

}  // namespace inicrypt
