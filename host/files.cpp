// Whole-file operations over the host seam.
#include "host/files.h"

#include <memory>

#include "host/host.h"

namespace inicrypt {

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

}  // namespace inicrypt
