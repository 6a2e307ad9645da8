#include "cli/file_bytes.h"

#include <cerrno>
#include <cstdint>
#include <istream>
#include <limits>
#include <memory>

#include "base/text.h"
#include "host/whole_file.h"
#include "ini/ini.h"
#include "store/cipher.h"

namespace inicrypt::cli {

Status CheckInputFile(std::string_view path) {
  switch (GetHost().GetPathKind(path)) {
    case PathKind::kMissing:
      return Status::Error(std::string(path) + ": no such file");
    case PathKind::kFolder:
      return Status::Error(std::string(path) + ": is a folder");
    default:
      return Status::Ok();
  }
}

Status ReadWholeFile(std::string_view path, std::string* bytes) {
  if (Status s = CheckInputFile(path); !s.ok()) return s;
  return inicrypt::ReadWholeFile(path, bytes);
}

Status ReadStream(std::istream& in, std::string_view shown, std::string* bytes,
                  size_t max_bytes) {
  constexpr size_t kPiece = size_t{1} << 16;
  bytes->clear();
  for (;;) {
    if (bytes->size() > max_bytes) {
      bytes->clear();
      return Status::Error(std::string(shown) + ": too large (2 GiB or more)", EFBIG);
    }
    const size_t size = bytes->size();
    bytes->resize(size + kPiece);
    in.read(bytes->data() + size, static_cast<std::streamsize>(kPiece));
    bytes->resize(size + static_cast<size_t>(in.gcount()));
    if (in.gcount() == 0 || !in) break;
  }
  if (in.bad()) {
    bytes->clear();
    return Status::Error("cannot read " + std::string(shown));
  }
  return Status::Ok();
}

Status WriteWholeFile(std::string_view path, std::string_view bytes, FileCreation creation) {
  std::unique_ptr<HostFile> file;
  Status status = GetHost().OpenFile(path, FileAccess::kWrite, FileShare::kAll, creation, &file);
  if (!status.ok()) return status;
  if (status = file->Write(bytes.data(), bytes.size()); !status.ok()) return status;
  if (status = file->SetEnd(); !status.ok()) return status;
  if (status = file->Sync(); !status.ok()) return status;
  return file->Close();
}

Status TransformWhole(std::string_view password, std::string* bytes) {
  if (bytes->size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return Status::Error("the file is too large (2 GiB or more)");
  }
  PositionCipher cipher;
  cipher.SetPassword(password, 0);
  cipher.TransformAt(0, reinterpret_cast<uint8_t*>(bytes->data()), bytes->size());
  return Status::Ok();
}

bool HoldsSectionHeader(std::string_view plain) {
  size_t start = 0;
  for (size_t i = 0; i <= plain.size(); ++i) {
    const bool at_end = i == plain.size() || plain[i] == '\0' || plain[i] == '\x1a';
    if (at_end || plain[i] == '\n') {
      std::string_view line = plain.substr(start, i - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (IsSectionHeader(line)) return true;
      if (at_end) return false;
      start = i + 1;
    } else if (i + 1 < plain.size() && CharWidthAt(plain, i) == 2) {
      ++i;  // a trail byte ends no line
    }
  }
  return false;
}

}  // namespace inicrypt::cli
