#include "base/fatal.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "base/cp936_literal.h"

namespace inicrypt {
namespace {

constexpr std::string_view kHeading = u8"运行时出错!\r\n\r\n"_cp936;
constexpr std::string_view kCodeLabel = u8"错误代码："_cp936;
constexpr std::string_view kMessageLabel = u8"错误信息："_cp936;
// "分配 " n " 字节内存失败!"
constexpr std::string_view kAllocBefore = u8"分配 "_cp936;
constexpr std::string_view kAllocAfter = u8" 字节内存失败!"_cp936;

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
