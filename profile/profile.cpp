// The profile service over the host's files. A call reads the whole file once
// and walks it once; lines are views into that one buffer.
#include "profile/profile.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <utility>

#include "base/paths.h"
#include "host/host.h"
#include "host/whole_file.h"

namespace inicrypt {
namespace {

constexpr size_t kNone = std::string_view::npos;
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSpace(char c) { return c == ' '; }
bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
bool IsLead(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

// Start of the character after the one at i; a lead byte at the very end
// stands alone.
size_t NextChar(std::string_view s, size_t i) {
  return (IsLead(s[i]) && i + 1 < s.size()) ? i + 2 : i + 1;
}

// Position of the first c at a character boundary, or kNone.
size_t FindChar(std::string_view s, char c) {
  for (size_t i = 0; i < s.size(); i = NextChar(s, i)) {
    if (s[i] == c) return i;
  }
  return kNone;
}

// Position of the last c at a character boundary, or kNone.
size_t FindLastChar(std::string_view s, char c) {
  size_t found = kNone;
  for (size_t i = 0; i < s.size(); i = NextChar(s, i)) {
    if (s[i] == c) found = i;
  }
  return found;
}

// s without the characters at its end that pass is_blank. A blank byte that
// is the second byte of a two-byte character is no blank.
std::string_view TrimEnd(std::string_view s, bool (*is_blank)(char)) {
  if (s.empty() || !is_blank(s.back())) return s;  // the last character is no blank
  size_t end = 0;
  for (size_t i = 0; i < s.size(); i = NextChar(s, i)) {
    if (!is_blank(s[i])) end = NextChar(s, i);
  }
  return s.substr(0, end);
}

std::string_view SkipBlanks(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

std::string_view TrimBlanks(std::string_view s) { return TrimEnd(SkipBlanks(s), IsBlank); }

// One line of the file: its text without the line end, where it lies, and
// where the next line starts.
struct Line {
  std::string_view text;
  size_t begin = 0;
  size_t end = 0;   // begin + text.size()
  size_t next = 0;  // after the line end; equal to end when the line has none
};

// The line from begin up to end, a line break or the end of the file. CR LF
// is one line end; LF alone and CR alone are one each.
Line MakeLine(std::string_view file, size_t begin, size_t end) {
  size_t next = end;
  if (end < file.size()) {
    next += (file[end] == '\r' && end + 1 < file.size() && file[end + 1] == '\n') ? 2 : 1;
  }
  return Line{file.substr(begin, end - begin), begin, end, next};
}

// Hands out the lines of a file one after the other. The next CR and the next LF are each found
// once with memchr and kept, so a file is walked once whatever its line ends.
class LineReader {
 public:
  LineReader(std::string_view file, size_t start)
      : file_(file), pos_(start), next_cr_(Find('\r', start)), next_lf_(Find('\n', start)) {}

  bool Next(Line* line) {
    if (pos_ >= file_.size()) return false;
    if (next_cr_ < pos_) next_cr_ = Find('\r', pos_);
    if (next_lf_ < pos_) next_lf_ = Find('\n', pos_);
    *line = MakeLine(file_, pos_, std::min(next_cr_, next_lf_));
    pos_ = line->next;
    return true;
  }

 private:
  // Position of the next c from 'from' on, or the file's size.
  size_t Find(char c, size_t from) const {
    if (from >= file_.size()) return file_.size();
    const void* hit = std::memchr(file_.data() + from, c, file_.size() - from);
    return hit == nullptr ? file_.size()
                          : static_cast<size_t>(static_cast<const char*>(hit) - file_.data());
  }

  std::string_view file_;
  size_t pos_;
  size_t next_cr_;
  size_t next_lf_;
};

// The section name of a header line: the line's first non-blank byte is "[",
// and the name runs to the last "]"; nothing when the line is no header.
std::optional<std::string_view> HeaderName(std::string_view text) {
  std::string_view body = SkipBlanks(text);
  if (body.empty() || body[0] != '[') return std::nullopt;
  const size_t close = FindLastChar(body, ']');
  if (close == kNone) return std::nullopt;
  return TrimBlanks(body.substr(1, close - 1));
}

// Where a key of a section stands in a file, or where it would go.
struct Place {
  bool section_found = false;
  bool key_found = false;
  Line key_line;                       // the matching key line
  std::string_view stored_key;         // the key as it stands on that line
  std::string_view raw_value;          // everything after its first "="
  size_t insert_at = 0;                // after the section's last non-blank line
  bool insert_needs_line_end = false;  // that line ends the file with no line end
};

size_t TextStart(std::string_view file) {
  return file.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

// The line that starts at begin. Its end is looked for byte by byte, as a
// header line is short and the next CR may lie far away or nowhere.
Line LineAt(std::string_view file, size_t begin) {
  size_t end = begin;
  while (end < file.size() && !IsLineBreak(file[end])) ++end;
  return MakeLine(file, begin, end);
}

// The header line of the first section named section. Only a "[" with
// nothing but blanks before it on its line can start a header, so the walk
// jumps from one "[" to the next and looks at no other line.
std::optional<Line> FindHeader(std::string_view file, std::string_view section) {
  const size_t start = TextStart(file);
  size_t pos = start;
  while (pos < file.size()) {
    const void* hit = std::memchr(file.data() + pos, '[', file.size() - pos);
    if (hit == nullptr) return std::nullopt;
    const size_t bracket = static_cast<size_t>(static_cast<const char*>(hit) - file.data());
    size_t begin = bracket;
    while (begin > start && IsBlank(file[begin - 1])) --begin;
    pos = bracket + 1;
    if (begin > start && !IsLineBreak(file[begin - 1])) continue;  // not first on its line
    const Line line = LineAt(file, begin);
    std::optional<std::string_view> name = HeaderName(line.text);
    if (name && EqualIgnoringCase(*name, section)) return line;
    pos = line.next;
  }
  return std::nullopt;
}

// Finds the first section named section, and in it the first key line whose
// key is key. Lines before the first header belong to no section.
Place Locate(std::string_view file, std::string_view section, std::string_view key) {
  Place place;
  const std::optional<Line> header = FindHeader(file, section);
  if (!header) return place;
  place.section_found = true;
  place.insert_at = header->next;
  place.insert_needs_line_end = header->next == header->end;
  LineReader lines(file, header->next);
  Line line;
  while (lines.Next(&line)) {
    std::string_view body = SkipBlanks(line.text);
    if (body.empty()) continue;                     // blank line
    if (body[0] == '[' && HeaderName(body)) break;  // the next section
    place.insert_at = line.next;
    place.insert_needs_line_end = line.next == line.end;
    if (body[0] == ';') continue;  // comment
    const size_t equals = FindChar(body, '=');
    if (equals == kNone) continue;  // no key line
    std::string_view stored_key = TrimBlanks(body.substr(0, equals));
    if (!EqualIgnoringCase(stored_key, key)) continue;
    place.key_found = true;
    place.key_line = line;
    place.stored_key = stored_key;
    place.raw_value = body.substr(equals + 1);
    return place;
  }
  return place;
}

// A value of two or more bytes between a pair of the same quotes loses them.
std::string_view Unquote(std::string_view value) {
  if (value.size() < 2 || (value[0] != '"' && value[0] != '\'') || value.back() != value[0]) {
    return value;
  }
  size_t last = 0;  // start of the last character: the closing quote must be one
  for (size_t i = 0; i < value.size(); i = NextChar(value, i)) last = i;
  return last == value.size() - 1 ? value.substr(1, value.size() - 2) : value;
}

// What a caller's buffer would hold: up to a NUL byte, at most
// kProfileValueMax bytes, never half a two-byte character.
Text Finish(std::string_view value) {
  value = value.substr(0, std::min(value.find('\0'), value.size()));
  const size_t max = static_cast<size_t>(kProfileValueMax);
  if (value.size() > max) {
    size_t cut = 0;
    while (cut < value.size() && NextChar(value, cut) <= max) cut = NextChar(value, cut);
    value = value.substr(0, cut);
  }
  return Text(value);
}

// --- writing ---

// Replace the bytes [from, to) of the old content with insert.
struct Edit {
  size_t from = 0;
  size_t to = 0;
  Text insert;
};

// The one change that sets key in section to value; nothing when the file
// would stay the same.
std::optional<Edit> PlanEdit(std::string_view file, std::string_view section, std::string_view key,
                             std::string_view value) {
  const Place place = Locate(file, section, key);
  if (place.key_found) {
    // The stored value, blanks aside, is already the value: nothing to write.
    if (TrimBlanks(place.raw_value) == value) return std::nullopt;
    Text line = ConcatTexts(place.stored_key, "=", value);
    if (line == place.key_line.text) return std::nullopt;
    return Edit{place.key_line.begin, place.key_line.end, std::move(line)};
  }
  const Text pair = ConcatTexts(key, "=", value, kLineEnd);
  if (place.section_found) {
    Text insert = place.insert_needs_line_end ? ConcatTexts(kLineEnd, pair) : pair;
    return Edit{place.insert_at, place.insert_at, std::move(insert)};
  }
  const bool open_last_line = file.size() > TextStart(file) && !IsLineBreak(file.back());
  Text insert = ConcatTexts(open_last_line ? kLineEnd : "", "[", section, "]", kLineEnd, pair);
  return Edit{file.size(), file.size(), std::move(insert)};
}

uint64_t RandomBits() {
  thread_local std::mt19937_64 engine = [] {
    uint64_t seed =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
      std::random_device device;
      seed ^= (static_cast<uint64_t>(device()) << 32) ^ device();
    } catch (...) {
      // No entropy source: the clock alone seeds the names.
    }
    return std::mt19937_64(seed);
  }();
  return engine();
}

// A fresh name in the folder of path: ".~" and 16 random hex digits.
Text TemporaryNameBeside(std::string_view path) {
  static constexpr char kHex[] = "0123456789abcdef";
  Text name(FolderPart(path));
  name += ".~";
  uint64_t bits = RandomBits();
  for (int i = 0; i < 16; ++i, bits >>= 4) name += kHex[bits & 0xF];
  name += ".tmp";
  return name;
}

Status WritePieces(HostFile& file, std::initializer_list<std::string_view> pieces) {
  for (std::string_view piece : pieces) {
    if (piece.empty()) continue;
    if (Status status = file.Write(piece.data(), piece.size()); !status.ok()) return status;
  }
  return Status::Ok();
}

// Writes, syncs (when asked) and closes the temporary file; it always ends
// closed.
Status FillTemporary(HostFile& file, bool sync, std::initializer_list<std::string_view> pieces) {
  Status status = WritePieces(file, pieces);
  if (status.ok() && sync) status = file.Sync();
  Status closed = file.Close();
  return status.ok() ? closed : status;
}

// Gives temp the permission bits of target (when the host has them).
Status CopyMode(Host& host, std::string_view target, std::string_view temp) {
  uint32_t mode = 0;
  if (Status status = host.GetFileMode(target, &mode); !status.ok()) return status;
  return mode == 0 ? Status::Ok() : host.SetFileMode(temp, mode);
}

// Puts the pieces in place of the file at path through a temporary file in
// the same folder; path keeps its old bytes on any failure. held, the old
// file kept open against other writers, is let go just before the rename:
// Windows does not replace a file that is still open.
Status ReplaceFile(std::string_view path, std::unique_ptr<HostFile> held, bool sync,
                   std::initializer_list<std::string_view> pieces) {
  const bool keep_mode = held != nullptr;
  Host& host = GetHost();
  const Text temp = TemporaryNameBeside(path);
  std::unique_ptr<HostFile> file;
  if (Status status = host.OpenFile(temp, FileAccess::kWrite, FileShare::kDenyReadWrite,
                                    FileCreation::kCreateNew, &file);
      !status.ok()) {
    return status;
  }
  host.RemoveOnInterrupt(temp);
  Status status = FillTemporary(*file, sync, pieces);
  if (status.ok() && keep_mode) status = CopyMode(host, path, temp);
  held.reset();
  if (status.ok()) status = host.RenameFile(temp, path);
  if (!status.ok()) (void)host.DeleteFile(temp);
  host.ForgetOnInterrupt(temp);
  return status;
}

// Rewrites the open file from the edit on: the edit and the rest after it,
// then the new end. A failure can leave the file half written.
Status EditInPlace(HostFile& file, std::string_view content, const Edit& edit) {
  int64_t at = 0;
  const std::string_view rest = content.substr(edit.to);
  Status status = file.Seek(static_cast<int64_t>(edit.from), SeekOrigin::kStart, &at);
  if (status.ok()) status = WritePieces(file, {edit.insert, rest});
  if (status.ok()) status = file.SetEnd();
  Status closed = file.Close();
  return status.ok() ? closed : status;
}

bool HasLineBreak(std::string_view s) { return std::any_of(s.begin(), s.end(), IsLineBreak); }

}  // namespace

Lookup ProfileGetString(std::string_view path, std::string_view section, std::string_view key,
                        Text* value) {
  value->clear();
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  if (path.empty() || key.empty()) return Lookup::NotFound();
  Host& host = GetHost();
  std::unique_ptr<HostFile> file;
  if (Status status =
          host.OpenFile(path, FileAccess::kRead, FileShare::kAll, FileCreation::kOpenExisting, &file);
      !status.ok()) {
    if (host.GetPathKind(path) == PathKind::kMissing) return Lookup::NotFound();
    return Lookup::Failed(status);
  }
  std::string bytes;
  if (Status status = ReadWholeFile(*file, &bytes); !status.ok()) return Lookup::Failed(status);
  const Place place = Locate(bytes, section, key);
  if (!place.key_found) return Lookup::NotFound();
  *value = Finish(Unquote(TrimBlanks(place.raw_value)));
  return Lookup::Found();
}

Text ProfileGetString(std::string_view path, std::string_view section, std::string_view key,
                      std::string_view default_value) {
  Text value;
  if (ProfileGetString(path, section, key, &value).found()) return value;
  return Finish(TrimEnd(default_value, IsSpace));
}

bool IsProfilePair(std::string_view section, std::string_view key, std::string_view value) {
  return !TrimBlanks(section).empty() && !TrimBlanks(key).empty() && !HasLineBreak(section) &&
         !HasLineBreak(key) && !HasLineBreak(value);
}

Status ProfileWriteString(std::string_view path, std::string_view section, std::string_view key,
                          std::string_view value, bool sync) {
  if (path.empty() || !IsProfilePair(section, key, value)) {
    return Status::Error(
        "profile: refused an empty path, section or key, or a line break in a name or value");
  }
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  Host& host = GetHost();
  // Held open for writing, and closed to other writers, until the new file
  // is in place: a file we may not write is refused as it would be in place.
  std::unique_ptr<HostFile> old;
  std::string bytes;
  Status opened = host.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyWrite,
                                FileCreation::kOpenExisting, &old);
  if (opened.ok()) {
    if (Status status = ReadWholeFile(*old, &bytes); !status.ok()) return status;
  } else if (host.GetPathKind(path) != PathKind::kMissing) {
    return opened;
  }
  const std::string_view content = bytes;
  const std::optional<Edit> edit = PlanEdit(content, section, key, value);
  if (!edit) return Status::Ok();
  // A file being built under a temporary name by its owner is edited in
  // place: the owner replaces the real file only once it is complete.
  if (!sync && old != nullptr) return EditInPlace(*old, content, *edit);
  return ReplaceFile(path, std::move(old), sync,
                     {content.substr(0, edit->from), edit->insert, content.substr(edit->to)});
}

}  // namespace inicrypt
