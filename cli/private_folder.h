// A private place for plain text that has to be a file for a while (the copy
// an editor works on, stdin handed to the INI functions): a fresh folder in
// the folder for temporary files that only its owner may enter (0700), with
// files only its owner may read (0600). The files and the folder are removed
// on every way out, termination signals included.
#pragma once

#include <string_view>
#include <vector>

#include "base/status.h"
#include "base/text.h"
#include "cli/command.h"

namespace inicrypt::cli {

class PrivateFolder {
 public:
  // A folder whose removal, when it fails, is warned about by invocation.
  explicit PrivateFolder(const Invocation& invocation) : invocation_(invocation) {}
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // Makes the folder (once; later calls do nothing).
  [[nodiscard]] Status Create();

  // Removes the private folders, and the files in them, that runs of this
  // user's which have ended without cleaning up (killed) left in the folder
  // for temporary files. Only folders of this tool's own naming are touched.
  static void RemoveLeftovers();

  // Creates the file name in the folder (made on demand) with mode 0600 and
  // bytes as its content; *path is where it lies. The file is removed with
  // the folder.
  [[nodiscard]] Status AddFile(std::string_view name, std::string_view bytes, Text* path);

  // Removes the files and the folder now (done by the destructor too); when
  // something stays (an editor may have left a file of its own there), says
  // so on stderr.
  void Remove();

  const Text& folder() const { return folder_; }

 private:
  const Invocation& invocation_;
  Text folder_;
  std::vector<Text> files_;
};

}  // namespace inicrypt::cli
