#include "base/text.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

#include "base/cp936_literal.h"
#include "base/fatal.h"

namespace inicrypt {
namespace {

constexpr unsigned char kFullWidthSpaceByte = 0xA1;
constexpr size_t kNone = static_cast<size_t>(-1);

unsigned char ByteAt(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]);
}

// Bytes taken by the character starting at i (see CharWidthAt).
size_t CharWidth(std::string_view text, size_t i) { return CharWidthAt(text, i); }

// True when the character at i is the lone lead byte ending the text.
bool IsLoneLead(std::string_view text, size_t i) {
  return i + 1 == text.size() && IsLeadByte(ByteAt(text, i));
}

// Offset where a walk from the 1-based position start begins: max(start - 1, 0).
size_t StartOffset(int start) { return start > 1 ? static_cast<size_t>(start) - 1 : 0; }

// Count bytes as a size, 0 for a count <= 0.
size_t CountBytes(int count) { return count > 0 ? static_cast<size_t>(count) : 0; }

unsigned char FoldCase(unsigned char b) {
  return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + ('a' - 'A')) : b;
}

// True when the bytes of text from i on start with sought (at least
// sought.size() bytes must be left).
bool MatchesAt(std::string_view text, size_t i, std::string_view sought, bool ignore_case) {
  if (!ignore_case) {
    return text[i] == sought[0] && std::memcmp(text.data() + i, sought.data(), sought.size()) == 0;
  }
  return EqualIgnoringCase(text.substr(i, sought.size()), sought);
}

// Runs make; running out of memory on the way is the fatal error naming
// `bytes`, the size of the text asked for (terminating zero included).
template <typename Make>
decltype(auto) OrFatal(size_t bytes, Make&& make) {
  try {
    return make();
  } catch (const std::bad_alloc&) {
    FatalOutOfMemory(bytes);
  } catch (const std::length_error&) {
    FatalOutOfMemory(bytes);
  }
}

Text Copy(std::string_view bytes) {
  return OrFatal(bytes.size() + 1, [&] { return Text(bytes); });
}

void AppendTo(Text& out, std::string_view bytes) {
  OrFatal(out.size() + bytes.size() + 1, [&] { out.append(bytes); });
}

void ReserveIn(Text& out, size_t n) {
  OrFatal(n + 1, [&] { out.reserve(n); });
}

// True when the bytes at i are the full-width space 0xA1 0xA1.
bool IsFullWidthSpaceAt(std::string_view text, size_t i) {
  return i + 1 < text.size() && ByteAt(text, i) == kFullWidthSpaceByte &&
         ByteAt(text, i + 1) == kFullWidthSpaceByte;
}

// Offset of the first byte after the leading blanks.
size_t SkipLeadingBlanks(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      i += 1;
    } else if (IsFullWidthSpaceAt(text, i)) {
      i += 2;
    } else {
      break;
    }
  }
  return i;
}

// Offset where the text ends once trailing blanks (or a lone lead byte) are
// cut, walking characters from `from`.
size_t TrimmedEnd(std::string_view text, size_t from) {
  size_t blanks = kNone;  // start of the current run of blanks
  size_t i = from;
  while (i < text.size()) {
    if (IsLoneLead(text, i)) return i;  // cut it; the blanks before it stay
    const size_t width = CharWidth(text, i);
    const bool blank = width == 1 ? text[i] == ' ' : IsFullWidthSpaceAt(text, i);
    if (!blank) {
      blanks = kNone;
    } else if (blanks == kNone) {
      blanks = i;
    }
    i += width;
  }
  return blanks == kNone ? text.size() : blanks;
}

// Position (1-based) of offset i, or -1 when it does not fit an int.
int ToPosition(size_t i) { return i < static_cast<size_t>(INT_MAX) ? static_cast<int>(i + 1) : -1; }

}  // namespace

TextList::TextList(std::initializer_list<std::string_view> items) {
  for (std::string_view item : items) Append(item);
}

const Text& TextList::At(int i) const {
  if (i < 1 || i > Count()) {
    FatalError(1, u8"数组成员引用下标超出定义范围"_cp936);
  }
  return items_[static_cast<size_t>(i) - 1];
}

void TextList::Append(std::string_view text) {
  OrFatal(text.size() + 1, [&] { items_.emplace_back(text); });
}

int TextLength(std::string_view text) {
  return text.size() < static_cast<size_t>(INT_MAX) ? static_cast<int>(text.size()) : INT_MAX;
}

Text TextLeft(std::string_view text, int count) { return Copy(text.substr(0, CountBytes(count))); }

Text TextRight(std::string_view text, int count) {
  const size_t n = std::min(CountBytes(count), text.size());
  return Copy(text.substr(text.size() - n));
}

int FindText(std::string_view text, std::string_view sought, int start, bool ignore_case) {
  size_t i = StartOffset(start);
  if (i >= text.size()) return -1;  // nothing to search
  if (sought.empty()) return 1;
  while (i < text.size() && text.size() - i >= sought.size()) {
    if (MatchesAt(text, i, sought, ignore_case)) return ToPosition(i);
    i += CharWidth(text, i);  // past a lone lead byte: the end
  }
  return -1;
}

Text ToUpperCase(std::string_view text) {
  Text upper = Copy(text);
  for (size_t i = 0; i < upper.size(); i += CharWidth(upper, i)) {
    if (upper[i] >= 'a' && upper[i] <= 'z') upper[i] = static_cast<char>(upper[i] - ('a' - 'A'));
  }
  return upper;
}

Text TrimBothEnds(std::string_view text) {
  const size_t begin = SkipLeadingBlanks(text);
  return Copy(text.substr(begin, TrimmedEnd(text, begin) - begin));
}

Text ReplaceSubtext(std::string_view text, std::string_view sought, std::string_view replacement,
                    int start, int count, bool case_sensitive) {
  size_t i = StartOffset(start);
  if (text.empty() || sought.empty() || i >= text.size() || count == 0) return Copy(text);
  Text out;
  ReserveIn(out, text.size());
  size_t kept = 0;  // bytes before here are already in out, or dropped
  while (i < text.size() && text.size() - i >= sought.size()) {
    if (MatchesAt(text, i, sought, !case_sensitive)) {
      AppendTo(out, text.substr(kept, i - kept));
      AppendTo(out, replacement);
      i += sought.size();
      kept = i;
      if (count > 0 && --count == 0) break;
    } else if (IsLoneLead(text, i)) {
      AppendTo(out, text.substr(kept, i - kept));
      kept = i = text.size();  // dropped
    } else {
      i += CharWidth(text, i);
    }
  }
  AppendTo(out, text.substr(kept));
  return out;
}

TextList SplitText(std::string_view text, std::string_view delimiter, std::optional<int> maximum) {
  TextList fields;
  int left = maximum ? std::max(*maximum, 0) : -1;  // -1: no limit
  if (text.empty() || left == 0) return fields;
  if (delimiter.empty()) {
    fields.Append(text);
    return fields;
  }
  size_t field = 0;
  size_t i = 0;
  while (i < text.size() && text.size() - i >= delimiter.size()) {
    if (MatchesAt(text, i, delimiter, false)) {
      fields.Append(text.substr(field, i - field));
      i += delimiter.size();
      field = i;
      if (left > 0 && --left == 0) return fields;
    } else {
      i += CharWidth(text, i);  // past a lone lead byte: the end
    }
  }
  if (field < text.size()) fields.Append(text.substr(field));
  return fields;
}

Text ConcatTexts(std::initializer_list<std::string_view> texts) {
  size_t size = 0;
  for (std::string_view t : texts) size += t.size();
  Text out;
  ReserveIn(out, size);
  for (std::string_view t : texts) out.append(t);
  return out;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    const unsigned char x = ByteAt(a, k);
    const unsigned char y = ByteAt(b, k);
    if (IsLeadByte(x) && CharWidthAt(a, k) == 2) {
      if (x != y || (k + 1 < a.size() && a[k + 1] != b[k + 1])) return false;
      ++k;
    } else if (IsLeadByte(x)) {
      if (x != y) return false;
    } else if (FoldCase(x) != FoldCase(y)) {
      return false;
    }
  }
  return true;
}

int CompareTexts(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  if (order != 0) return order < 0 ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace inicrypt
