// Line and block editing of an open file, plain or enciphered.
//
// A line ends at a LF byte; one CR before it is dropped. A NUL or 0x1A byte
// ends the text: ReadLine stops in front of it. The second byte of a
// two-byte character is never a line end. Lines written end with CR LF.
// InsertLine and DeleteData shift the rest of the file; moved bytes are
// re-enciphered at their new positions.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <variant>

#include "base/text.h"
#include "store/file_store.h"

namespace inicrypt {

// The line at the current position; the position moves past its line end
// (or stays on a NUL or 0x1A byte). The empty text at the end or on failure.
Text ReadLine(FileNumber file);

// True when nothing is left to read. With text_line == 1, also true when the
// next byte is NUL or 0x1A. The position never changes.
bool IsAtEnd(FileNumber file, std::optional<int> text_line = std::nullopt);

// A calendar date and time, for InsertLine.
struct DateTime {
  int year, month, day, hour, minute, second;
};

// A value InsertLine turns into a line: texts as they are, integers in
// decimal (a byte unsigned), float as "%.6g", double as "%.13g", logical
// values as "真"/"假", date-times in the Chinese calendar form.
using LineValue = std::variant<std::string_view, int32_t, uint8_t, float, double, bool, DateTime>;

// Inserts each value followed by CR LF at the current position, shifting the
// rest of the file; the position ends after the inserted block.
bool InsertLine(FileNumber file, std::string_view text);
bool InsertLine(FileNumber file, std::initializer_list<LineValue> values);

// Removes count bytes at the current position, shifting the rest; the
// position ends at the new end of the file. count <= 0 changes nothing.
bool DeleteData(FileNumber file, int32_t count);

}  // namespace inicrypt
