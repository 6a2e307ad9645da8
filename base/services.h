// Host services: the run directory, special folders, whole-file operations,
// one-value reads and writes of plain INI files, and letting pending window
// events run. Each is a thin operation over the host (host.h).
#pragma once

#include <functional>
#include <initializer_list>
#include <string_view>

#include "base/text.h"

namespace inicrypt {

// Fixes the run directory, the folder of the program's own file without a
// trailing separator, and makes it the current directory. Called once at
// start; false when the host cannot tell the program's path.
bool InitRunDirectory();
// Fixes the run directory to a given folder and makes it current (tests,
// and front ends that keep their files elsewhere).
bool SetRunDirectory(std::string_view folder);
// A copy of the run directory fixed at start.
Text RunDirectory();

// The folder of a kind, always ending in the separator; empty for a kind the
// host does not know or on failure. Kind 3 is the user's desktop, kind 9 the
// folder a path without any separator is taken from.
Text SpecialFolder(int kind);

// True for an existing file or folder; false for the empty path.
bool FileExists(std::string_view path);
// True when the file was deleted.
bool DeleteFileAt(std::string_view path);
// Creates or truncates the file, shared with nobody while open, and writes
// the blocks in order. True when it was written completely.
bool WriteBytesToFile(std::string_view path, std::initializer_list<std::string_view> blocks);

// The value of key in section of the plain INI file at path, or the default
// (trailing spaces removed) when the file, section or key is missing. Leading
// bytes 0x01-0x20 of path, section and key are passed over; when one of them
// is then empty the result is the empty text.
Text ReadProfileValue(std::string_view path, std::string_view section, std::string_view key,
                      std::string_view default_value = {});
// Sets key in section of the plain INI file at path to value, creating the
// file when it is missing. On failure the old file is left whole.
bool WriteProfileValue(std::string_view path, std::string_view section, std::string_view key,
                       std::string_view value);

// Runs the window's pending events to completion and returns as soon as none
// is pending; a quit request stays for the main loop. With no event pump
// installed it returns at once.
void ProcessEvents();
// The window installs its pump here; an empty function removes it.
void SetEventPump(std::function<void()> pump);

}  // namespace inicrypt
