#include "store/file_store.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "store/file_object.h"

namespace inicrypt {
namespace {

struct Entry {
  FileNumber number;
  FileKind kind;
  std::unique_ptr<FileObject> object;
};

// The open files in the order of opening. Never destroyed: it is emptied by
// CloseAllFiles at exit, and other exit-time code may still ask it.
struct Registry {
  std::vector<Entry> entries;
  FileNumber next = 1;
  Status last_error;
  bool closes_at_exit = false;
};

Registry* g_registry = nullptr;  // one thread: no guard needed

Registry& TheRegistry() {
  if (g_registry == nullptr) g_registry = new Registry;
  return *g_registry;
}

Entry* FindEntry(FileNumber file) {
  auto& entries = TheRegistry().entries;
  // Recently opened files are the ones in use.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (it->number == file) return &*it;
  }
  return nullptr;
}

void RegisterFile(FileNumber file, FileKind kind, std::unique_ptr<FileObject> object) {
  if (FindEntry(file) == nullptr) TheRegistry().entries.push_back({file, kind, std::move(object)});
}

// Removes the entry and hands its file object back (nullptr if unknown).
std::unique_ptr<FileObject> UnregisterFile(FileNumber file) {
  if (store_detail::hot_number == file) store_detail::hot_number = 0;
  auto& entries = TheRegistry().entries;
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->number != file) continue;
    std::unique_ptr<FileObject> object = std::move(it->object);
    entries.erase(it);
    return object;
  }
  return nullptr;
}

// A counter: a number comes back only after 2^32 opens, and never while
// its file is open.
FileNumber NewFileNumber() {
  Registry& registry = TheRegistry();
  for (;;) {
    const FileNumber number = registry.next++;
    if (registry.next == 0) registry.next = 1;
    if (number != 0 && FindEntry(number) == nullptr) return number;
  }
}

// Registered after the host has opened its first file, so that it runs
// before anything the host set up for that open is torn down.
void CloseAllFilesAtExit() {
  Registry& registry = TheRegistry();
  if (registry.closes_at_exit) return;
  registry.closes_at_exit = true;
  std::atexit([] { CloseAllFiles(); });
}

struct OpenRule {
  FileAccess access;
  FileCreation creation;
};

constexpr OpenRule kOpenRules[] = {
    {FileAccess::kRead, FileCreation::kOpenExisting},       // OpenRead
    {FileAccess::kWrite, FileCreation::kOpenExisting},      // OpenWrite
    {FileAccess::kReadWrite, FileCreation::kOpenExisting},  // OpenReadWrite
    {FileAccess::kWrite, FileCreation::kCreateAlways},      // CreateWrite
    {FileAccess::kWrite, FileCreation::kOpenAlways},        // OpenOrCreateWrite
    {FileAccess::kReadWrite, FileCreation::kOpenAlways},    // OpenOrCreateReadWrite
};

constexpr FileShare kShareRules[] = {FileShare::kAll, FileShare::kDenyRead,
                                     FileShare::kDenyWrite, FileShare::kDenyReadWrite};

bool Failed(const Status& status) {
  if (status.ok()) return false;
  NoteFileError(status);
  return true;
}

bool Fail(std::string message) {
  NoteFileError(Status::Error("file store: " + std::move(message)));
  return false;
}

}  // namespace

FileObject* store_detail::FindFileObjectSlow(FileNumber file) {
  if (Entry* entry = FindEntry(file)) {
    hot_number = file;
    hot_object = entry->object.get();
    return hot_object;
  }
  Fail("file number " + std::to_string(file) + " is not open");
  return nullptr;
}

void NoteFileError(const Status& status) { TheRegistry().last_error = status; }

const Status& LastFileError() { return TheRegistry().last_error; }

int CheckFileNumber(FileNumber file) {
  const Entry* entry = FindEntry(file);
  return entry ? entry->kind : -1;
}

FileNumber OpenFile(std::string_view path, int open_mode, int share_mode,
                    std::string_view password, int32_t prefix_length) {
  if (path.empty()) {
    Fail("open: empty path");
    return 0;
  }
  if (open_mode < OpenRead || open_mode > OpenOrCreateReadWrite) {
    Fail("open: open mode " + std::to_string(open_mode) + " is not 1..6");
    return 0;
  }
  if (share_mode < ShareAll || share_mode > DenyReadWrite) {
    Fail("open: share mode " + std::to_string(share_mode) + " is not 1..4");
    return 0;
  }
  std::unique_ptr<FileObject> object;
  if (password.empty()) {
    object = std::make_unique<PlainFile>();
  } else {
    object = std::make_unique<EncryptedFile>(password, prefix_length);
  }
  const OpenRule& rule = kOpenRules[open_mode - 1];
  if (Failed(object->Open(path, rule.access, kShareRules[share_mode - 1], rule.creation))) {
    return 0;
  }
  CloseAllFilesAtExit();
  const FileNumber number = NewFileNumber();
  const FileKind kind = object->Kind();
  RegisterFile(number, kind, std::move(object));
  return number;
}

void CloseFile(FileNumber file) {
  std::unique_ptr<FileObject> object = UnregisterFile(file);
  if (object) (void)object->Close();
}

void CloseAllFiles() {
  std::vector<Entry> entries = std::move(TheRegistry().entries);
  TheRegistry().entries.clear();
  store_detail::hot_number = 0;
  for (Entry& entry : entries) {
    (void)entry.object->Close();
    entry.object.reset();
  }
}

bool Seek(FileNumber file, int32_t offset) { return Seek(file, FromStart, offset); }

bool Seek(FileNumber file, int origin, int32_t offset) {
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return false;
  SeekOrigin from = SeekOrigin::kStart;
  switch (origin) {
    case FromStart: break;
    case FromEnd: from = SeekOrigin::kEnd; break;
    case FromCurrent: from = SeekOrigin::kCurrent; break;
    default: return Fail("seek: origin " + std::to_string(origin) + " is not 1..3");
  }
  return !Failed(object->Move(offset, from));
}

bool SeekToEnd(FileNumber file) { return Seek(file, FromEnd, 0); }

int32_t GetPosition(FileNumber file) {
  const FileObject* object = FindFileObject(file);
  return object ? static_cast<int32_t>(object->Position()) : -1;
}

int32_t GetFileLength(FileNumber file) {
  FileObject* object = FindFileObject(file);
  int64_t length = 0;
  if (object == nullptr || Failed(object->GetLength(&length))) return -1;
  if (length > kMaxFilePosition) {
    Fail("length: the file is longer than 2^31 - 1 bytes");
    return -1;
  }
  return static_cast<int32_t>(length);
}

int32_t ReadBytes(FileNumber file, void* buffer, int32_t count) {
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return -1;
  if (count < 0) {
    Fail("read: negative count");
    return -1;
  }
  size_t got = 0;
  if (Failed(object->Read(buffer, static_cast<size_t>(count), &got))) return -1;
  return static_cast<int32_t>(got);
}

bool WriteBytes(FileNumber file, const void* bytes, int32_t count) {
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return false;
  if (count < 0) return Fail("write: negative count");
  return !Failed(object->Write(bytes, static_cast<size_t>(count)));
}

bool TruncateHere(FileNumber file) {
  FileObject* object = FindFileObject(file);
  return object != nullptr && !Failed(object->SetLength(object->Position()));
}

bool FlushFile(FileNumber file) {
  FileObject* object = FindFileObject(file);
  return object != nullptr && !Failed(object->Sync());
}

}  // namespace inicrypt
