// The run directory: the folder the window keeps its files in.
#pragma once

#include <string_view>

#include "base/text.h"

namespace inicrypt {

// Fixes the run directory, the folder of the program's own file (the part of
// Host::GetProgramPath before its last separator, found character by
// character) without a trailing separator, and makes that folder the current
// one. A program in the root folder gives the empty run directory, so that
// RunDirectory() + "\config.ini" still names a file there. Called once at
// start. False when the host cannot tell the program's path (the run
// directory is then empty) or the folder cannot be made current.
[[nodiscard]] bool InitRunDirectory();
// Fixes the run directory to folder, less any trailing separators, and makes
// folder the current one (tests, and front ends that keep their files
// elsewhere). False when it cannot be made current; the run directory is
// set all the same.
[[nodiscard]] bool SetRunDirectory(std::string_view folder);
// A copy of the run directory, without a trailing separator; callers join
// it and a file name with a "\" of their own.
Text RunDirectory();

}  // namespace inicrypt
