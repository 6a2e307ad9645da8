// Fuzz target: the text primitives against a plain model of their byte rules.
//
// Input: four parameter bytes (start, count, maximum, flags), then up to
// three texts separated by NUL bytes (a text never holds one): the text, the
// sought text or delimiter, the replacement. Every primitive is run and
// compared with the model below, written for clarity, not speed: walk the
// text one character at a time, where a byte of 0x80 or more starts a
// two-byte character with the byte after it when that byte lies in 0x40 to
// 0xFE other than 0x7F, and is a character by itself before any other byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace {

using inicrypt::Text;
using Bytes = std::string_view;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "text_fuzz: %s differs from the model\n", what);
    std::abort();
  }
}

unsigned char At(Bytes s, size_t i) { return static_cast<unsigned char>(s[i]); }
bool Lead(Bytes s, size_t i) { return At(s, i) >= 0x80; }
bool LoneLead(Bytes s, size_t i) { return Lead(s, i) && i + 1 == s.size(); }
bool Trail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }
bool Pair(Bytes s, size_t i) { return Lead(s, i) && i + 1 < s.size() && Trail(At(s, i + 1)); }
size_t Width(Bytes s, size_t i) { return Pair(s, i) || LoneLead(s, i) ? 2 : 1; }
bool FullWidthSpace(Bytes s, size_t i) {
  return i + 1 < s.size() && At(s, i) == 0xA1 && At(s, i + 1) == 0xA1;
}
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The run of s at i equals sought: exactly, or with A-Z equal to a-z where
// a character of s starts (both bytes of a two-byte character exactly).
bool Equal(Bytes s, size_t i, Bytes sought, bool ignore_case) {
  Bytes run = s.substr(i, sought.size());
  if (!ignore_case) return run == sought;
  for (size_t k = 0; k < run.size();) {
    if (Width(run, k) == 2) {
      if (run.substr(k, 2) != sought.substr(k, 2)) return false;
      k += 2;
    } else {
      if (Lower(run[k]) != Lower(sought[k])) return false;
      k += 1;
    }
  }
  return true;
}

Text Left(Bytes s, int count) {
  return count <= 0 ? Text() : Text(s.substr(0, std::min<size_t>(count, s.size())));
}

Text Right(Bytes s, int count) {
  if (count <= 0) return {};
  size_t n = std::min<size_t>(count, s.size());
  return Text(s.substr(s.size() - n));
}

int Find(Bytes s, Bytes sought, int start, bool ignore_case) {
  size_t i = start > 1 ? static_cast<size_t>(start - 1) : 0;
  if (i >= s.size()) return -1;
  if (sought.empty()) return 1;
  while (s.size() - i >= sought.size()) {
    if (Equal(s, i, sought, ignore_case)) return static_cast<int>(i + 1);
    if (LoneLead(s, i)) break;
    i += Width(s, i);
  }
  return -1;
}

Text Upper(Bytes s) {
  Text out(s);
  for (size_t i = 0; i < s.size();) {
    if (Width(s, i) == 2) {
      i += 2;
      continue;
    }
    if (s[i] >= 'a' && s[i] <= 'z') out[i] = static_cast<char>(s[i] - 'a' + 'A');
    i += 1;
  }
  return out;
}

Text Trim(Bytes s) {
  size_t begin = 0;
  while (begin < s.size()) {
    if (s[begin] == ' ') {
      begin += 1;
    } else if (FullWidthSpace(s, begin)) {
      begin += 2;
    } else {
      break;
    }
  }
  size_t end = s.size();
  std::optional<size_t> blanks;
  size_t i = begin;
  while (i < s.size()) {
    if (LoneLead(s, i)) {
      blanks = i;  // cut the lone byte; blanks before it stay
      break;
    }
    bool blank = Lead(s, i) ? FullWidthSpace(s, i) : s[i] == ' ';
    if (!blank) {
      blanks.reset();
    } else if (!blanks) {
      blanks = i;
    }
    i += Width(s, i);
  }
  if (blanks) end = *blanks;
  return Text(s.substr(begin, end - begin));
}

Text Replace(Bytes s, Bytes sought, Bytes replacement, int start, int count, bool case_sensitive) {
  size_t b = start > 1 ? static_cast<size_t>(start - 1) : 0;
  if (s.empty() || sought.empty() || b >= s.size() || count == 0) return Text(s);
  Text out(s.substr(0, b));
  size_t i = b;
  while (s.size() - i >= sought.size()) {
    if (Equal(s, i, sought, !case_sensitive)) {
      out += replacement;
      i += sought.size();
      if (count > 0 && --count == 0) break;
    } else if (LoneLead(s, i)) {
      i += 1;  // reached by the walk: dropped
      break;
    } else {
      out += s.substr(i, Width(s, i));
      i += Width(s, i);
    }
  }
  out += s.substr(i);
  return out;
}

std::vector<Text> Split(Bytes s, Bytes delimiter, std::optional<int> maximum) {
  std::vector<Text> out;
  int left = maximum ? std::max(*maximum, 0) : -1;
  if (s.empty() || left == 0) return out;
  if (delimiter.empty()) return {Text(s)};
  size_t field = 0;
  size_t i = 0;
  while (s.size() - i >= delimiter.size()) {
    if (s.substr(i, delimiter.size()) == delimiter) {
      out.emplace_back(s.substr(field, i - field));
      i += delimiter.size();
      field = i;
      if (left > 0 && --left == 0) return out;
    } else if (LoneLead(s, i)) {
      break;
    } else {
      i += Width(s, i);
    }
  }
  if (field < s.size()) out.emplace_back(s.substr(field));
  return out;
}

int Compare(Bytes a, Bytes b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (At(a, i) != At(b, i)) return At(a, i) < At(b, i) ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<Text> Elements(const inicrypt::TextList& list) { return {list.begin(), list.end()}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  // Small signed parameters reach every branch: below 0, 0, 1, past the end.
  const int start = static_cast<int8_t>(data[0]) / 4;
  const int count = static_cast<int8_t>(data[1]) / 16;
  const int maximum_byte = static_cast<int8_t>(data[2]);
  const std::optional<int> maximum =
      maximum_byte == -128 ? std::nullopt : std::optional<int>(maximum_byte / 16);
  const bool flag = (data[3] & 1) != 0;
  Bytes rest(reinterpret_cast<const char*>(data) + 4, size - 4);
  Bytes parts[3];
  for (Bytes& part : parts) {
    size_t cut = std::min(rest.find('\0'), rest.size());
    part = rest.substr(0, cut);
    rest = rest.substr(std::min(cut + 1, rest.size()));
  }
  const Bytes text = parts[0], sought = parts[1], replacement = parts[2];

  Check(inicrypt::TextLength(text) == static_cast<int>(text.size()), "TextLength");
  Check(inicrypt::TextLeft(text, count) == Left(text, count), "TextLeft");
  Check(inicrypt::TextRight(text, count) == Right(text, count), "TextRight");
  Check(inicrypt::FindText(text, sought, start, flag) == Find(text, sought, start, flag),
        "FindText");
  Check(inicrypt::FindText(text, sought) == Find(text, sought, 1, false), "FindText (defaults)");
  Check(inicrypt::ToUpperCase(text) == Upper(text), "ToUpperCase");
  Check(inicrypt::TrimBothEnds(text) == Trim(text), "TrimBothEnds");
  Check(inicrypt::ReplaceSubtext(text, sought, replacement, start, count, flag) ==
            Replace(text, sought, replacement, start, count, flag),
        "ReplaceSubtext");
  Check(inicrypt::ReplaceSubtext(text, sought) == Replace(text, sought, {}, 1, -1, true),
        "ReplaceSubtext (defaults)");
  Check(Elements(inicrypt::SplitText(text, sought, maximum)) == Split(text, sought, maximum),
        "SplitText");
  Check(Elements(inicrypt::SplitText(text)) == Split(text, ",", std::nullopt),
        "SplitText (defaults)");
  Check(inicrypt::ConcatTexts(text, sought, replacement) ==
            Text(text) + Text(sought) + Text(replacement),
        "ConcatTexts");
  Check(inicrypt::CompareTexts(text, sought) == Compare(text, sought), "CompareTexts");
  return 0;
}
