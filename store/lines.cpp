#include "store/lines.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "base/cp936_literal.h"
#include "store/file_object.h"

namespace inicrypt {
namespace {

constexpr uint8_t kLf = 0x0A;
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kEndOfText = 0x1A;

// What a byte is to the line scanner.
enum ByteClass : uint8_t { kPlainByte, kLeadByte, kLineFeed, kTextEnd };

constexpr auto kByteClasses = [] {
  std::array<ByteClass, 256> classes{};
  for (int b = 0x80; b < 0x100; ++b) classes[b] = kLeadByte;
  classes[kLf] = kLineFeed;
  classes[0] = kTextEnd;
  classes[kEndOfText] = kTextEnd;
  return classes;
}();

// How a scan of buffered bytes ended: keep bytes go to the line, the
// position moves over advance bytes.
struct Scan {
  size_t keep;
  size_t advance;
  bool line_ended;
};

// The top bit of each of the 8 bytes of w that is a lead byte, LF, NUL or
// 0x1A. Above the lowest such byte a flag may be false; the lowest is exact.
constexpr uint64_t SpecialBytes(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHighs = 0x8080808080808080;
  auto zero_bytes = [](uint64_t x) { return (x - kOnes) & ~x & kHighs; };
  return (w & kHighs) | zero_bytes(w) | zero_bytes(w ^ (kOnes * kLf)) |
         zero_bytes(w ^ (kOnes * kEndOfText));
}

// The index of the first byte from i on that is not a plain byte, or n.
size_t SkipPlainBytes(const uint8_t* data, size_t i, size_t n) {
  if constexpr (std::endian::native == std::endian::little) {
    for (uint64_t w; i + 8 <= n; i += 8) {
      std::memcpy(&w, data + i, 8);
      if (const uint64_t special = SpecialBytes(w)) {
        return i + static_cast<size_t>(std::countr_zero(special)) / 8;
      }
    }
  }
  while (i < n && kByteClasses[data[i]] == kPlainByte) ++i;
  return i;
}

// Scans character by character from the first byte. A lead byte as the last
// byte stops the scan in front of it, so the next view starts with it.
Scan ScanBytes(std::span<const uint8_t> bytes) {
  const uint8_t* data = bytes.data();
  const size_t n = bytes.size();
  for (size_t i = 0;;) {
    i = SkipPlainBytes(data, i, n);
    if (i == n) return {n, n, false};
    switch (kByteClasses[data[i]]) {
      case kPlainByte: ++i; break;  // the skip stops at other bytes only
      case kLeadByte:
        if (i + 1 == n) return {i, i, false};
        // A trail byte is no line end; a lead byte before any other byte
        // (a LF, NUL or 0x1A among them) is a character by itself.
        i += IsTrailByte(data[i + 1]) ? 2 : 1;
        break;
      case kLineFeed: return {i, i + 1, true};
      case kTextEnd: return {i, i, true};
    }
  }
}

void Append(Text* line, std::span<const uint8_t> bytes) {
  line->append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Status ScanLine(FileObject& file, Text* line) {
  size_t wanted = 1;
  for (;;) {
    std::span<const uint8_t> bytes;
    if (Status status = file.Peek(wanted, &bytes); !status.ok()) return status;
    if (bytes.empty()) break;  // end of the file
    if (bytes.size() < wanted) {
      // A lead byte is the file's last byte: it ends the line, kept in it.
      Append(line, bytes);
      file.Skip(bytes.size());
      break;
    }
    const Scan scan = ScanBytes(bytes);
    Append(line, bytes.first(scan.keep));
    file.Skip(scan.advance);
    if (scan.line_ended) break;
    wanted = scan.advance < bytes.size() ? 2 : 1;  // 2: a lead byte needs its trail
  }
  if (!line->empty() && static_cast<uint8_t>(line->back()) == kCr) line->pop_back();
  return Status::Ok();
}

// Moves [from, end of file) to from + by, last piece first.
Status ShiftTowardsEnd(FileObject& file, int64_t from, int64_t end, int64_t by, size_t chunk) {
  std::vector<uint8_t> piece(static_cast<size_t>(std::min<int64_t>(
      std::max<int64_t>(end - from, 0), static_cast<int64_t>(chunk))));
  while (end > from) {
    const size_t count = static_cast<size_t>(std::min<int64_t>(end - from, piece.size()));
    end -= static_cast<int64_t>(count);
    size_t got = 0;
    if (Status status = file.Move(end, SeekOrigin::kStart); !status.ok()) return status;
    if (Status status = file.Read(piece.data(), count, &got); !status.ok()) return status;
    if (got != count) return Status::Error("file store: the file shrank during an edit");
    if (Status status = file.Move(end + by, SeekOrigin::kStart); !status.ok()) return status;
    if (Status status = file.Write(piece.data(), count); !status.ok()) return status;
  }
  return Status::Ok();
}

// Moves [from + by, end of file) to from, first piece first.
Status ShiftTowardsStart(FileObject& file, int64_t from, int64_t end, int64_t by, size_t chunk) {
  int64_t left = end - from - by;
  std::vector<uint8_t> piece(
      static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(left, 0), static_cast<int64_t>(chunk))));
  while (left > 0) {
    const size_t count = static_cast<size_t>(std::min<int64_t>(left, piece.size()));
    size_t got = 0;
    if (Status status = file.Move(from + by, SeekOrigin::kStart); !status.ok()) return status;
    if (Status status = file.Read(piece.data(), count, &got); !status.ok()) return status;
    if (got != count) return Status::Error("file store: the file shrank during an edit");
    if (Status status = file.Move(from, SeekOrigin::kStart); !status.ok()) return status;
    if (Status status = file.Write(piece.data(), count); !status.ok()) return status;
    from += static_cast<int64_t>(count);
    left -= static_cast<int64_t>(count);
  }
  return Status::Ok();
}

// Writes the block and, after it, the rest of the file read beforehand, in
// one write: a failing read, or a write that fails without writing, leaves
// the file as it was.
Status InsertInOneWrite(FileObject& file, int64_t at, std::string_view block, size_t rest) {
  std::vector<uint8_t> bytes(block.size() + rest);
  std::memcpy(bytes.data(), block.data(), block.size());
  size_t got = 0;
  if (Status status = file.Move(at, SeekOrigin::kStart); !status.ok()) return status;
  if (Status status = file.Read(bytes.data() + block.size(), rest, &got); !status.ok()) {
    return status;
  }
  if (got != rest) return Status::Error("file store: the file shrank during an edit");
  if (Status status = file.Move(at, SeekOrigin::kStart); !status.ok()) return status;
  if (Status status = file.Write(bytes.data(), bytes.size()); !status.ok()) return status;
  return file.Move(at + static_cast<int64_t>(block.size()), SeekOrigin::kStart);
}

Status Insert(FileObject& file, int64_t at, std::string_view block, size_t chunk) {
  int64_t end = 0;
  if (Status status = file.GetLength(&end); !status.ok()) return status;
  const auto size = static_cast<int64_t>(block.size());
  if (std::max(end, at) + size > kMaxFilePosition) {
    return Status::Error("file store: insert would pass 2^31 - 1 bytes");
  }
  const int64_t rest = std::max<int64_t>(end - at, 0);
  if (rest <= static_cast<int64_t>(chunk)) {
    return InsertInOneWrite(file, at, block, static_cast<size_t>(rest));
  }
  if (Status status = ShiftTowardsEnd(file, at, end, size, chunk); !status.ok()) return status;
  if (Status status = file.Move(at, SeekOrigin::kStart); !status.ok()) return status;
  return file.Write(block.data(), block.size());
}

Status Delete(FileObject& file, int64_t at, int64_t count, size_t chunk) {
  int64_t end = 0;
  if (Status status = file.GetLength(&end); !status.ok()) return status;
  if (Status status = ShiftTowardsStart(file, at, end, count, chunk); !status.ok()) return status;
  return file.SetLength(std::max(end - count, at));
}

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;  // for compilers without aggregate deduction

template <class... Args>
void AppendFormatted(Text* block, const char* format, Args... args) {
  char text[64];
  const int n = std::snprintf(text, sizeof text, format, args...);
  if (n > 0) block->append(text, static_cast<size_t>(std::min<int>(n, sizeof text - 1)));
}

// The date, then the time down to its last unit that is not 0.
void AppendDateTime(Text* block, const DateTime& t) {
  AppendFormatted(block, u8"%d年%d月%d日"_cp936.data(), t.year, t.month, t.day);
  if (t.second != 0) {
    AppendFormatted(block, u8"%d时%d分%d秒"_cp936.data(), t.hour, t.minute, t.second);
  } else if (t.minute != 0) {
    AppendFormatted(block, u8"%d时%d分"_cp936.data(), t.hour, t.minute);
  } else if (t.hour != 0) {
    AppendFormatted(block, u8"%d时"_cp936.data(), t.hour);
  }
}

// The value's text followed by CR LF; no value adds nothing.
void AppendLine(Text* block, const LineValue& value) {
  if (std::holds_alternative<std::monostate>(value)) return;
  std::visit(Overloaded{
                 [](std::monostate) {},
                 [&](std::string_view text) { block->append(text); },
                 [&](int32_t number) { block->append(std::to_string(number)); },
                 [&](uint8_t number) { block->append(std::to_string(unsigned{number})); },
                 [&](float number) { AppendFormatted(block, "%.6g", double{number}); },
                 [&](double number) { AppendFormatted(block, "%.13g", number); },
                 [&](bool truth) { block->append(truth ? u8"真"_cp936 : u8"假"_cp936); },
                 [&](const DateTime& time) { AppendDateTime(block, time); },
             },
             value);
  block->append("\r\n");
}

}  // namespace

Status InsertBlock(FileObject& file, std::string_view block, size_t chunk) {
  const int64_t at = file.Position();
  if (block.empty()) return Status::Ok();
  Status status = Insert(file, at, block, chunk);
  if (!status.ok()) (void)file.Move(at, SeekOrigin::kStart);
  return status;
}

Status DeleteBytes(FileObject& file, int64_t count, size_t chunk) {
  const int64_t at = file.Position();
  if (count <= 0) return Status::Ok();
  Status status = Delete(file, at, count, chunk);
  if (!status.ok()) (void)file.Move(at, SeekOrigin::kStart);
  return status;
}

namespace store {

Lookup ReadLine(FileNumber file, Text* line) {
  line->clear();
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return Lookup::Failed(NotOpen(file));
  std::span<const uint8_t> next;
  if (Status status = object->Peek(1, &next); !status.ok()) return Lookup::Failed(status);
  if (next.empty() || kByteClasses[next[0]] == kTextEnd) return Lookup::NotFound();
  const int64_t start = object->Position();
  if (Status status = ScanLine(*object, line); !status.ok()) {
    line->clear();
    (void)object->Move(start, SeekOrigin::kStart);
    return Lookup::Failed(status);
  }
  return Lookup::Found();
}

Status IsAtEndOfFile(FileNumber file, bool* at_end) {
  *at_end = false;
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  int64_t length = 0;
  if (Status status = object->GetLength(&length); !status.ok()) return status;
  *at_end = object->Position() >= length;
  return Status::Ok();
}

Status IsAtEndOfText(FileNumber file, bool* at_end) {
  if (Status status = IsAtEndOfFile(file, at_end); !status.ok() || *at_end) return status;
  std::span<const uint8_t> next;
  if (Status status = FindFileObject(file)->Peek(1, &next); !status.ok()) return status;
  *at_end = next.empty() || kByteClasses[next[0]] == kTextEnd;
  return Status::Ok();
}

Status InsertLine(FileNumber file, std::string_view text) {
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  Text block;
  block.reserve(text.size() + 2);
  block.append(text).append("\r\n");
  return InsertBlock(*object, block, kShiftChunk);
}

Status InsertLine(FileNumber file, std::initializer_list<LineValue> values) {
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  Text block;
  for (const LineValue& value : values) AppendLine(&block, value);
  return InsertBlock(*object, block, kShiftChunk);
}

Status DeleteData(FileNumber file, int32_t count) {
  FileObject* object = FindFileObject(file);
  if (object == nullptr) return NotOpen(file);
  return DeleteBytes(*object, count, kShiftChunk);
}

}  // namespace store

// --- the numbered forms ---

Text ReadLine(FileNumber file) {
  Text line;
  if (store::ReadLine(file, &line).failed()) {
    line.clear();
    (void)store::Seek(file, 0, SeekFrom::kEnd);
  }
  return line;
}

bool IsAtEnd(FileNumber file, std::optional<int> text_line) {
  bool at_end = true;
  const Status status =
      text_line == 1 ? store::IsAtEndOfText(file, &at_end) : store::IsAtEndOfFile(file, &at_end);
  return !status.ok() || at_end;
}

bool InsertLine(FileNumber file, std::string_view text) {
  return store::InsertLine(file, text).ok();
}

bool InsertLine(FileNumber file, std::initializer_list<LineValue> values) {
  return store::InsertLine(file, values).ok();
}

bool DeleteData(FileNumber file, int32_t count) { return store::DeleteData(file, count).ok(); }

}  // namespace inicrypt
