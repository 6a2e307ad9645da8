// The file store: files opened by path and named by file numbers.
//
// A file opened with a password is enciphered: every byte is deciphered
// after reading and enciphered before writing at its position (cipher.h).
// Without a password the bytes pass unchanged. Positions and lengths are
// those of the plain text; an enciphered file is exactly as long.
//
// The operations in namespace store report every failure as a Status that
// names what failed and where; nothing is thrown. Below them, the numbered
// forms (OpenFile, Seek, GetPosition ...) answer only 0, false or -1, for
// callers that want no more. The store runs on one thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/status.h"
#include "base/text.h"

namespace inicrypt {

// Names one open file; 0 names none.
using FileNumber = uint32_t;

// How a file is opened; the numbers are those the numbered OpenFile takes.
enum OpenMode : int {
  OpenRead = 1,               // read; the file must exist
  OpenWrite = 2,              // write; must exist, content kept
  OpenReadWrite = 3,          // read and write; must exist, content kept
  CreateWrite = 4,            // write; created, or emptied to length 0
  OpenOrCreateWrite = 5,      // write; opened with content, or created
  OpenOrCreateReadWrite = 6,  // read and write; opened with content, or created
};

// What other openers may do meanwhile; the numbers are those OpenFile takes.
enum ShareMode : int {
  ShareAll = 1,       // others may read and write
  DenyRead = 2,       // others may write only
  DenyWrite = 3,      // others may read only
  DenyReadWrite = 4,  // others may not open it
};

enum class FileKind { kPlain, kEnciphered };

// Where a move counts from.
enum class SeekFrom { kStart, kEnd, kCurrent };

namespace store {

// Opens path (handed to the host unchanged) and stores its new number in
// *file (0 on failure). A non-empty password makes an enciphered file whose
// first prefix_length bytes stay plain (negative acts as 0); the empty one a
// plain file. The new file stands at position 0. Fails for an empty path, a
// mode outside the enums, or a file the host refuses (missing in the modes
// that need it, a missing folder, no access, a sharing conflict, a folder):
// nothing stays open then.
//
// Numbers are never 0, distinct among the open files, and not issued again
// until 2^32 further opens. Files still open when the process exits are
// closed then. Reads are buffered per file; writes through any file of this
// process are seen at once by all of them, changes made by other processes
// only after the file is opened again.
[[nodiscard]] Status Open(std::string_view path, OpenMode mode, ShareMode share,
                          std::string_view password, int32_t prefix_length, FileNumber* file);
[[nodiscard]] Status Open(std::string_view path, OpenMode mode, ShareMode share,
                          std::string_view password, FileNumber* file);
// Closes the file and forgets its number. The host's failure to close (which
// may mean that written bytes did not reach the file) is returned; the number
// is forgotten all the same.
[[nodiscard]] Status Close(FileNumber file);

// Every operation below fails at once, touching nothing, for a number that
// is not open. Positions are signed 32-bit: a move or write that would put
// the position beyond 2^31 - 1 fails and leaves position and file as they
// were. A position after the end of the file is allowed; writing there
// extends the file.

// Moves the position to offset from where from says; a result below 0 fails
// and leaves the position.
[[nodiscard]] Status Seek(FileNumber file, int32_t offset, SeekFrom from = SeekFrom::kStart);
[[nodiscard]] Status GetPosition(FileNumber file, int32_t* position);
// The length of the file (that of its plain text).
[[nodiscard]] Status GetLength(FileNumber file, int32_t* length);
// Reads up to count bytes at the position and moves past them; *got is less
// than count only at the end of the file. On failure *got is 0 and the
// position unchanged.
[[nodiscard]] Status Read(FileNumber file, void* buffer, int32_t count, int32_t* got);
// Writes count bytes at the position and moves past them (count 0 does
// nothing). On failure the position is unchanged; a failing host write may
// have written part.
[[nodiscard]] Status Write(FileNumber file, const void* bytes, int32_t count);
// Sets the length to the current position.
[[nodiscard]] Status TruncateHere(FileNumber file);
// Forces what was written to stable storage.
[[nodiscard]] Status Flush(FileNumber file);
// The kind of an open file; nothing for a number that is not open.
std::optional<FileKind> KindOf(FileNumber file);

}  // namespace store

// Closes every open file, in the order they were opened (done at exit too).
void CloseAllFiles();

// The numbered forms, each built on the store operation above it. A failure
// answers as given and leaves no message. Tests: tests/store/file_store_test.cpp.

// The new file's number, or 0 when nothing was opened (also for open_mode
// outside 1..6 or share_mode outside 1..4).
[[nodiscard]] FileNumber OpenFile(std::string_view path, int open_mode = OpenReadWrite,
                                  int share_mode = ShareAll, std::string_view password = {},
                                  int32_t prefix_length = 0);
// Closes and forgets the file; an unknown number does nothing.
void CloseFile(FileNumber file);
// Moves the position to offset from the start; false on failure.
bool Seek(FileNumber file, int32_t offset);
// Moves by offset from origin: 1 the start, 2 the end, 3 the current
// position. Any other origin, or a result below 0, is false and leaves the
// position.
bool Seek(FileNumber file, int origin, int32_t offset);
// Moves the position to the end of the file; false on failure.
bool SeekToEnd(FileNumber file);
// The current position, or -1.
int32_t GetPosition(FileNumber file);
// The kind of an open file, 1 plain or 3 enciphered, or -1 for a number that
// is not open.
int CheckFileNumber(FileNumber file);

}  // namespace inicrypt
