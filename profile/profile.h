// The profile (INI) service of a host that has none of its own: one value
// read from, or written into, a plain INI file, the way the Windows profile
// functions do it, so that a file read or written here gives the same pairs
// there.
//
// Layout as this service sees it (the INI reader in ini/ has its own, simpler
// rules: no comments, and keys compared with letter case):
// - a line ends at CR LF, at LF or at CR; the last line may lack an end; a
//   UTF-8 byte-order mark at the start of the file is passed over;
// - blanks are spaces and tabs; they are ignored around a section name inside
//   "[ ]", around a key before "=" and around a value, and the caller's
//   section and key are trimmed the same way;
// - a header is a line whose first non-blank byte is "["; its name runs to
//   the last "]" of the line and the rest of the line is ignored; a line with
//   "[" but no "]" is no header;
// - a line whose first non-blank byte is ";" is a comment;
// - a key line is any other line holding "="; its key is the text before the
//   first "=";
// - names are compared without regard to ASCII letter case; two-byte
//   characters (code page 936: a byte of 0x80 or more and the byte after it)
//   compare exactly and their second byte is never syntax;
// - only the first section of a name is searched, and in it the first
//   matching key is used; lines before the first header belong to no section.
//
// Every call reads the file afresh; nothing is cached.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/status.h"
#include "base/text.h"

namespace inicrypt {

// Longest value handed back, in bytes.
inline constexpr int kProfileValueMax = 10239;

// Looks up key in section of the file at path. Found: *value holds the value
// with the blanks around it removed, then one pair of matching quotes
// ("..." or '...') around a value of two or more bytes; cut to
// kProfileValueMax bytes (never inside a two-byte character) and at a NUL
// byte. Not found: the file, the section or the key is missing, or the key
// is empty. Failed: the file is there but cannot be opened or read. path is
// a full path (the caller has applied the bare-name rule). Cases:
// tests/profile/profile_read_test.cpp.
Lookup ProfileGetString(std::string_view path, std::string_view section, std::string_view key,
                        Text* value);
// The value when found; otherwise default_value with its trailing spaces
// removed.
Text ProfileGetString(std::string_view path, std::string_view section, std::string_view key,
                      std::string_view default_value);

// True when the service can write the pair: section and key are not empty
// once blanks are trimmed, and none of the three holds a CR or LF byte (such
// a text would break the file's lines).
[[nodiscard]] bool IsProfilePair(std::string_view section, std::string_view key,
                                 std::string_view value);

// Sets key in section of the file at path to value, written as given.
// - A missing file is created holding "[section]" CR LF "key=value" CR LF;
//   its folder must exist.
// - An existing key (the first match in the first matching section): only its
//   line changes, to the key as it stood in the file, "=", and the value; the
//   line's own line end and every other byte of the file stay as they were.
//   When the line holds the value already (blanks around it aside) or would
//   stay the same, nothing is written.
// - A new key: the line "key=value" CR LF right after the section's last
//   non-blank line (a line end first when that line has none).
// - A new section: "[section]" CR LF "key=value" CR LF appended, after a
//   CR LF of its own when the last line has no line end.
// Section and key are written without the blanks around them. The file is
// opened for writing and closed to other writers of this process while the
// call runs.
//
// With sync true the new content replaces the file by ReplaceWholeFile
// (host/replace.h): a temporary file in the same folder, forced to disk,
// given the old file's owner and permission bits and renamed over the file,
// so that a crash leaves the old file or the new one, never a mix, and no
// temporary file. The call holds the writers' lock of the file (WriterLock):
// a writer in another process is waited for, a bounded time.
//
// With sync false, for a file that is itself being built under a temporary
// name and forced to disk by its owner once complete, an existing file is
// edited in place and nothing is forced to disk; a failure can leave it half
// written.
//
// Fails, with the file left whole (sync true), when the file cannot be read
// or written (folder missing or read-only, a read-only file, a folder in the
// file's place, a file another opener keeps from writers); refused when
// IsProfilePair refuses the pair. Cases: tests/profile/profile_write_test.cpp.
[[nodiscard]] Status ProfileWriteString(std::string_view path, std::string_view section,
                                        std::string_view key, std::string_view value,
                                        bool sync = true);

}  // namespace inicrypt
