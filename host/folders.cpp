// Special folders over the host seam.
#include "host/folders.h"

#include "base/paths.h"
#include "host/host.h"

namespace inicrypt {

Text SpecialFolder(FolderKind kind) {
  Text folder = GetHost().GetSpecialFolder(static_cast<int>(kind));
  if (!folder.empty() && !EndsWithPathSeparator(folder)) {
    folder += PathSeparator();
  }
  return folder;
}

Text SpecialFolder(int kind) {
  if (kind < 1 || kind > 11) return {};
  return SpecialFolder(static_cast<FolderKind>(kind));
}

}  // namespace inicrypt
