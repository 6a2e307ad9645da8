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

Status Refused(std::string message) { return Status::Error("file store: " + std::move(message)); }

}  // namespace

FileObject* store_detail::FindFileObjectSlow(FileNumber file) {
  Entry* entry = FindEntry(file);
  if (entry == nullptr) return nullptr;
  hot_number = file;
  hot_object = entry->object.get();
  return hot_object;
}

Status NotOpen(FileNumber file) {
  return Refused("file number " + std::to_string(file) + " is not open");
}

namespace store {

Status Open(std::string_view path, OpenMode mode, ShareMode share, std::string_view password,
            int32_t prefix_length, FileNumber* file) {
  *file = 0;
  if (path.empty()) return Refused("open: empty path");
  if (mode < OpenRead || mode > OpenOrCreateReadWrite) {
    return Refused("open: open mode " + std::to_string(mode) + " is not 1..6");
  }
  if (share < ShareAll || share > DenyReadWrite) {
    return Refused("open: share mode " + std::to_string(share) + " is not 1..4");
  }
  std::unique_ptr<FileObject> object;
  if (password.empty()) {
    object = std::make_unique<PlainFile>();
  } else {
    object = std::make_unique<EncryptedFile>(password, prefix_length);
  }
  const OpenRule& rule = kOpenRules[mode - 1];
  if (Status status = object->Open(path, rule.access, kShareRules[share - 1], rule.creation);
      !status.ok()) {
    return status;
  }
  CloseAllFilesAtExit();
  const FileNumber number = NewFileNumber();
  const FileKind kind = object->Kind();
  RegisterFile(number, kind, std::move(object));
  *file = number;
  return Status::Ok();
}

Status Open(std::string_view path, OpenMode mode, ShareMode share, std::string_view password,
            FileNumber* file) {
  return Open(path, mode, share, password, 0, file);
}

Status Close(FileNumber file) {
  std::unique_ptr<FileObject> object = UnregisterFile(file);
  if (!object) return NotOpen(file);
  return object->Close();
}

Status Seek(FileNumber file, int32_t offset, SeekFrom from) {
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  switch (from) {
    case SeekFrom::kStart: return object->Move(offset, SeekOrigin::kStart);
    case SeekFrom::kEnd: return object->Move(offset, SeekOrigin::kEnd);
    case SeekFrom::kCurrent: return object->Move(offset, SeekOrigin::kCurrent);
  }
  return Refused("seek: no such origin");
}

Status GetPosition(FileNumber file, int32_t* position) {
  *position = -1;
  const FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  *position = static_cast<int32_t>(object->Position());
  return Status::Ok();
}

Status GetLength(FileNumber file, int32_t* length) {
  *length = -1;
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  int64_t full = 0;
  if (Status status = object->GetLength(&full); !status.ok()) return status;
  if (full > kMaxFilePosition) return Refused("length: the file is longer than 2^31 - 1 bytes");
  *length = static_cast<int32_t>(full);
  return Status::Ok();
}

Status Read(FileNumber file, void* buffer, int32_t count, int32_t* got) {
  *got = 0;
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  if (count < 0) return Refused("read: negative count");
  size_t n = 0;
  if (Status status = object->Read(buffer, static_cast<size_t>(count), &n); !status.ok()) {
    return status;
  }
  *got = static_cast<int32_t>(n);
  return Status::Ok();
}

Status Write(FileNumber file, const void* bytes, int32_t count) {
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  if (count < 0) return Refused("write: negative count");
  return object->Write(bytes, static_cast<size_t>(count));
}

Status TruncateHere(FileNumber file) {
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  return object->SetLength(object->Position());
}

Status Flush(FileNumber file) {
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  return object->Sync();
}

std::optional<FileKind> KindOf(FileNumber file) {
  const Entry* entry = FindEntry(file);
  if (entry == nullptr) return std::nullopt;
  return entry->kind;
}

}  // namespace store

void CloseAllFiles() {
  std::vector<Entry> entries = std::move(TheRegistry().entries);
  TheRegistry().entries.clear();
  store_detail::hot_number = 0;
  for (Entry& entry : entries) {
    (void)entry.object->Close();
    entry.object.reset();
  }
}

// --- the numbered forms ---

FileNumber OpenFile(std::string_view path, int open_mode, int share_mode,
                    std::string_view password, int32_t prefix_length) {
  if (open_mode < OpenRead || open_mode > OpenOrCreateReadWrite) return 0;
  if (share_mode < ShareAll || share_mode > DenyReadWrite) return 0;
  FileNumber file = 0;
  (void)store::Open(path, static_cast<OpenMode>(open_mode), static_cast<ShareMode>(share_mode),
                    password, prefix_length, &file);
  return file;
}

void CloseFile(FileNumber file) { (void)store::Close(file); }

bool Seek(FileNumber file, int32_t offset) { return store::Seek(file, offset).ok(); }

bool Seek(FileNumber file, int origin, int32_t offset) {
  switch (origin) {
    case 1: return store::Seek(file, offset, SeekFrom::kStart).ok();
    case 2: return store::Seek(file, offset, SeekFrom::kEnd).ok();
    case 3: return store::Seek(file, offset, SeekFrom::kCurrent).ok();
    default: return false;
  }
}

bool SeekToEnd(FileNumber file) { return store::Seek(file, 0, SeekFrom::kEnd).ok(); }

int32_t GetPosition(FileNumber file) {
  int32_t position = -1;
  (void)store::GetPosition(file, &position);
  return position;
}

int CheckFileNumber(FileNumber file) {
  const std::optional<FileKind> kind = store::KindOf(file);
  if (!kind) return -1;
  return *kind == FileKind::kPlain ? 1 : 3;
}

}  // namespace inicrypt
