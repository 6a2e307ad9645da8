// Helpers shared by the files of the POSIX host (host_posix.cpp and the
// posix_*.cpp files beside it). Internal to host/: nothing else includes it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "host/host.h"

namespace inicrypt::posix {

// --- errors and names (posix_common.cpp) ---

// The one place an error number becomes a Status: "<what>: <reason>", where
// what is "<operation> <path>". The reason is the error's English text
// (never translated, so messages stay code page 936 safe) unless given.
Status PosixError(std::string_view what, int err, std::string_view reason = {});
// "<operation> <path>".
std::string What(std::string_view operation, std::string_view path);
// The file system's spelling of a CP936 path: UTF-8, with "/" for every "\".
Status ToNative(std::string_view operation, std::string_view path, std::string* native);
// A name from the file system, in code page 936.
Status FromNative(std::string_view operation, std::string_view native, Text* out);

// open(2) with mode 0666, retried on EINTR.
int OpenRetrying(const char* native, int flags);
// close(2); an EINTR counts as closed, as it is on Linux.
int CloseNoRetry(int fd);
// An environment variable as the OS holds it; empty when unset.
std::string NativeEnvironment(const char* name);
// The current folder as the OS spells it; false with errno set on failure.
bool NativeCurrentFolder(std::string* folder);

// --- the parts of the host ---

// posix_files.cpp: opening with Windows-style sharing inside the process.
Status OpenPosixFile(std::string_view path, FileAccess access, FileShare share,
                     FileCreation creation, std::unique_ptr<HostFile>* file);
// The temporaries and the writers' locks (posix_files.cpp too).
Status CreateTemporary(std::string_view folder, std::unique_ptr<HostFile>* file, Text* path);
Status TryLock(std::string_view path, std::unique_ptr<HostFile>* held);
// posix_folders.cpp: the special folder of a kind, in code page 936.
Text FolderOfKind(int kind);
// posix_interrupt.cpp: removal on interrupt, and the secret line.
void AddInterruptPath(std::string_view path);
void DropInterruptPath(std::string_view path);
Status ReadSecret(std::string_view prompt, std::string* line);

}  // namespace inicrypt::posix
