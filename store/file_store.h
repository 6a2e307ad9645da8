// The file store: files opened by path and named by file numbers.
//
// A file opened with a password is enciphered: every byte is deciphered
// after reading and enciphered before writing at its position (cipher.h).
// Without a password the bytes pass unchanged. Positions and lengths are
// those of the plain text; an enciphered file is exactly as long.
//
// Failures are reported by results (0, false, -1) and never thrown; the
// last failure's host message is kept for front ends (LastFileError).
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

// Opens path (handed to the host unchanged). An empty password makes a plain
// file, where the prefix has no effect. Returns 0 for an empty path, a mode
// out of range, or a file the host refuses to open.
FileNumber OpenFile(std::string_view path, int open_mode = OpenReadWrite,
                    int share_mode = ShareAll, std::string_view password = {},
                    int32_t prefix_length = 0);
// Closes and forgets the file; an unknown number does nothing.
void CloseFile(FileNumber file);

// Moves the position by offset from the start.
bool Seek(FileNumber file, int32_t offset);
// Moves the position by offset from origin (FromStart, FromEnd, FromCurrent);
// any other origin is false and leaves the position.
bool Seek(FileNumber file, int origin, int32_t offset);
bool SeekToEnd(FileNumber file);
// The current position, or -1.
int32_t GetPosition(FileNumber file);

// Whole-file helpers beyond the line operations: the length (or -1), and
// reading or writing bytes at the current position (-1 or false on failure).
int32_t GetFileLength(FileNumber file);
int32_t ReadBytes(FileNumber file, void* buffer, int32_t count);
bool WriteBytes(FileNumber file, const void* bytes, int32_t count);
// Sets the length to the current position.
bool TruncateHere(FileNumber file);
// Forces what was written to stable storage.
bool FlushFile(FileNumber file);

// Registry: the kind (KindPlain or KindEnciphered) of an open file, or -1.
int CheckFileNumber(FileNumber file);
// Closes every open file (done at exit as well).
void CloseAllFiles();

// The host's message for the last failure of a store operation.
const Status& LastFileError();

}  // namespace inicrypt
