#include "base/fatal.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace inicrypt {
namespace {

// "运行时出错!" CR LF CR LF
constexpr std::string_view kHeading = "\xd4\xcb\xd0\xd0\xca\xb1\xb3\xf6\xb4\xed!\r\n\r\n";
// "错误代码："
constexpr std::string_view kCodeLabel = "\xb4\xed\xce\xf3\xb4\xfa\xc2\xeb\xa3\xba";
// "错误信息："
constexpr std::string_view kMessageLabel = "\xb4\xed\xce\xf3\xd0\xc5\xcf\xa2\xa3\xba";
// "分配 " and " 字节内存失败!"
constexpr std::string_view kAllocBefore = "\xb7\xd6\xc5\xe4 ";
constexpr std::string_view kAllocAfter = " \xd7\xd6\xbd\xda\xc4\xda\xb4\xe6\xca\xa7\xb0\xdc!";

// Hands the pieces of the box text to sink in order, allocating nothing, so
// that the same words reach stderr when no text can be made.
template <typename Sink>
void EmitBoxText(std::optional<int> code, std::string_view message, Sink&& sink) {
  sink(kHeading);
  if (code) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, *code).ptr;
    sink(kCodeLabel);
    sink(std::string_view(digits, static_cast<size_t>(end - digits)));
    sink("\r\n\r\n");
  }
  if (!message.empty()) {
    sink(kMessageLabel);
    sink(message);
    sink("\r\n");
  }
}

void WriteToStderr(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stderr); }

void DefaultHandler(const Text& box_text) { WriteToStderr(box_text); }

std::atomic<FatalHandler> handler{&DefaultHandler};
std::atomic<bool> failing{false};

[[noreturn]] void ExitFatally() {
  std::fflush(nullptr);
  std::_Exit(-1);
}

}  // namespace

Text FatalErrorText(std::optional<int> code, std::string_view message) {
  Text text;
  EmitBoxText(code, message, [&](std::string_view piece) { text.append(piece); });
  return text;
}

void SetFatalHandler(FatalHandler h) { handler.store(h ? h : &DefaultHandler); }

void FatalError(std::optional<int> code, std::string_view message) {
  const bool nested = failing.exchange(true);
  Text box_text;
  try {
    box_text = FatalErrorText(code, message);
  } catch (const std::bad_alloc&) {
    EmitBoxText(code, message, WriteToStderr);
    ExitFatally();
  }
  if (nested) {
    WriteToStderr(box_text);
  } else {
    handler.load()(box_text);
  }
  ExitFatally();
}

void FatalOutOfMemory(std::size_t bytes) {
  char message[64];
  char* out = message;
  out = std::copy(kAllocBefore.begin(), kAllocBefore.end(), out);
  out = std::to_chars(out, out + 24, bytes).ptr;
  out = std::copy(kAllocAfter.begin(), kAllocAfter.end(), out);
  FatalError(std::nullopt, std::string_view(message, static_cast<size_t>(out - message)));
}

}  // namespace inicrypt
