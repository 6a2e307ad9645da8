#include "store/file_object.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace inicrypt {
namespace {

// The open file objects of this process, so that a change made through one
// reaches the buffers of the others on the same file. Never destroyed: file
// objects still close while the process exits.
std::vector<FileObject*>& OpenObjects() {
  static auto* objects = new std::vector<FileObject*>;
  return *objects;
}

Status Closed() { return Status::Error("file store: the file is closed"); }

Status NotReadable() { return Status::Error("file store: the file is not open for reading"); }

Status OutOfRange(int64_t position) {
  return Status::Error("file store: position " + std::to_string(position) +
                       " is outside 0.." + std::to_string(kMaxFilePosition));
}

}  // namespace

FileObject::~FileObject() { (void)Close(); }

Status FileObject::Open(std::string_view path, FileAccess access, FileShare share,
                        FileCreation creation) {
  if (file_) return Status::Error("file store: already open");
  Status status = GetHost().OpenFile(path, access, share, creation, &file_);
  if (!status.ok() || !file_) {
    file_.reset();
    return status.ok() ? Status::Error("file store: the host gave no file") : status;
  }
  id_ = file_->Id();
  readable_ = access != FileAccess::kWrite;
  position_ = 0;
  host_position_ = 0;
  Forget();
  OpenObjects().push_back(this);
  // Emptying an existing file changes what the others see.
  if (creation == FileCreation::kCreateAlways) DropOthers();
  return status;
}

Status FileObject::Close() {
  if (!file_) return Status::Ok();
  std::erase(OpenObjects(), this);
  Status status = file_->Close();
  file_.reset();
  buffer_.reset();
  Forget();
  return status;
}

Status FileObject::Sync() { return file_ ? file_->Sync() : Closed(); }

Status FileObject::Move(int64_t offset, SeekOrigin origin) {
  if (!file_) return Closed();
  int64_t base = 0;
  if (origin == SeekOrigin::kCurrent) base = position_;
  if (origin == SeekOrigin::kEnd) {
    if (Status status = GetLength(&base); !status.ok()) return status;
  }
  const int64_t target = base + offset;
  if (target < 0 || target > kMaxFilePosition) return OutOfRange(target);
  position_ = target;
  return Status::Ok();
}

Status FileObject::LearnLength(int64_t* length) {
  if (!file_) return Closed();
  if (length_ < 0) {
    int64_t end = 0;
    Status status = file_->Seek(0, SeekOrigin::kEnd, &end);
    if (!status.ok()) {
      host_position_ = -1;
      return status;
    }
    host_position_ = end;
    length_ = end;
  }
  *length = length_;
  return Status::Ok();
}

Status FileObject::SetLength(int64_t length) {
  if (!file_) return Closed();
  if (length < 0 || length > kMaxFilePosition) return OutOfRange(length);
  if (Status status = HostSeek(length); !status.ok()) return status;
  if (Status status = file_->SetEnd(); !status.ok()) {
    Forget();
    DropOthers();
    return status;
  }
  position_ = length;
  length_ = length;
  const int64_t buffer_end = buffer_start_ + static_cast<int64_t>(buffer_count_);
  if (buffer_end > length) {
    buffer_count_ = buffer_start_ < length ? static_cast<size_t>(length - buffer_start_) : 0;
  }
  DropOthers();
  return Status::Ok();
}

Status FileObject::Read(void* buffer, size_t count, size_t* got) {
  *got = 0;
  if (!file_) return Closed();
  if (!readable_) return NotReadable();
  count = std::min(count, static_cast<size_t>(kMaxFilePosition - position_));
  auto* out = static_cast<uint8_t*>(buffer);
  const int64_t start = position_;
  size_t done = 0;
  while (done < count) {
    std::span<const uint8_t> held;
    const size_t rest = count - done;
    if (rest >= kReadBufferSize && Available() == 0) {
      // A large read skips the buffer.
      size_t n = 0;
      Status status = HostRead(position_, out + done, rest, &n);
      if (!status.ok()) {
        position_ = start;
        return status;
      }
      done += n;
      position_ += static_cast<int64_t>(n);
      break;
    }
    if (Status status = Peek(1, &held); !status.ok()) {
      position_ = start;
      return status;
    }
    if (held.empty()) break;
    const size_t n = std::min(held.size(), rest);
    std::memcpy(out + done, held.data(), n);
    done += n;
    position_ += static_cast<int64_t>(n);
  }
  *got = done;
  return Status::Ok();
}

Status FileObject::Write(const void* bytes, size_t count) {
  if (!file_) return Closed();
  if (count == 0) return Status::Ok();
  if (count > static_cast<size_t>(kMaxFilePosition - position_)) {
    return OutOfRange(position_ + static_cast<int64_t>(std::min<size_t>(count, INT32_MAX)));
  }
  const auto* plain = static_cast<const uint8_t*>(bytes);
  const uint8_t* data = plain;
  std::unique_ptr<uint8_t[]> copy;
  if (Transforms()) {
    copy = std::make_unique_for_overwrite<uint8_t[]>(count);
    std::memcpy(copy.get(), plain, count);
    Transform(position_, copy.get(), count);
    data = copy.get();
  }
  if (Status status = HostSeek(position_); !status.ok()) return status;
  if (Status status = file_->Write(data, count); !status.ok()) {
    // Part of it may have landed: nothing cached can be trusted.
    host_position_ = -1;
    Forget();
    DropOthers();
    return status;
  }
  host_position_ += static_cast<int64_t>(count);
  UpdateBuffer(position_, plain, count);
  position_ += static_cast<int64_t>(count);
  if (length_ >= 0) length_ = std::max(length_, position_);
  DropOthers();
  return Status::Ok();
}

Status FileObject::PeekOrFill(size_t min_count, std::span<const uint8_t>* bytes) {
  *bytes = {};
  if (!file_) return Closed();
  if (!readable_) return NotReadable();
  size_t have = Available();
  const int64_t held_end = position_ + static_cast<int64_t>(have);
  const bool file_ends =
      held_end >= kMaxFilePosition || (length_ >= 0 && held_end >= length_);
  if (have < min_count && !file_ends) {
    if (Status status = Fill(); !status.ok()) return status;
    have = Available();
  }
  if (have > 0) *bytes = {buffer_.get() + (position_ - buffer_start_), have};
  return Status::Ok();
}

Status FileObject::HostSeek(int64_t position) {
  if (host_position_ == position) return Status::Ok();
  int64_t at = 0;
  Status status = file_->Seek(position, SeekOrigin::kStart, &at);
  host_position_ = status.ok() ? at : -1;
  return status;
}

Status FileObject::HostRead(int64_t position, uint8_t* bytes, size_t count, size_t* got) {
  *got = 0;
  if (Status status = HostSeek(position); !status.ok()) return status;
  size_t done = 0;
  while (done < count) {
    size_t n = 0;
    if (Status status = file_->Read(bytes + done, count - done, &n); !status.ok()) {
      host_position_ = -1;
      return status;
    }
    if (n == 0) break;
    done += n;
    host_position_ += static_cast<int64_t>(n);
  }
  if (done > 0) Transform(position, bytes, done);
  *got = done;
  return Status::Ok();
}

// Refills the buffer from the position on.
Status FileObject::Fill() {
  if (!buffer_) buffer_ = std::make_unique_for_overwrite<uint8_t[]>(kReadBufferSize);
  buffer_start_ = position_;
  buffer_count_ = 0;
  int64_t want = std::min<int64_t>(kReadBufferSize, kMaxFilePosition - position_);
  if (length_ >= 0) want = std::min(want, length_ - position_);
  if (want <= 0) return Status::Ok();
  size_t got = 0;
  if (Status status = HostRead(position_, buffer_.get(), static_cast<size_t>(want), &got);
      !status.ok()) {
    return status;
  }
  buffer_count_ = got;
  if (got > 0 && got < static_cast<size_t>(want)) length_ = position_ + static_cast<int64_t>(got);
  return Status::Ok();
}

// Drops what this object holds of the file's content and length.
void FileObject::Forget() {
  buffer_count_ = 0;
  length_ = -1;
}

void FileObject::DropOthers() const {
  for (FileObject* other : OpenObjects()) {
    if (other != this && other->id_ == id_) other->Forget();
  }
}

void FileObject::UpdateBuffer(int64_t position, const uint8_t* bytes, size_t count) {
  const int64_t from = std::max(position, buffer_start_);
  const int64_t to = std::min(position + static_cast<int64_t>(count),
                              buffer_start_ + static_cast<int64_t>(buffer_count_));
  if (from >= to) return;
  std::memcpy(buffer_.get() + (from - buffer_start_), bytes + (from - position),
              static_cast<size_t>(to - from));
}

EncryptedFile::EncryptedFile(std::string_view password, int32_t prefix_length) {
  cipher_.SetPassword(password, prefix_length);
}

void EncryptedFile::Transform(int64_t position, uint8_t* bytes, size_t count) const {
  cipher_.TransformAt(position, bytes, count);
}

}  // namespace inicrypt
