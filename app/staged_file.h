// A new version of a file, built in a temporary file beside it and put in
// the file's place by one rename (host/replace.h), so that a failure or a
// crash halfway leaves the old file whole.
#pragma once

#include <string_view>

#include "base/status.h"
#include "base/text.h"
#include "host/replace.h"

namespace inicrypt {

class StagedFile {
 public:
  explicit StagedFile(std::string_view target, ReplaceRules rules = {});
  ~StagedFile();  // Discard() unless committed
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Creates the temporary file (readable by its owner only), empty or, with
  // copy_target, holding the target's bytes when the target exists. It
  // leaves no file behind if the process ends before Commit.
  [[nodiscard]] Status Create(bool copy_target);
  // A path by which the temporary file can be opened, valid after Create.
  const Text& path() const { return replacement_.path(); }

  // Forces the temporary file to disk, gives it the target's owner and
  // permission bits (a new target the rules' mode), and renames it over the
  // target.
  [[nodiscard]] Status Commit();
  // Removes the temporary file; the target is untouched.
  void Discard();

 private:
  Replacement replacement_;
};

}  // namespace inicrypt
