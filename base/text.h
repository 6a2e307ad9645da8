// Text primitives: double-byte-aware operations on code page 936 byte strings.
//
// A Text holds code page 936 bytes and never a NUL byte; the empty text and
// an absent text are the same. Lengths count bytes, positions are 1-based.
// Scanning character by character, a byte of 0x80 or more starts a two-byte
// character together with the byte after it, whatever that byte is, so "[",
// "\" and "]" are never found inside a two-byte character. A lead byte with
// nothing after it is a "lone lead byte".
//
// Blanks are the space 0x20 and the full-width space 0xA1 0xA1 only; only the
// ASCII letters have case. Every operation is pure and returns a fresh copy.
#pragma once

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

// An ordered list of texts, indexed from 1, owning its elements.
class TextList {
 public:
  TextList() = default;
  TextList(std::initializer_list<std::string_view> items);

  int Count() const { return static_cast<int>(items_.size()); }
  // Element i, 1 <= i <= Count(). Any other index is a fatal error (code 1).
  const Text& At(int i) const;
  void Append(std::string_view text) { items_.emplace_back(text); }
  void Clear() { items_.clear(); }

  std::vector<Text>::const_iterator begin() const { return items_.begin(); }
  std::vector<Text>::const_iterator end() const { return items_.end(); }
  bool operator==(const TextList&) const = default;

 private:
  std::vector<Text> items_;
};

// Number of bytes.
int TextLength(std::string_view text);
// The first count bytes (count <= 0: empty). May cut a two-byte character.
Text TextLeft(std::string_view text, int count);
// The last count bytes (count <= 0: empty). May cut a two-byte character.
Text TextRight(std::string_view text, int count);

// 1-based byte position of the first match of sought at a character
// boundary, from start on (start <= 1: the whole text), or -1. An empty
// sought text matches at 1 whenever the searched stretch is not empty.
int FindText(std::string_view text, std::string_view sought, int start = 1,
             bool ignore_case = false);

// a to z become A to Z; two-byte characters stay as they are.
Text ToUpperCase(std::string_view text);

// Removes spaces and full-width spaces at both ends; a lone lead byte at the
// end is cut off as well. Tabs and line ends are not blanks.
Text TrimBothEnds(std::string_view text);

// Replaces up to count non-overlapping matches (count < 0: every match) of
// sought from start on. A lone lead byte met by the walk is dropped.
Text ReplaceSubtext(std::string_view text, std::string_view sought,
                    std::string_view replacement = {}, int start = 1, int count = -1,
                    bool case_sensitive = true);

// Splits at every delimiter (compared exactly). An empty last field is
// dropped, an empty first one kept. With a maximum, at most that many fields
// are returned and the rest of the text is dropped (a negative maximum is 0).
TextList SplitText(std::string_view text, std::string_view delimiter = ",",
                   std::optional<int> maximum = std::nullopt);

// All texts in order.
Text ConcatTexts(std::initializer_list<std::string_view> texts);
template <typename... T>
Text ConcatTexts(const T&... texts) {
  return ConcatTexts({std::string_view(texts)...});
}

// -1, 0 or 1, comparing unsigned bytes; a proper prefix is the smaller.
int CompareTexts(std::string_view a, std::string_view b);

}  // namespace inicrypt
