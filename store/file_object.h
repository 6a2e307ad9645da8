// Open files of the store (internal to store/).
//
// A FileObject holds one host file and its own logical position. Positions
// and lengths are those of the plain text; an EncryptedFile deciphers after
// each read, at the position read from, and enciphers a copy before each
// write, at the position where it lands. A PlainFile passes bytes unchanged.
//
// Reads go through a buffer of deciphered bytes. Every write and every change
// of length made through a file object updates its own buffer and drops the
// buffers (and cached lengths) of the other file objects of this process open
// on the same file (same HostFile::Id()), so they see the change at once.
// Changes made by other processes while a file object is open are not seen
// until it is opened again.
//
// Positions stay within 0 .. kMaxFilePosition: a move, read or write that
// would go beyond fails (or, for a read, stops there) and touches nothing.
// Not thread-safe: the store runs on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "base/status.h"
#include "host/host.h"
#include "store/cipher.h"
#include "store/file_store.h"

namespace inicrypt {

// Positions are signed 32-bit: no position, and no file length the store
// creates, goes beyond this.
inline constexpr int64_t kMaxFilePosition = INT32_MAX;

// Size of a file object's read buffer.
inline constexpr size_t kReadBufferSize = 64 * 1024;

class FileObject {
 public:
  virtual ~FileObject();
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  virtual FileKind Kind() const = 0;

  // Opens path (handed to the host unchanged); the position is then 0.
  [[nodiscard]] Status Open(std::string_view path, FileAccess access, FileShare share,
                            FileCreation creation);
  // Closes the host file; afterwards the object has none, even on failure.
  Status Close();
  [[nodiscard]] Status Sync();

  int64_t Position() const { return position_; }
  // Moves to offset from origin. A result below 0 or beyond kMaxFilePosition
  // fails and leaves the position.
  [[nodiscard]] Status Move(int64_t offset, SeekOrigin origin);
  [[nodiscard]] Status GetLength(int64_t* length) {
    if (length_ < 0 || !file_) return LearnLength(length);
    *length = length_;
    return Status::Ok();
  }
  // Cuts or extends the file to length; the position is then length.
  [[nodiscard]] Status SetLength(int64_t length);

  // Reads up to count bytes at the position and moves past them; *got is
  // less than count only at the end of the file (or at kMaxFilePosition).
  // On failure *got is 0 and the position is unchanged.
  [[nodiscard]] Status Read(void* buffer, size_t count, size_t* got);
  // Writes count bytes at the position and moves past them. On failure the
  // position is unchanged; a failing host write may have written part.
  [[nodiscard]] Status Write(const void* bytes, size_t count);

  // Line scanning without copies: *bytes receives the buffered bytes from
  // the position on, at least min_count of them unless the file ends sooner
  // (then all that are left; none at the end). The view lasts until the next
  // call on any file object. The position does not move.
  [[nodiscard]] Status Peek(size_t min_count, std::span<const uint8_t>* bytes) {
    const size_t have = Available();
    if (have < min_count || have == 0 || !readable_) return PeekOrFill(min_count, bytes);
    *bytes = {buffer_.get() + (position_ - buffer_start_), have};
    return Status::Ok();
  }
  // Moves the position forward over count bytes that Peek gave.
  void Skip(size_t count) { position_ += static_cast<int64_t>(count); }

 protected:
  FileObject() = default;
  // Applies the file's cipher in place to bytes at position (nothing for a
  // plain file).
  virtual void Transform(int64_t position, uint8_t* bytes, size_t count) const = 0;
  virtual bool Transforms() const = 0;

 private:
  // Buffered bytes from the position on.
  size_t Available() const {
    const int64_t offset = position_ - buffer_start_;
    if (offset < 0 || offset >= static_cast<int64_t>(buffer_count_)) return 0;
    return buffer_count_ - static_cast<size_t>(offset);
  }
  Status LearnLength(int64_t* length);
  Status PeekOrFill(size_t min_count, std::span<const uint8_t>* bytes);
  Status HostSeek(int64_t position);
  Status HostRead(int64_t position, uint8_t* bytes, size_t count, size_t* got);
  Status Fill();
  void Forget();
  void DropOthers() const;
  void UpdateBuffer(int64_t position, const uint8_t* bytes, size_t count);

  std::unique_ptr<HostFile> file_;
  FileId id_;
  bool readable_ = false;  // a write-only file fails every read, even at its end
  int64_t position_ = 0;
  int64_t host_position_ = -1;  // -1: unknown
  int64_t length_ = -1;         // -1: not known
  std::unique_ptr<uint8_t[]> buffer_;
  int64_t buffer_start_ = 0;
  size_t buffer_count_ = 0;
};

class PlainFile final : public FileObject {
 public:
  FileKind Kind() const override { return FileKind::kPlain; }

 private:
  void Transform(int64_t, uint8_t*, size_t) const override {}
  bool Transforms() const override { return false; }
};

class EncryptedFile final : public FileObject {
 public:
  // A non-empty password; a negative prefix acts as 0.
  EncryptedFile(std::string_view password, int32_t prefix_length);
  FileKind Kind() const override { return FileKind::kEnciphered; }

 private:
  void Transform(int64_t position, uint8_t* bytes, size_t count) const override;
  bool Transforms() const override { return true; }

  PositionCipher cipher_;
};

// Line editing moves the rest of a file through memory in pieces of this
// size: a rest up to this size is read whole before anything is written, so
// a failing read leaves the file as it was.
inline constexpr size_t kShiftChunk = 16 * 1024 * 1024;

// InsertLine and DeleteData on a file object, moving pieces of at most chunk
// bytes. On failure the position is moved back to where it was.
[[nodiscard]] Status InsertBlock(FileObject& file, std::string_view block, size_t chunk);
[[nodiscard]] Status DeleteBytes(FileObject& file, int64_t count, size_t chunk);

namespace store_detail {
// The file last looked up: line loops ask for the same one again and again.
// hot_number is 0 when none is kept.
inline FileNumber hot_number = 0;
inline FileObject* hot_object = nullptr;
FileObject* FindFileObjectSlow(FileNumber file);
}  // namespace store_detail

// The file object of a registered number, or nullptr when the number is not
// registered. Every store operation starts here.
inline FileObject* FindFileObject(FileNumber file) {
  if (file != 0 && file == store_detail::hot_number) return store_detail::hot_object;
  return store_detail::FindFileObjectSlow(file);
}

// The failure of an operation on a number that is not registered.
Status NotOpen(FileNumber file);

}  // namespace inicrypt
