// Line and block editing of an open file, plain or enciphered.
//
// A line ends at a LF byte; one CR before it is dropped. A NUL or 0x1A byte
// ends the text: ReadLine stops in front of it. The second byte of a
// two-byte character (lead byte 0x80 or more) is never a line end. Lines
// written end with CR LF. InsertLine and DeleteData shift the rest of the
// file; moved bytes are re-enciphered at their new positions.
//
// An unknown file number touches nothing: ReadLine gives the empty text,
// IsAtEnd true, InsertLine and DeleteData false.
//
// Readers loop "while (!IsAtEnd(file, 1)) line = ReadLine(file);", which
// stops at the end of the file and at the first NUL or 0x1A byte.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <variant>

#include "base/text.h"
#include "store/file_store.h"

namespace inicrypt {

// The line at the current position. Afterwards the position is:
//   after the LF             when a LF (alone or after CR) ends the line;
//   on the NUL or 0x1A byte  that ends the line (it stays unread);
//   at the end of the file   when the file ends the line.
// One CR at the end of the line is dropped (CR CR LF keeps one). A file
// whose last byte is a lead byte ends its last line there, that byte kept.
// The empty text at the end of the file (the position stays), and on a
// failure (the position moves to the end of the file).
Text ReadLine(FileNumber file);
// The same, into *line (its storage is reused: no allocation per line).
void ReadLine(FileNumber file, Text* line);

// True when nothing is left to read (position at or after the end). With
// text_line == 1, also true when the next byte is NUL or 0x1A; any other
// value acts as if none were given. A failure answers true. The position
// never changes.
bool IsAtEnd(FileNumber file, std::optional<int> text_line = std::nullopt);

// A calendar date and time, for InsertLine.
struct DateTime {
  int year, month, day, hour, minute, second;
};

// A value InsertLine turns into a line: texts as they are, integers in
// decimal (a byte unsigned), float as "%.6g" (of its exact double value),
// double as "%.13g", logical values as "真"/"假", date-times as "%d年%d月%d日"
// followed by "%d时%d分%d秒" when the second is not 0, else "%d时%d分" when
// the minute is not 0, else "%d时" when the hour is not 0, else nothing.
// std::monostate is no value: it adds nothing, not even CR LF.
using LineValue =
    std::variant<std::monostate, std::string_view, int32_t, uint8_t, float, double, bool, DateTime>;

// Inserts the text followed by CR LF at the current position p, shifting the
// rest of the file towards its end; the position is then just after the
// inserted line. False when the file is unknown, cannot be read or written,
// or would grow past 2^31 - 1 bytes; the position is then back at p. A
// failing read leaves the file as it was; a failing write may leave it half
// shifted.
[[nodiscard]] bool InsertLine(FileNumber file, std::string_view text);
// The same for each value in order, as one block; a block that is empty
// changes nothing (true).
[[nodiscard]] bool InsertLine(FileNumber file, std::initializer_list<LineValue> values);

// Removes count bytes at the current position p, shifting the rest towards
// the start, and sets the length to the larger of (length - count) and p: a
// count past the end cuts the file at p. The position is then at the new end
// of the file, not at p. count <= 0 changes nothing (true). On failure
// false and the position back at p.
[[nodiscard]] bool DeleteData(FileNumber file, int32_t count);

}  // namespace inicrypt
