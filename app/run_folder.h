// Where the window keeps its files. A copy of the program in a folder of the
// user's own works there, beside the program, as the tool always has; an
// installed copy (its folder not writable, e.g. /usr/bin) uses a folder of
// the user's instead, "inicrypt" in SpecialFolder(FolderKind::kAppData) (~/.local/share).
#pragma once

#include <string_view>

#include "base/text.h"

namespace inicrypt {

// The run directory for a program living in program_folder: that folder when
// a file can be created in it, else the per-user folder, created when
// missing. Empty when neither can be used.
Text PickRunDirectory(std::string_view program_folder);

// InitRunDirectory, then PickRunDirectory on its result and SetRunDirectory
// to that. False when no run directory can be had.
[[nodiscard]] bool InitWindowRunDirectory();

}  // namespace inicrypt
