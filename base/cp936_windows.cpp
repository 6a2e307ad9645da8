// Code page 936 conversions on Windows, through the system's own tables.
//
// Code page 936 is named explicitly, never the process's ANSI code page, so
// the conversions hold whatever code page the system runs in. They are
// strict: a byte sequence that is not code page 936, a UTF-16 text with a
// character that code page 936 lacks (no best-fit replacement), or invalid
// UTF-8 is refused, and the result is left empty.
//
// The local encoding of the edges (terminal, command line) is UTF-8 on this
// host as on Linux: the console and the command line are read as UTF-16 by
// the host and handed on as UTF-8, so the locale conversions are the UTF-8
// ones.
#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

#include "base/cp936.h"

namespace inicrypt {
namespace {

constexpr UINT kCp936 = 936;

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

bool ToWide(UINT code_page, std::string_view in, std::wstring* out) {
  out->clear();
  if (in.empty()) return true;
  if (in.size() > INT_MAX / 2) return false;
  const int size = static_cast<int>(in.size());
  const int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
  if (n <= 0) return false;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  if (MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(), size, wide.data(), n) != n) {
    return false;
  }
  *out = std::move(wide);
  return true;
}

bool FromWide(UINT code_page, std::wstring_view in, std::string* out) {
  out->clear();
  if (in.empty()) return true;
  if (in.size() > INT_MAX / 4) return false;
  const int size = static_cast<int>(in.size());
  // UTF-8 takes neither a default character nor the best-fit flag; it
  // refuses a lone surrogate with WC_ERR_INVALID_CHARS instead.
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used = utf8 ? nullptr : &used_default;
  const int n = WideCharToMultiByte(code_page, flags, in.data(), size, nullptr, 0, nullptr, used);
  if (n <= 0 || used_default) return false;
  std::string bytes(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(code_page, flags, in.data(), size, bytes.data(), n, nullptr, used) != n ||
      used_default) {
    return false;
  }
  // A character the code page lacks can still come back as a different one
  // without the default being used; only an exact round trip is accepted.
  if (!utf8) {
    std::wstring back;
    if (!ToWide(code_page, bytes, &back) || back != in) return false;
  }
  *out = std::move(bytes);
  return true;
}

}  // namespace

bool Cp936ToWide(std::string_view cp936, std::wstring* out) { return ToWide(kCp936, cp936, out); }

bool WideToCp936(std::wstring_view wide, Text* out) { return FromWide(kCp936, wide, out); }

bool WideToUtf8(std::wstring_view wide, std::string* out) { return FromWide(CP_UTF8, wide, out); }

bool Utf8ToWide(std::string_view utf8, std::wstring* out) { return ToWide(CP_UTF8, utf8, out); }

bool Cp936ToUtf8(std::string_view cp936, std::string* out) {
  if (IsAscii(cp936)) {
    out->assign(cp936);
    return true;
  }
  std::wstring wide;
  if (!ToWide(kCp936, cp936, &wide) || !FromWide(CP_UTF8, wide, out)) {
    out->clear();
    return false;
  }
  return true;
}

bool Utf8ToCp936(std::string_view utf8, Text* out) {
  if (IsAscii(utf8)) {
    out->assign(utf8);
    return true;
  }
  std::wstring wide;
  if (!ToWide(CP_UTF8, utf8, &wide) || !FromWide(kCp936, wide, out)) {
    out->clear();
    return false;
  }
  return true;
}

bool LocaleToCp936(std::string_view local, Text* out) { return Utf8ToCp936(local, out); }

bool Cp936ToLocale(std::string_view cp936, std::string* out) { return Cp936ToUtf8(cp936, out); }

}  // namespace inicrypt
