// Files written and read through the store, and the passwords, for the INI tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/text.h"
#include "store/file_store.h"
#include "tests/support/support.h"

namespace inicrypt::testing {

// Writes text into a new file through the store, enciphered under password.
inline bool PutText(const Text& path, std::string_view text, std::string_view password) {
  const FileNumber file = OpenFile(path, CreateWrite, ShareAll, password);
  if (file == 0) return false;
  const bool written = store::Write(file, text.data(), static_cast<int32_t>(text.size())).ok();
  CloseFile(file);
  return written;
}

// The text of a file read through the store, deciphered under password.
inline std::optional<Text> GetText(const Text& path, std::string_view password) {
  const FileNumber file = OpenFile(path, OpenRead, ShareAll, password);
  if (file == 0) return std::nullopt;
  int32_t length = 0;
  std::optional<Text> text;
  if (store::GetLength(file, &length).ok()) {
    text.emplace(static_cast<size_t>(length), '\0');
    int32_t got = 0;
    if (!store::Read(file, text->data(), length, &got).ok() || got != length) text.reset();
  }
  CloseFile(file);
  return text;
}

// True when nothing holds the file open: an open that shares nothing succeeds.
inline bool NobodyHolds(const Text& path) {
  const FileNumber file = OpenFile(path, OpenRead, DenyReadWrite);
  if (file == 0) return false;
  CloseFile(file);
  return true;
}

// The passwords every file test runs with: a plain file and an enciphered one.
inline constexpr std::string_view kPasswords[] = {"", "73580647"};

}  // namespace inicrypt::testing
