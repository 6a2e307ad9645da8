// Fatal errors end the process with exit code -1 after the error has been
// shown to the user. The text shown is built by FatalErrorText; how it is
// shown is up to the front end (the window shows a box, the command line
// prints it), which installs a handler at start.
//
// The system's fatal errors: running out of memory while making a text
// (FatalOutOfMemory), reading a TextList element outside its count (code 1)
// and failing to create the main window.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "base/text.h"

namespace inicrypt {

// The box text: "运行时出错!" CR LF CR LF, then "错误代码：" code CR LF CR LF when
// there is a code, then "错误信息：" message CR LF when the message is not
// empty. All code page 936.
[[nodiscard]] Text FatalErrorText(std::optional<int> code, std::string_view message);

// Called with the box text (code page 936); must return once the user has
// seen it. The default handler writes the text's bytes, unconverted, to
// stderr. Passing nullptr puts the default handler back. The handler is
// process-wide; installing it is safe from any thread.
using FatalHandler = void (*)(const Text& box_text);
void SetFatalHandler(FatalHandler handler);

// Shows the error through the handler, flushes the C streams, then ends the
// process at once with exit code -1 (status 255 on POSIX) without running
// destructors or exit hooks: the state that failed is not touched again.
// A fatal error raised while the handler runs skips the handler and writes
// to stderr. If the box text itself cannot be made for lack of memory, its
// parts go straight to stderr.
[[noreturn]] void FatalError(std::optional<int> code, std::string_view message);

// The fatal error for running out of memory while asking for `bytes` bytes:
// no code, message "分配 <bytes> 字节内存失败!". Allocates nothing itself.
[[noreturn]] void FatalOutOfMemory(std::size_t bytes);

}  // namespace inicrypt
