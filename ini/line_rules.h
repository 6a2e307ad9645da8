// The per-line rules of the INI layout, applied to a line in place.
//
// Each function gives exactly what the text primitives give for the same
// line (TrimBothEnds, FindText, ToUpperCase ...), without making a copy: a
// scan applies them to every line of a file on every call.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/text.h"

namespace inicrypt::ini {

inline constexpr size_t kNoEquals = std::string_view::npos;

// True when a full-width space (0xA1 0xA1) starts at i.
inline bool FullWidthSpaceAt(std::string_view t, size_t i) {
  return i + 1 < t.size() && static_cast<unsigned char>(t[i]) == 0xA1 &&
         static_cast<unsigned char>(t[i + 1]) == 0xA1;
}

// TrimBothEnds as a view into t.
inline std::string_view TrimView(std::string_view t) {
  size_t first = 0;
  while (first < t.size()) {
    if (t[first] == ' ') {
      ++first;
    } else if (FullWidthSpaceAt(t, first)) {
      first += 2;
    } else {
      break;
    }
  }
  size_t run = std::string_view::npos;  // start of the blanks that end t
  size_t i = first;
  while (i < t.size()) {
    const bool lead = IsLeadByte(static_cast<unsigned char>(t[i]));
    if (lead && i + 1 == t.size()) return t.substr(first, i - first);  // lone lead byte
    const bool blank = t[i] == ' ' || FullWidthSpaceAt(t, i);
    if (!blank) {
      run = std::string_view::npos;
    } else if (run == std::string_view::npos) {
      run = i;
    }
    i += CharWidthAt(t, i);
  }
  const size_t end = run == std::string_view::npos ? t.size() : run;
  return t.substr(first, end - first);
}

// 0-based index of the first "=" that starts a character, or kNoEquals.
inline size_t FindEquals(std::string_view line) {
  for (size_t i = 0; i < line.size();) {
    if (line[i] == '=') return i;
    i += CharWidthAt(line, i);
  }
  return kNoEquals;
}

// The key of a line whose first "=" is at eq: the text before it, trimmed.
inline std::string_view KeyView(std::string_view line, size_t eq) {
  return TrimView(line.substr(0, eq));
}

// A header line: trimmed, its first byte is "[" and its last byte "]".
inline bool HeaderLine(std::string_view line) {
  const std::string_view t = TrimView(line);
  return !t.empty() && t.front() == '[' && t.back() == ']';
}

}  // namespace inicrypt::ini
