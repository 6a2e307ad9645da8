// Passwords, enciphered bytes, open files and random texts for the store tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "store/cipher.h"
#include "store/file_store.h"
#include "tests/support/support.h"

namespace inicrypt::store_testing {

// The passwords the tests run under: a plain file and an enciphered one.
inline constexpr std::string_view kPasswords[] = {"", "73580647"};
inline std::string PasswordName(const ::testing::TestParamInfo<std::string_view>& param) {
  return param.param.empty() ? "Plain" : "Enciphered";
}

// The bytes an enciphered file holds for plain text starting at position 0
// (the text itself without a password). Enciphering and deciphering are the
// same operation.
inline std::string Cipher(std::string text, std::string_view password) {
  if (password.empty()) return text;
  PositionCipher cipher;
  cipher.SetPassword(password, 0);
  cipher.TransformAt(0, reinterpret_cast<uint8_t*>(text.data()), text.size());
  return text;
}

// The plain text of a file on disk, read past the store.
inline std::string PlainOnDisk(const std::string& path, std::string_view password) {
  return Cipher(testing::ReadAll(path), password);
}

// The length of an open file, or -1.
inline int32_t Length(FileNumber file) {
  int32_t length = -1;
  return store::GetLength(file, &length).ok() ? length : -1;
}

// Closes a file number at the end of a scope.
class ScopedFile {
 public:
  explicit ScopedFile(FileNumber file) : file_(file) {}
  ~ScopedFile() { CloseFile(file_); }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  FileNumber get() const { return file_; }
  operator FileNumber() const { return file_; }

 private:
  FileNumber file_;
};

// Random bytes that make many short lines: letters, CR, LF, lead bytes with
// any trail, and now and then NUL or 0x1A (rare_stops out of 1000).
inline std::string RandomText(std::mt19937& random, size_t size, int rare_stops = 0) {
  static constexpr char kBytes[] = "abcdefgh=[]\r\n\n\xB0\xA1\xC4";
  std::uniform_int_distribution<size_t> pick(0, sizeof kBytes - 2);
  std::uniform_int_distribution<int> permille(0, 999);
  std::string text;
  text.reserve(size);
  while (text.size() < size) {
    if (permille(random) < rare_stops) {
      text.push_back(permille(random) % 2 ? '\0' : '\x1A');
    } else {
      text.push_back(kBytes[pick(random)]);
    }
  }
  return text;
}

}  // namespace inicrypt::store_testing
