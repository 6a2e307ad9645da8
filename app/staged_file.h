// A new version of a file, built under a temporary name in the same folder
// and put in the file's place by one rename, so that a failure or a crash
// halfway leaves the old file whole.
#pragma once

#include <string_view>

#include "base/status.h"
#include "base/text.h"

namespace inicrypt {

class StagedFile {
 public:
  explicit StagedFile(std::string_view target);
  ~StagedFile();  // Discard() unless committed
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Creates the temporary file, empty or, with copy_target, holding the
  // target's bytes when the target exists. It is removed if the process is
  // interrupted before Commit or Discard.
  [[nodiscard]] Status Create(bool copy_target);
  // The temporary file's path, valid after Create.
  const Text& path() const { return temp_; }

  // Forces the temporary file to disk, gives it the target's permission
  // bits when the target exists, and renames it over the target.
  [[nodiscard]] Status Commit();
  // Removes the temporary file; the target is untouched.
  void Discard();

 private:
  Text target_;
  Text temp_;
  bool pending_ = false;
};

}  // namespace inicrypt
