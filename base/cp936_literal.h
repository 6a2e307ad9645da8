// Code page 936 texts written readably in the source: u8"加密完成!"_cp936 is
// the constant string_view of the code page 936 bytes of that text, made
// while compiling from the table below. ASCII passes unchanged; a character
// missing from the table, or bytes that are not UTF-8, fail the build. The
// bytes are followed by a zero byte, so data() is also a C string.
//
// The table holds every non-ASCII character the system's own texts use, each
// with its two code page 936 bytes (lead byte high). A test checks every row
// against the real converter (cp936.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace inicrypt {

struct Cp936Char {
  char32_t character;
  uint16_t bytes;  // lead byte << 8 | trail byte
};

inline constexpr Cp936Char kCp936Chars[] = {
    {U'下', 0xCFC2}, {U'不', 0xB2BB}, {U'中', 0xD6D0}, {U'么', 0xC3B4}, {U'义', 0xD2E5},
    {U'也', 0xD2B2}, {U'什', 0xCAB2}, {U'代', 0xB4FA}, {U'以', 0xD2D4}, {U'件', 0xBCFE},
    {U'你', 0xC4E3}, {U'信', 0xD0C5}, {U'修', 0xD0DE}, {U'假', 0xBCD9}, {U'入', 0xC8EB},
    {U'内', 0xC4DA}, {U'再', 0xD4D9}, {U'写', 0xD0B4}, {U'出', 0xB3F6}, {U'分', 0xB7D6},
    {U'创', 0xB4B4}, {U'到', 0xB5BD}, {U'前', 0xC7B0}, {U'加', 0xBCD3}, {U'动', 0xB6AF},
    {U'发', 0xB7A2}, {U'取', 0xC8A1}, {U'口', 0xBFDA}, {U'可', 0xBFC9}, {U'同', 0xCDAC},
    {U'后', 0xBAF3}, {U'否', 0xB7F1}, {U'吧', 0xB0C9}, {U'含', 0xBAAC}, {U'启', 0xC6F4},
    {U'员', 0xD4B1}, {U'品', 0xC6B7}, {U'哇', 0xCDDB}, {U'啊', 0xB0A1}, {U'围', 0xCEA7},
    {U'图', 0xCDBC}, {U'在', 0xD4DA}, {U'增', 0xD4F6}, {U'失', 0xCAA7}, {U'字', 0xD7D6},
    {U'存', 0xB4E6}, {U'完', 0xCDEA}, {U'定', 0xB6A8}, {U'容', 0xC8DD}, {U'密', 0xC3DC},
    {U'对', 0xB6D4}, {U'年', 0xC4EA}, {U'序', 0xD0F2}, {U'建', 0xBDA8}, {U'式', 0xCABD},
    {U'引', 0xD2FD}, {U'当', 0xB5B1}, {U'录', 0xC2BC}, {U'径', 0xBEB6}, {U'很', 0xBADC},
    {U'息', 0xCFA2}, {U'成', 0xB3C9}, {U'我', 0xCED2}, {U'所', 0xCBF9}, {U'找', 0xD5D2},
    {U'择', 0xD4F1}, {U'持', 0xB3D6}, {U'按', 0xB0B4}, {U'支', 0xD6A7}, {U'改', 0xB8C4},
    {U'数', 0xCAFD}, {U'文', 0xCEC4}, {U'无', 0xCEDE}, {U'日', 0xC8D5}, {U'时', 0xCAB1},
    {U'是', 0xCAC7}, {U'月', 0xD4C2}, {U'有', 0xD3D0}, {U'本', 0xB1BE}, {U'板', 0xB0E5},
    {U'标', 0xB1EA}, {U'样', 0xD1F9}, {U'格', 0xB8F1}, {U'框', 0xBFF2}, {U'正', 0xD5FD},
    {U'此', 0xB4CB}, {U'没', 0xC3BB}, {U'法', 0xB7A8}, {U'点', 0xB5E3}, {U'照', 0xD5D5},
    {U'片', 0xC6AC}, {U'版', 0xB0E6}, {U'现', 0xCFD6}, {U'理', 0xC0ED}, {U'用', 0xD3C3},
    {U'由', 0xD3C9}, {U'的', 0xB5C4}, {U'目', 0xC4BF}, {U'真', 0xD5E6}, {U'码', 0xC2EB},
    {U'确', 0xC8B7}, {U'秒', 0xC3EB}, {U'秘', 0xC3D8}, {U'程', 0xB3CC}, {U'空', 0xBFD5},
    {U'窗', 0xB4B0}, {U'符', 0xB7FB}, {U'签', 0xC7A9}, {U'组', 0xD7E9}, {U'编', 0xB1E0},
    {U'置', 0xD6C3}, {U'能', 0xC4DC}, {U'自', 0xD7D4}, {U'节', 0xBDDA}, {U'范', 0xB7B6},
    {U'行', 0xD0D0}, {U'要', 0xD2AA}, {U'解', 0xBDE2}, {U'认', 0xC8CF}, {U'论', 0xC2DB},
    {U'话', 0xBBB0}, {U'误', 0xCEF3}, {U'请', 0xC7EB}, {U'读', 0xB6C1}, {U'败', 0xB0DC},
    {U'超', 0xB3AC}, {U'路', 0xC2B7}, {U'载', 0xD4D8}, {U'辑', 0xBCAD}, {U'运', 0xD4CB},
    {U'这', 0xD5E2}, {U'选', 0xD1A1}, {U'通', 0xCDA8}, {U'配', 0xC5E4}, {U'钥', 0xD4BF},
    {U'钮', 0xC5A5}, {U'错', 0xB4ED}, {U'长', 0xB3A4}, {U'项', 0xCFEE}, {U'首', 0xCAD7},
    {U'默', 0xC4AC}, {U'，', 0xA3AC}, {U'：', 0xA3BA},
};

namespace cp936_literal {

// Not constexpr: reaching one while compiling stops the build, and the
// compiler's message names it.
inline void CharacterMissingFromTheCp936Table() {}
inline void SourceTextIsNotUtf8() {}

// The UTF-8 bytes of a literal, as a template argument.
template <size_t N>
struct Utf8 {
  char8_t bytes[N]{};
  consteval Utf8(const char8_t (&text)[N]) {
    for (size_t i = 0; i < N; ++i) bytes[i] = text[i];
  }
  static constexpr size_t size() { return N - 1; }  // without the closing zero
};

// Decodes the character at i into *c; returns its length in bytes.
constexpr size_t Decode(const char8_t* s, size_t size, size_t i, char32_t* c) {
  const unsigned lead = s[i];
  const size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
  if (i + length > size) SourceTextIsNotUtf8();
  if (length == 1) {
    *c = lead;
    return 1;
  }
  char32_t value = lead & (0x7Fu >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) SourceTextIsNotUtf8();
    value = (value << 6) | (s[i + k] & 0x3Fu);
  }
  *c = value;
  return length;
}

constexpr uint16_t BytesOf(char32_t c) {
  for (const Cp936Char& row : kCp936Chars) {
    if (row.character == c) return row.bytes;
  }
  CharacterMissingFromTheCp936Table();
  return 0;
}

// Converts text into out (when given); returns the number of bytes.
template <size_t N>
constexpr size_t Convert(const Utf8<N>& text, char* out) {
  size_t n = 0;
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    i += Decode(text.bytes, text.size(), i, &c);
    if (c < 0x80) {
      if (out != nullptr) out[n] = static_cast<char>(c);
      n += 1;
    } else {
      const uint16_t bytes = BytesOf(c);
      if (out != nullptr) {
        out[n] = static_cast<char>(bytes >> 8);
        out[n + 1] = static_cast<char>(bytes & 0xFF);
      }
      n += 2;
    }
  }
  return n;
}

template <Utf8 text>
struct Bytes {
  static constexpr size_t kSize = Convert(text, nullptr);
  static constexpr std::array<char, kSize + 1> kArray = [] {
    std::array<char, kSize + 1> out{};
    Convert(text, out.data());
    return out;
  }();
};

}  // namespace cp936_literal

template <cp936_literal::Utf8 text>
consteval std::string_view operator""_cp936() {
  using Bytes = cp936_literal::Bytes<text>;
  return {Bytes::kArray.data(), Bytes::kSize};
}

}  // namespace inicrypt
