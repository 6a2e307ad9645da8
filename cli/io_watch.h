// Watches the host while an operation runs and keeps the first failed file
// call. Some layers report nothing when a write fails halfway (the INI writer
// answers true once its file is open, the profile service's callers ignore
// its result), so a command that must not put a damaged result in place
// checks the watch before it commits.
#pragma once

#include <memory>

#include "base/status.h"

namespace inicrypt::cli {

class IoWatch {
 public:
  // Puts a watching host in place over the host in use, until destruction.
  IoWatch();
  ~IoWatch();
  IoWatch(const IoWatch&) = delete;
  IoWatch& operator=(const IoWatch&) = delete;

  // OK while no watched call has failed; else the first failure. Watched:
  // opening, reading, writing, seeking, ending, syncing and closing files,
  // renaming, setting permission bits.
  const Status& failure() const;

 private:
  class Watcher;
  std::unique_ptr<Watcher> watcher_;
};

}  // namespace inicrypt::cli
