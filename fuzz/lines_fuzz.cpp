// Fuzz target: the line reader over arbitrary bytes, plain and enciphered,
// in a file of the in-memory host.
//
// Input: one flag byte (bit 0: enciphered; bits 1-3: the length of the
// plain prefix), then the file's plain bytes. The file is read line by line
// to its end, stepping over each NUL or 0x1A byte that stops the reader.
// Checked: reading always ends; every line with the line end it consumed
// (none, CR, LF or CR LF) gives back exactly the bytes it moved over; a
// line not ended by a LF stops at the end of the file or in front of a NUL
// or 0x1A byte; IsAtEnd agrees with the position and the byte there.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/host.h"
#include "host/memory_host.h"
#include "base/text.h"
#include "store/file_store.h"
#include "store/lines.h"

namespace {

using inicrypt::FileNumber;
using inicrypt::Text;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "lines_fuzz: %s\n", what);
    std::abort();
  }
}

constexpr char kPath[] = "/tmp/lines.ini";
constexpr char kPassword[] = "73580647";

bool StopsText(char c) { return c == '\0' || c == '\x1A'; }

void ReadAll(std::string_view bytes, std::string_view password, int32_t prefix) {
  const FileNumber file = inicrypt::OpenFile(kPath, inicrypt::OpenRead, inicrypt::ShareAll,
                                             password, prefix);
  Check(file != 0, "open for reading");
  const size_t size = bytes.size();
  std::string rebuilt;
  size_t steps = 0;
  while (!inicrypt::IsAtEnd(file)) {
    Check(++steps <= 2 * size + 2, "reading does not end");
    const size_t before = static_cast<size_t>(inicrypt::GetPosition(file));
    Check(before == rebuilt.size(), "position after the bytes given back");
    const bool stopped = StopsText(bytes[before]);
    Check(inicrypt::IsAtEnd(file, 1) == stopped, "IsAtEnd(file, 1) at a stop byte only");
    if (stopped) {
      // The reader stays in front of the byte; step over it by hand.
      Check(inicrypt::ReadLine(file).empty(), "a line read at a stop byte is empty");
      Check(inicrypt::GetPosition(file) == static_cast<int32_t>(before), "stays at a stop byte");
      rebuilt += bytes[before];
      Check(inicrypt::Seek(file, static_cast<int32_t>(before + 1)), "seek past a stop byte");
      continue;
    }
    const Text line = inicrypt::ReadLine(file);
    const size_t after = static_cast<size_t>(inicrypt::GetPosition(file));
    Check(after > before && after <= size, "a line moves forward within the file");
    const std::string_view consumed = bytes.substr(before, after - before);
    Check(consumed.substr(0, line.size()) == line, "the line is the bytes read");
    const std::string_view end = consumed.substr(line.size());
    Check(end.empty() || end == "\r" || end == "\n" || end == "\r\n", "the line end consumed");
    if (end.empty() || end == "\r") {
      Check(after == size || StopsText(bytes[after]), "a line without LF ends at a stop");
    }
    rebuilt += consumed;
  }
  Check(static_cast<size_t>(inicrypt::GetPosition(file)) == size, "read to the end");
  Check(rebuilt == bytes, "lines and line ends give back the bytes");
  Check(inicrypt::IsAtEnd(file, 1) && inicrypt::ReadLine(file).empty(), "nothing after the end");
  inicrypt::CloseFile(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static inicrypt::MemoryHost host;
  static inicrypt::ScopedHost in_use(host);
  const bool enciphered = (data[0] & 1) != 0;
  const int32_t prefix = (data[0] >> 1) & 7;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string_view password = enciphered ? kPassword : "";

  const FileNumber file =
      inicrypt::OpenFile(kPath, inicrypt::CreateWrite, inicrypt::ShareAll, password, prefix);
  Check(file != 0, "open for writing");
  Check(inicrypt::store::Write(file, bytes.data(), static_cast<int32_t>(bytes.size())).ok(), "write");
  inicrypt::CloseFile(file);
  ReadAll(bytes, password, prefix);
  Check(host.DeleteFile(kPath).ok(), "delete");
  return 0;
}
