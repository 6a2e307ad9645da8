// Fuzz target: arbitrary bytes as an INI file, read plain and enciphered
// through the INI reader and the profile service, then edited with WriteValue
// and ProfileWriteString; what was written must read back. The file lives
// in the in-memory host.
//
// Built with libFuzzer when INICRYPT_FUZZ is on (clang). The tests build it
// as a replay program that runs the files named on its command line
// (replay_main.cpp), over the INI fixtures.
#include <cstddef>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/host.h"
#include "host/memory_host.h"
#include "profile/profile.h"
#include "base/text.h"
#include "ini/ini.h"
#include "profile/profile.h"
#include "store/file_store.h"

namespace {

using inicrypt::Text;
using inicrypt::TextList;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "ini_fuzz: %s\n", what);
    std::abort();
  }
}

inicrypt::MemoryHost& Machine() {
  static inicrypt::MemoryHost host;
  static inicrypt::ScopedHost in_use(host);
  return host;
}

Text FilePath() { return "/tmp/fuzz.ini"; }

void WriteWhole(std::string_view bytes) {
  Check(Machine().WriteWholeFile(FilePath(), bytes).ok(), "write whole file");
}

// Writes bytes through the store, enciphered when password is not empty.
void Store(std::string_view bytes, std::string_view password) {
  inicrypt::FileNumber file =
      inicrypt::OpenFile(FilePath(), inicrypt::CreateWrite, inicrypt::ShareAll, password);
  Check(file != 0, "open for writing");
  Check(inicrypt::store::Write(file, bytes.data(), static_cast<int32_t>(bytes.size())).ok(),
        "write");
  inicrypt::CloseFile(file);
}

// Every pair the reader lists, read back; then one pair written and read.
void ReadAndEdit(std::string_view password, std::string_view value) {
  const Text path = FilePath();
  TextList sections;
  Check(inicrypt::ListSections(path, password, sections), "list sections");
  TextList keys;
  for (const Text& section : sections) {
    if (!inicrypt::ListKeys(path, password, section, keys)) continue;
    for (const Text& key : keys) (void)inicrypt::ReadValue(path, password, section, key);
  }
  const Text section = sections.Count() > 0 ? sections.At(1) : Text("s");
  if (inicrypt::WriteValue(path, password, section, "fuzz", value) &&
      !inicrypt::TrimBothEnds(value).empty()) {
    Check(inicrypt::ReadValue(path, password, section, "fuzz") == value, "value reads back");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The last line of the input, if short, doubles as the value to write.
  const size_t cut = bytes.find_last_of('\n');
  const std::string_view value =
      cut == std::string_view::npos ? std::string_view("v") : bytes.substr(cut + 1, 40);

  Machine();
  Store(bytes, {});
  ReadAndEdit({}, value);
  Store(bytes, "73580647");
  ReadAndEdit("73580647", value);

  WriteWhole(bytes);
  (void)inicrypt::ProfileGetString(FilePath(), "s", "k", "d");
  // A plain value (letters and digits only) written must read back as it is.
  Text plain;
  for (char c : value) {
    if (std::isalnum(static_cast<unsigned char>(c))) plain += c;
  }
  if (!plain.empty() && inicrypt::ProfileWriteString(FilePath(), "s", "k", plain).ok()) {
    Check(inicrypt::ProfileGetString(FilePath(), "s", "k", "") == plain, "profile value reads back");
  }
  (void)Machine().DeleteFile(FilePath());
  return 0;
}
