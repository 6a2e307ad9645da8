// INI access over the file store: section names, key names and single values
// read from, and single values written into, INI text held in a file that is
// enciphered (a non-empty password) or plain (the empty password).
//
// Layout as read: the text is read line by line (store/lines.h: a line ends
// at LF, one CR before it is dropped, a NUL or 0x1A byte ends the text). A
// line is a section header when, trimmed, its first byte is "[" and its last
// byte "]". Section S is found at the first line equal to "[" S "]" after both
// are upper-cased (ASCII only), the line untrimmed and S as given. A section
// runs to the next header line. A key line holds "=": its key is the text
// before the first "=", trimmed; its value everything after it. Keys compare
// byte for byte. There is no comment syntax. Trimming removes spaces and
// full-width spaces only; "=", "[" and "]" count only where a character
// starts (base/text.h). Byte-level cases: tests/ini/ini_read_test.cpp and
// tests/ini/ini_write_test.cpp.
//
// Every call opens the file under NormalizePath(path), scans it from its
// first byte and closes it again on every way out; nothing is cached between
// calls. The operations in namespace ini answer a failure of the store with
// its Status and never take it for the end of the text; the bool forms below
// them answer as they always have.
#pragma once

#include <string_view>

#include "base/status.h"
#include "base/text.h"
#include "store/file_store.h"

namespace inicrypt {

// The path a file is opened under: a path holding no separator ("\" or "/",
// found where a character starts) gets the folder of FolderKind::kIniFiles
// and "\" in front of it; then every "\\" becomes "\", in one pass from the
// left (three backslashes become two, four become two).
Text NormalizePath(std::string_view path);

namespace ini {

// Fills *sections with the name of every header line in file order,
// duplicates and empty names included: the line without any "[" or "]",
// trimmed. On failure (the file cannot be opened or read) the list is
// untouched.
[[nodiscard]] Status ListSections(std::string_view path, std::string_view password,
                                  TextList* sections);

// Found: *keys holds the key of every key line under the first header of
// section. Not found: the file has no such section. Failed: the file cannot
// be opened or read. Unless found, the list is untouched.
Lookup ListKeys(std::string_view path, std::string_view password, std::string_view section,
                TextList* keys);

// Found: *value holds the value of the first line of key under the first
// header of section, all of its bytes after the first "=", untrimmed (it may
// be blank); a line "key=" (nothing after its only "=") is passed over. Not
// found: no such section, or no such key giving a value. Failed: the file
// cannot be opened or read. Unless found, *value is empty.
Lookup ReadValue(std::string_view path, std::string_view password, std::string_view section,
                 std::string_view key, Text* value);

// Sets key in section to value, opening the file read-write or creating it:
// - the first line of key under the first header of section becomes the
//   text before its first "=" as it stood, "=" and value;
// - a missing key gets the line key "=" value at the end of the section: in
//   front of the next header, or at the end of the text;
// - a missing section is added at the end of the text as "[" section "]" and
//   the key line.
// Lines written end with CR LF; a line that ends the text without a line end
// gets one before anything is added after it, and a replaced line loses
// exactly its own bytes and line end. Every other byte stays.
// Refused, with nothing opened, when path is blank or CheckWritablePair
// refuses the pair. Fails as well when the file cannot be
// opened, read, edited or closed (the file may then be half edited: callers
// that need the old file whole work on a copy). The call holds the writers'
// lock of the file (host/replace.h): a writer in another process is waited
// for a bounded time, then the call fails naming the file.
[[nodiscard]] Status WriteValue(std::string_view path, std::string_view password,
                                std::string_view section, std::string_view key,
                                std::string_view value);

// Reads lines from the position of the open file up to the header of
// section. Found: the position is just after that header line. Not found:
// the position is at the end of the text.
Lookup FindSection(FileNumber file, std::string_view section);

}  // namespace ini

// The bool forms, each built on the operation of the same name above.

// ini::ListSections; false on failure.
[[nodiscard]] bool ListSections(std::string_view path, std::string_view password,
                                TextList& sections);
// ini::ListKeys; false when the section is not found or on failure.
[[nodiscard]] bool ListKeys(std::string_view path, std::string_view password,
                            std::string_view section, TextList& keys);
// ini::ReadValue, or a copy of default_value when the value is not found,
// is blank, or cannot be read.
[[nodiscard]] Text ReadValue(std::string_view path, std::string_view password,
                             std::string_view section, std::string_view key,
                             std::string_view default_value = {});
// ini::WriteValue; false when refused or on failure.
[[nodiscard]] bool WriteValue(std::string_view path, std::string_view password,
                              std::string_view section, std::string_view key,
                              std::string_view value);
// ini::FindSection; false when not found or on failure.
[[nodiscard]] bool FindSection(FileNumber file, std::string_view section);

// What keeps WriteValue from writing a pair, checked in this order.
enum class PairProblem {
  kNone,
  kBreaksLine,      // section, key or value holds a LF, NUL or 0x1A byte
  kBlankSection,    // the section is empty or blanks only
  kBlankKey,        // the key is empty or blanks only
  kKeyHoldsEquals,  // the key would not read back as the key of its line: it
                    // holds "=" where a character starts, or ends in a lone
                    // lead byte that would take the "=" for its second byte
};
[[nodiscard]] PairProblem CheckWritablePair(std::string_view section, std::string_view key,
                                            std::string_view value);

// Shared by reading and writing.

// True when the line, trimmed, starts with the byte "[" and ends with "]".
[[nodiscard]] bool IsSectionHeader(std::string_view line);
// The key of a line holding "=": the text before its first "=", trimmed.
[[nodiscard]] Text KeyOfLine(std::string_view line);

}  // namespace inicrypt
