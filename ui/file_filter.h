// The file types of an open-file dialog, from a CommonDlg's Filter text:
// descriptions and patterns alternately, separated by "|".
#pragma once

#include <string_view>
#include <vector>

#include "base/text.h"

namespace inicrypt::ui {

struct FileType {
  Text description;
  Text patterns;  // separated by ";"
};

struct FileTypes {
  std::vector<FileType> types;
  int selected = 0;  // index into types; 0 when there are none
};

// White space (0x09-0x0D, 0x20) at the end of the filter is dropped and
// "||" is added unless it ends in "||"; the text is then cut at every "|"
// that is not the second byte of a two-byte character, and taken in pairs
// up to the first empty description or pattern. filter_index selects a
// pair from 0; a negative or too large index selects the first.
FileTypes ParseFilter(std::string_view filter, int filter_index);

// The filter as Qt writes it: "description (patterns)", patterns separated
// by spaces; a description that already ends in "(patterns)" is kept as it is.
Text QtFilterOf(const FileType& type);

}  // namespace inicrypt::ui
