// Watches the host while an operation runs and keeps the first failed file
// call. Some layers report nothing when a write fails halfway (the INI writer
// answers true once its file is open, the profile service's callers ignore
// its result), so a command that must not put a damaged result in place
// checks the watch before it commits.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "app/convert.h"
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

// Runs one of the window's pair loops (EncryptPairs, DecryptPairs) with the
// host watched. OK when it completed, or found nothing (*outcome tells);
// else the first failed file call, which caused whatever followed, or what
// the loop reported ("cannot read SHOWN" for a source that did not open).
[[nodiscard]] Status RunPairLoop(const std::function<ConvertResult()>& loop, std::string_view shown,
                                 ConvertOutcome* outcome);

}  // namespace inicrypt::cli
