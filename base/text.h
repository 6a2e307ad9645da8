// Text primitives: double-byte-aware operations on code page 936 byte strings.
//
// A Text holds code page 936 bytes and never a NUL byte; the empty text and
// an absent text are the same. Lengths count bytes, positions are 1-based.
// Scanning character by character, a byte of 0x80 or more starts a two-byte
// character together with the byte after it when that byte can be the second
// byte of a code page 936 character (0x40 to 0xFE, except 0x7F), so "[",
// "\" and "]" are never found inside a two-byte character, while a LF, "=" or
// a space after a stray lead byte (UTF-8 text, a cut character) still counts.
// A lead byte followed by any other byte is a character by itself. A lead
// byte with nothing after it is a "lone lead byte"; what each operation does
// with one is said below. No operation validates or converts the encoding.
//
// FindText, ReplaceSubtext, SplitText, ToUpperCase and TrimBothEnds walk the
// text character by character; TextLength, TextLeft, TextRight, ConcatTexts
// and CompareTexts see bytes only and may cut a two-byte character in half.
//
// Blanks are the space 0x20 and the full-width space 0xA1 0xA1 (only where a
// character starts); tab, CR and LF are not blanks. Only the ASCII letters
// have case; ignoring case, A to Z equal a to z where a character starts and
// every other byte, second bytes of two-byte characters included, must be
// equal exactly.
//
// Every operation is pure, accepts any arguments and returns a fresh copy.
// Running out of memory while making a result is the fatal error "分配 n 字节
// 内存失败!" (FatalOutOfMemory), never an exception. Texts are lines and
// paths: lengths and positions beyond INT_MAX are not represented (see
// TextLength and FindText).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inicrypt {

using Text = std::string;

// True for a byte that starts a two-byte character (the top bit alone).
constexpr bool IsLeadByte(unsigned char b) { return b >= 0x80; }

// True for a byte that can be the second byte of a two-byte character.
constexpr bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// Bytes taken by the character at offset i (< text.size()): 2 for a lead
// byte followed by a trail byte, 2 for a lone lead byte (which steps past the
// end), else 1.
constexpr size_t CharWidthAt(std::string_view text, size_t i) {
  if (!IsLeadByte(static_cast<unsigned char>(text[i]))) return 1;
  return i + 1 == text.size() || IsTrailByte(static_cast<unsigned char>(text[i + 1])) ? 2 : 1;
}

// An ordered list of texts, indexed from 1, owning its elements. Elements
// may be empty.
class TextList {
 public:
  TextList() = default;
  TextList(std::initializer_list<std::string_view> items);

  [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }
  // Element i, 1 <= i <= Count(). Any other index is the fatal error code 1
  // "数组成员引用下标超出定义范围": the process ends.
  [[nodiscard]] const Text& At(int i) const;
  // Appends a copy of text at the end.
  void Append(std::string_view text);
  // Empties the list, releasing its elements.
  void Clear() { items_.clear(); }

  std::vector<Text>::const_iterator begin() const { return items_.begin(); }
  std::vector<Text>::const_iterator end() const { return items_.end(); }
  bool operator==(const TextList&) const = default;

 private:
  std::vector<Text> items_;
};

// Number of bytes (INT_MAX for a longer text). Allocates nothing.
[[nodiscard]] int TextLength(std::string_view text);
// The first min(count, length) bytes; empty when count <= 0.
[[nodiscard]] Text TextLeft(std::string_view text, int count);
// The last min(count, length) bytes; empty when count <= 0.
[[nodiscard]] Text TextRight(std::string_view text, int count);

// 1-based byte position of the first match of sought, or -1. The search
// starts at byte max(start, 1), whatever that byte is, and moves one
// character at a time; a start beyond the length finds nothing. A lone lead
// byte is still compared as a candidate, then ends the search. An empty
// sought text gives 1 whenever the searched stretch is not empty (whatever
// the start), else -1. A match past INT_MAX is not reported (-1).
// Allocates nothing.
[[nodiscard]] int FindText(std::string_view text, std::string_view sought, int start = 1,
                           bool ignore_case = false);

// a to z become A to Z where a character starts; two-byte characters and a
// lone lead byte stay as they are.
[[nodiscard]] Text ToUpperCase(std::string_view text);

// Removes spaces and full-width spaces at both ends. A lone lead byte at the
// end is cut off instead, and the blanks before it stay («ab  » then a lone
// lead byte gives «ab  »).
[[nodiscard]] Text TrimBothEnds(std::string_view text);

// Replaces matches of sought by replacement, walking from byte max(start, 1)
// (the bytes before it are kept unchanged) one character at a time. Matches
// never overlap and the replacement is never searched again. count limits
// the number of replacements; count < 0 means every match, count == 0 none.
// An empty text or sought text, or a start beyond the length, gives the text
// unchanged. A lone lead byte reached by the walk is dropped; one that the
// walk does not reach (sought longer than the bytes left) is kept.
[[nodiscard]] Text ReplaceSubtext(std::string_view text, std::string_view sought,
                                  std::string_view replacement = {}, int start = 1, int count = -1,
                                  bool case_sensitive = true);

// Splits at every delimiter (compared exactly, only where a character
// starts). An empty first or middle field is an empty element; an empty last
// field is dropped («a=» gives «a», «=» gives one empty element). An empty
// text or a maximum of 0 gives no elements; an empty delimiter gives the
// whole text as one element. With a maximum, the list is returned as soon as
// that many delimiters have been met and the rest of the text is dropped
// («a,b,c» with 2 gives «a», «b»); a negative maximum counts as 0. A lone
// lead byte ends the walk and stays in the last field.
[[nodiscard]] TextList SplitText(std::string_view text, std::string_view delimiter = ",",
                                 std::optional<int> maximum = std::nullopt);

// All texts in order.
[[nodiscard]] Text ConcatTexts(std::initializer_list<std::string_view> texts);
template <typename... T>
[[nodiscard]] Text ConcatTexts(const T&... texts) {
  return ConcatTexts({std::string_view(texts)...});
}

// True when a and b have the same length and the same bytes, except that
// A to Z equal a to z where a character starts (as a walk of a finds them);
// both bytes of a two-byte character must be equal exactly.
[[nodiscard]] bool EqualIgnoringCase(std::string_view a, std::string_view b);

// -1, 0 or 1, comparing unsigned bytes up to the first difference; a proper
// prefix is the smaller. Allocates nothing.
[[nodiscard]] int CompareTexts(std::string_view a, std::string_view b);

}  // namespace inicrypt
