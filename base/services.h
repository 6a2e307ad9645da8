// Host services: the run directory, special folders, whole-file operations,
// one-value reads and writes of plain INI files, and letting pending window
// events run. Each is a thin operation over the host (host.h); none keeps
// state apart from the run directory and the event pump. Paths may use "\"
// or "/" as separator; the host maps them to its own.
#pragma once

#include <functional>
#include <initializer_list>
#include <string_view>

#include "base/status.h"
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

// The folder of a kind from 1 to 11 as the host names it, always ending in a
// separator (the host's own is appended when the last character is neither
// "\" nor "/"). The empty text for any other kind and when the host has no
// such folder. Kind 3 is the user's desktop, kind 9 the folder a path without
// any separator is taken from.
Text SpecialFolder(int kind);

// True for an existing file or folder; false for the empty path and on any
// failure. Wildcards are ordinary characters.
bool FileExists(std::string_view path);
// True when the file was deleted; a folder is never deleted.
bool DeleteFileAt(std::string_view path);
// Creates the file, or empties it when it exists, for writing only and
// shared with nobody while open, writes each non-empty block in order as one
// write, and closes it. True when every write and the close succeeded. False
// for the empty path, when the file cannot be created, or when a write or the
// close fails; what was written before the failure stays in the file, which
// is closed on every way out.
[[nodiscard]] bool WriteBytesToFile(std::string_view path,
                                    std::initializer_list<std::string_view> blocks);

// The one-value reads and writes of plain INI files through the profile
// service (profile.h). A path with no "\" or "/" names the file of that name
// in SpecialFolder(9), the file the INI reader opens for it.
enum class ProfileSync { kEachWrite, kByCaller };

namespace profile {

// Looks up key in section of the plain INI file at path. Leading bytes
// 0x01-0x20 of path, section and key are passed over first. Found: *value
// holds at most 10239 bytes of the value. Not found: the file, section or key
// is missing, or path, section or key is empty. Failed: the file cannot be
// read, or a bare name was given and SpecialFolder(9) is unknown.
Lookup ReadValue(std::string_view path, std::string_view section, std::string_view key,
                 Text* value);

// Sets key in section of the plain INI file at path to value, creating the
// file when it is missing (its folder must exist); every other pair stays as
// it was. Fails when the file cannot be written, the old file then left
// whole, and refuses what profile.h refuses. kByCaller is for a file being
// built under a temporary name whose owner forces it to disk once when it is
// complete: the file is edited in place, not replaced, and nothing is
// flushed; a failure may leave it half written.
[[nodiscard]] Status WriteValue(std::string_view path, std::string_view section,
                                std::string_view key, std::string_view value,
                                ProfileSync sync = ProfileSync::kEachWrite);

}  // namespace profile

// The value profile::ReadValue finds; when it finds none, or fails, the
// default with its trailing spaces removed. When path, section or key is
// empty after the leading bytes 0x01-0x20 the result is the empty text,
// default or not, and the file is not read.
Text ReadProfileValue(std::string_view path, std::string_view section, std::string_view key,
                      std::string_view default_value = {});
// profile::WriteValue; false on failure.
[[nodiscard]] bool WriteProfileValue(std::string_view path, std::string_view section,
                                     std::string_view key, std::string_view value,
                                     ProfileSync sync = ProfileSync::kEachWrite);

// Runs the window's pending events to completion through the installed pump
// and returns as soon as none is pending; a quit request stays for the main
// loop. With no pump installed it returns at once.
void ProcessEvents();
// The window installs its pump here; an empty function removes it. The pump
// may be replaced from inside a call of it.
void SetEventPump(std::function<void()> pump);

}  // namespace inicrypt
