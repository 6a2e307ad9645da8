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
// starts (base/text.h).
//
// Every call opens the file, scans it from its first byte and closes it again
// on every way out; nothing is cached between calls. The path is rewritten by
// NormalizePath first, and the caller's variable keeps the rewritten path.
// A store failure in the middle of a scan is never taken for the end of the
// text: the call reports failure instead.
#pragma once

#include <string_view>

#include "base/text.h"
#include "store/file_store.h"

namespace inicrypt {

// A path holding no separator ("\" or "/", found where a character starts)
// gets SpecialFolder(9) + "\" in front of it. Then every "\\" becomes "\",
// in one pass from the left (three backslashes become two, four become two).
void NormalizePath(Text& path);

// Fills sections with the name of every header line in file order, duplicates
// and empty names included: the line without any "[" or "]", trimmed. False
// when the file cannot be opened or read; the list is then untouched.
[[nodiscard]] bool ListSections(Text& path, std::string_view password, TextList& sections);

// Fills keys with the key of every key line of the first header of section.
// False when the file cannot be opened or read or the section is not found;
// the list is then untouched.
[[nodiscard]] bool ListKeys(Text& path, std::string_view password, std::string_view section,
                            TextList& keys);

// The value of the first line of key in the first header of section, all of
// its bytes after the first "=", untrimmed. A line "key=" (nothing after its
// only "=") is passed over. A copy of default_value when the file cannot be
// opened or read, the section or key is missing, or the value is blank.
[[nodiscard]] Text ReadValue(Text& path, std::string_view password, std::string_view section,
                             std::string_view key, std::string_view default_value = {});

// Sets key in section to value, opening the file read-write or creating it:
// - the first line of key in the first header of section becomes the text
//   before its first "=" as it stood, "=" and value;
// - a missing key gets the line key "=" value at the end of the section: in
//   front of the next header, or at the end of the text;
// - a missing section is added at the end of the text as "[" section "]" and
//   the key line.
// Lines written end with CR LF; a line that ends the text without a line end
// gets one before anything is added after it, and a replaced line loses
// exactly its own bytes and line end. Every other byte stays.
// False, with nothing opened and the path not rewritten, when path is blank
// or CheckWritablePair refuses the pair. False as well when the file cannot
// be opened or a read or edit fails (the file may then be half edited:
// callers that need the old file whole work on a copy).
[[nodiscard]] bool WriteValue(Text& path, std::string_view password, std::string_view section,
                              std::string_view key, std::string_view value);

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
// Reads lines from the current position up to the header of section. True
// when found, the position then just after that header line; false at the
// end of the text (or on a read failure).
[[nodiscard]] bool FindSection(FileNumber file, std::string_view section);
// The key of a line holding "=": the text before its first "=", trimmed.
[[nodiscard]] Text KeyOfLine(std::string_view line);

}  // namespace inicrypt
