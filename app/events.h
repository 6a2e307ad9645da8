// Letting the window's pending events run while a job works.
#pragma once

#include <functional>

namespace inicrypt {

// Runs the window's pending events to completion through the installed pump
// and returns as soon as none is pending; a quit request stays for the main
// loop. With no pump installed it returns at once.
void ProcessEvents();
// The window installs its pump here; an empty function removes it. The pump
// may be replaced from inside a call of it.
void SetEventPump(std::function<void()> pump);

}  // namespace inicrypt
