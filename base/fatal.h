// Fatal errors end the process with exit code -1 after the error has been
// shown to the user. The text shown is built by FatalErrorText; how it is
// shown is up to the front end (the window shows a box, the command line
// prints it), which installs a handler at start.
#pragma once

#include <optional>
#include <string_view>

#include "base/text.h"

namespace inicrypt {

// The box text: "运行时出错!" CR LF CR LF, then "错误代码：" code CR LF CR LF when
// there is a code, then "错误信息：" message CR LF when there is a message.
Text FatalErrorText(std::optional<int> code, std::string_view message);

// Called with the box text (code page 936); must return once the user has
// seen it. The default handler writes the text to stderr.
using FatalHandler = void (*)(const Text& box_text);
void SetFatalHandler(FatalHandler handler);

// Shows the error through the handler, then exits the process with -1.
[[noreturn]] void FatalError(std::optional<int> code, std::string_view message);

}  // namespace inicrypt
