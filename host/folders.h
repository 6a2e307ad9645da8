// The special folders the host knows, as the system uses them.
#pragma once

#include "base/text.h"

namespace inicrypt {

// The folder of a kind from 1 to 11 as the host names it, always ending in a
// separator (the host's own is appended when the last character is neither
// "\" nor "/"). The empty text for any other kind and when the host has no
// such folder. Kind 3 is the user's desktop, kind 9 the folder a path without
// any separator is taken from.
Text SpecialFolder(int kind);

}  // namespace inicrypt
