// Special folders over the host seam.
#include "host/folders.h"

#include "base/paths.h"
#include "host/host.h"

namespace inicrypt {

Text SpecialFolder(int kind) {
  if (kind < 1 || kind > 11) return {};
  Text folder = GetHost().GetSpecialFolder(kind);
  if (!folder.empty() && !EndsWithPathSeparator(folder)) {
    folder += PathSeparator();
  }
  return folder;
}

}  // namespace inicrypt
