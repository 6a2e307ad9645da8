// The file store: files opened by path and named by file numbers.
//
// A file opened with a password is enciphered: every byte is deciphered
// after reading and enciphered before writing at its position (cipher.h).
// Without a password the bytes pass unchanged. Positions and lengths are
// those of the plain text; an enciphered file is exactly as long.
//
// Failures are reported by results (0, false, -1) and never thrown; the
// last failure's message is kept for front ends (LastFileError). The store
// runs on one thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/status.h"
#include "base/text.h"

namespace inicrypt {

// Names one open file; 0 names none.
using FileNumber = uint32_t;

enum OpenMode : int {
  OpenRead = 1,               // read; the file must exist
  OpenWrite = 2,              // write; must exist, content kept
  OpenReadWrite = 3,          // read and write; must exist, content kept
  CreateWrite = 4,            // write; created, or emptied to length 0
  OpenOrCreateWrite = 5,      // write; opened with content, or created
  OpenOrCreateReadWrite = 6,  // read and write; opened with content, or created
};

enum ShareMode : int {
  ShareAll = 1,       // others may read and write
  DenyRead = 2,       // others may write only
  DenyWrite = 3,      // others may read only
  DenyReadWrite = 4,  // others may not open it
};

enum SeekFrom : int { FromStart = 1, FromEnd = 2, FromCurrent = 3 };

enum FileKind : int { KindPlain = 1, KindEnciphered = 3 };

// Opens path (handed to the host unchanged) and returns its new number, or
// 0 when nothing was opened: an empty path, an open mode outside 1..6, a
// share mode outside 1..4, or a file the host refuses (missing in modes 1-3,
// a missing folder, no access, a sharing conflict, a folder). A password
// makes an enciphered file whose first prefix_length bytes stay plain
// (negative acts as 0); an empty one a plain file, where the prefix has no
// effect. A new file object stands at position 0.
//
// Numbers are never 0, distinct among the open files, and not issued again
// until 2^32 further opens. Files still open when the process exits are
// closed then. Reads are buffered per file object; writes through any file
// object of this process are seen at once by all of them, changes made by
// other processes only after the file is opened again.
[[nodiscard]] FileNumber OpenFile(std::string_view path, int open_mode = OpenReadWrite,
                                  int share_mode = ShareAll, std::string_view password = {},
                                  int32_t prefix_length = 0);
// Closes and forgets the file; an unknown number does nothing.
void CloseFile(FileNumber file);

// Every operation below first checks the number: an unknown one fails
// (false, -1) at once and touches nothing.
//
// Positions are signed 32-bit: a move or write that would put the position
// beyond 2^31 - 1 fails and leaves position and file as they were. A
// position after the end of the file is allowed; writing there extends the
// file.

// Moves the position to offset from the start.
bool Seek(FileNumber file, int32_t offset);
// Moves the position by offset from origin (FromStart, FromEnd, FromCurrent).
// Any other origin, or a result below 0, is false and leaves the position.
bool Seek(FileNumber file, int origin, int32_t offset);
// Moves the position to the end of the file.
bool SeekToEnd(FileNumber file);
// The current position, or -1.
int32_t GetPosition(FileNumber file);

// The length of the file (that of its plain text), or -1.
int32_t GetFileLength(FileNumber file);
// Reads up to count bytes at the position and moves past them: the number
// read (less than count only at the end of the file), or -1 on failure with
// the position unchanged.
[[nodiscard]] int32_t ReadBytes(FileNumber file, void* buffer, int32_t count);
// Writes count bytes at the position and moves past them (count 0 does
// nothing). On failure the position is unchanged; a failing host write may
// have written part.
[[nodiscard]] bool WriteBytes(FileNumber file, const void* bytes, int32_t count);
// Sets the length to the current position.
[[nodiscard]] bool TruncateHere(FileNumber file);
// Forces what was written to stable storage.
[[nodiscard]] bool FlushFile(FileNumber file);

// Registry: the kind (KindPlain or KindEnciphered) of an open file, or -1.
int CheckFileNumber(FileNumber file);
// Closes every open file, in the order they were opened (done at exit too).
void CloseAllFiles();

// The message of the last failure of a store operation (the host's, or the
// store's own for bad arguments and unknown numbers). Successes leave it.
const Status& LastFileError();

}  // namespace inicrypt
