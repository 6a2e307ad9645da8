// Line and block editing of an open file, plain or enciphered.
//
// A line ends at a LF byte; one CR before it is dropped. A NUL or 0x1A byte
// ends the text: no line is read past it. The second byte of a two-byte
// character (lead byte 0x80 or more, then a byte of 0x40 to 0xFE other than
// 0x7F) is never a line end; a lead byte before a LF leaves the LF a line
// end. Lines written end
// with CR LF. InsertLine and DeleteData shift the rest of the file; moved
// bytes are re-enciphered at their new positions.
//
// The operations in namespace store tell the end of the text from a failure;
// the numbered forms below them answer as they always have. Byte-level
// cases (line ends, chunk edges, lone lead bytes): tests/store/lines_test.cpp.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <variant>

#include "base/status.h"
#include "base/text.h"
#include "store/file_store.h"

namespace inicrypt {

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

namespace store {

// Reads the line at the position into *line (its storage is reused).
// Found: the position is then after the LF that ended the line, on the NUL
// or 0x1A byte that ended it, or at the end of the file. Not found: the end
// of the text is reached (the end of the file, or a NUL or 0x1A byte stands
// at the position); *line is empty and the position stays. Failed: *line is
// empty and the position stays.
Lookup ReadLine(FileNumber file, Text* line);

// Whether the position is at or after the end of the file.
[[nodiscard]] Status IsAtEndOfFile(FileNumber file, bool* at_end);
// Whether no more text is left: the end of the file, or a NUL or 0x1A byte
// at the position. The position never changes.
[[nodiscard]] Status IsAtEndOfText(FileNumber file, bool* at_end);

// Inserts the text followed by CR LF at the position p, shifting the rest of
// the file towards its end; the position is then just after the inserted
// line. Fails for a file that cannot be read or written or would grow past
// 2^31 - 1 bytes; the position is then back at p. A failing read leaves the
// file as it was; a failing write may leave it half shifted.
[[nodiscard]] Status InsertLine(FileNumber file, std::string_view text);
// The same for each value in order, as one block; an empty block changes
// nothing.
[[nodiscard]] Status InsertLine(FileNumber file, std::initializer_list<LineValue> values);

// Removes count bytes at the position p, shifting the rest towards the
// start, and sets the length to the larger of (length - count) and p: a
// count past the end cuts the file at p. The position is then at the new
// end of the file, not at p. count <= 0 changes nothing. On failure the
// position is back at p.
[[nodiscard]] Status DeleteData(FileNumber file, int32_t count);

}  // namespace store

// The numbered forms. An unknown file number touches nothing.
//
// Readers loop "while (!IsAtEnd(file, 1)) line = ReadLine(file);", which
// stops at the end of the file and at the first NUL or 0x1A byte.

// The line at the position, as store::ReadLine reads it. The empty text at
// the end of the text (the position stays), and on a failure (the position
// moves to the end of the file).
Text ReadLine(FileNumber file);

// True when nothing is left to read (position at or after the end). With
// text_line == 1, also true when the next byte is NUL or 0x1A; any other
// value acts as if none were given. A failure answers true. The position
// never changes.
bool IsAtEnd(FileNumber file, std::optional<int> text_line = std::nullopt);

// store::InsertLine and store::DeleteData, true on success.
[[nodiscard]] bool InsertLine(FileNumber file, std::string_view text);
[[nodiscard]] bool InsertLine(FileNumber file, std::initializer_list<LineValue> values);
[[nodiscard]] bool DeleteData(FileNumber file, int32_t count);

}  // namespace inicrypt
