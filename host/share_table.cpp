#include "host/share_table.h"

namespace inicrypt {

bool ShareTable::Acquire(FileId id, FileAccess access, FileShare share) {
  std::lock_guard lock(mutex_);
  Counts& c = files_[{id.device, id.inode}];
  const bool conflict = (Reads(access) && c.deny_read > 0) ||
                        (Writes(access) && c.deny_write > 0) ||
                        (DeniesRead(share) && c.readers > 0) || (DeniesWrite(share) && c.writers > 0);
  if (conflict) {
    if (c.openers == 0) files_.erase({id.device, id.inode});
    return false;
  }
  Add(c, access, share, 1);
  return true;
}

void ShareTable::Release(FileId id, FileAccess access, FileShare share) {
  std::lock_guard lock(mutex_);
  auto it = files_.find({id.device, id.inode});
  if (it == files_.end()) return;
  Add(it->second, access, share, -1);
  if (it->second.openers == 0) files_.erase(it);
}

void ShareTable::Add(Counts& c, FileAccess access, FileShare share, int step) {
  c.openers += step;
  if (Reads(access)) c.readers += step;
  if (Writes(access)) c.writers += step;
  if (DeniesRead(share)) c.deny_read += step;
  if (DeniesWrite(share)) c.deny_write += step;
}

}  // namespace inicrypt
