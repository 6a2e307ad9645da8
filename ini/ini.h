// INI access over the file store: section names, key names and single values
// read from, and single values written into, INI text held in a file that is
// enciphered (a non-empty password) or plain (the empty password).
//
// Layout as read: a line is a section header when, trimmed, its first byte is
// "[" and its last byte "]". Section S is found at the first line equal to
// "[" S "]" after both are upper-cased (ASCII only), the line untrimmed. A
// section runs to the next header line. A key line holds "=": its key is the
// text before the first "=", trimmed; its value everything after it. Keys
// compare byte for byte. There is no comment syntax.
//
// Every call opens the file, scans it from its first byte and closes it;
// nothing is cached between calls. Paths are rewritten by NormalizePath.
#pragma once

#include <string_view>

#include "base/text.h"
#include "store/file_store.h"

namespace inicrypt {

// A path with no separator is taken from SpecialFolder(9); then every
// doubled "\" becomes one.
void NormalizePath(Text& path);

// The section names in file order (duplicates and empty names included).
// False, list untouched, when the file cannot be opened.
bool ListSections(Text& path, std::string_view password, TextList& sections);

// The key names of the first header of section. False, list untouched, when
// the file cannot be opened or the section is not found.
bool ListKeys(Text& path, std::string_view password, std::string_view section, TextList& keys);

// The value of the first line of key in section, untrimmed, or a copy of the
// default when the file, section or key is missing or the value is blank.
Text ReadValue(Text& path, std::string_view password, std::string_view section,
               std::string_view key, std::string_view default_value = {});

// Replaces the value of key in section, adds the key at the end of the
// section, or appends the section with the key. False when path, section or
// key is blank, or the file cannot be opened or created.
bool WriteValue(Text& path, std::string_view password, std::string_view section,
                std::string_view key, std::string_view value);

// Shared by reading and writing.
bool IsSectionHeader(std::string_view line);
// Scans from the current position for the header of section; when found the
// position is just after it.
bool FindSection(FileNumber file, std::string_view section);
// The key of a line holding "=".
Text KeyOfLine(std::string_view line);

}  // namespace inicrypt
