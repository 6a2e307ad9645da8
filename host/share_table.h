// Share modes between the openers of one file inside this process, as the
// host enforces them: an open is refused when its access is denied by the
// share mode of an opener that still has the file open, or when its own
// share mode denies an access such an opener holds.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

#include "host/host.h"

namespace inicrypt {

inline bool Reads(FileAccess access) { return access != FileAccess::kWrite; }
inline bool Writes(FileAccess access) { return access != FileAccess::kRead; }
inline bool DeniesRead(FileShare share) {
  return share == FileShare::kDenyRead || share == FileShare::kDenyReadWrite;
}
inline bool DeniesWrite(FileShare share) {
  return share == FileShare::kDenyWrite || share == FileShare::kDenyReadWrite;
}

// The openers of every open file, keyed by its identity. Thread-safe.
class ShareTable {
 public:
  // Adds an opener unless it conflicts with one that is there; false then.
  [[nodiscard]] bool Acquire(FileId id, FileAccess access, FileShare share);
  // Removes an opener that Acquire added.
  void Release(FileId id, FileAccess access, FileShare share);

 private:
  struct Counts {
    int openers = 0, readers = 0, writers = 0, deny_read = 0, deny_write = 0;
  };
  static void Add(Counts& c, FileAccess access, FileShare share, int step);

  std::mutex mutex_;
  std::map<std::pair<uint64_t, uint64_t>, Counts> files_;
};

}  // namespace inicrypt
