// A new version of a file, written beside it and put in its place by one
// rename once complete, so that the target is either exactly as it was or
// the whole new version, whatever fails or interrupts the process. The
// temporary file (mode 0600 while it is written) is removed on every way
// out that does not commit, termination signals included.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/status.h"
#include "base/text.h"

namespace inicrypt::cli {

class StagedFile {
 public:
  StagedFile() = default;
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Creates an empty temporary file with a fresh random name in the folder
  // of target. Fails when target names a folder or its folder is missing.
  [[nodiscard]] Status Create(std::string_view target);

  // The temporary file, to be written by path (valid after Create).
  const Text& path() const { return temp_; }

  // Makes bytes the temporary's whole content.
  [[nodiscard]] Status Write(std::string_view bytes);

  // Forces the temporary to stable storage, gives it the target's permission
  // bits (0600 when the target is new) and renames it over the target.
  [[nodiscard]] Status Commit();

 private:
  void Discard();

  Text target_;
  Text temp_;
  bool pending_ = false;
};

// A new file of permission bits 0600.
inline constexpr uint32_t kNewFileMode = 0600;

}  // namespace inicrypt::cli
