// The special folders the host knows, as the system uses them.
#pragma once

#include "base/text.h"

namespace inicrypt {

// The well-known folders, numbered as the host numbers them.
enum class FolderKind : int {
  kDocuments = 1,
  kFavourites = 2,
  kDesktop = 3,  // where the open-file dialog starts
  kFonts = 4,
  kStartMenu = 5,
  kPrograms = 6,
  kStartup = 7,
  kAppData = 8,
  kIniFiles = 9,  // where a path without any separator is taken from
  kSystem = 10,
  kTemporary = 11,
};

// The folder of a kind as the host names it, always ending in a separator
// (the host's own is appended when the last character is neither "\" nor
// "/"). The empty text when the host has no such folder or cannot tell.
Text SpecialFolder(FolderKind kind);
// The same by number; the empty text for a number outside 1..11.
Text SpecialFolder(int kind);

}  // namespace inicrypt
