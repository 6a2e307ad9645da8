// Wiping secrets (passwords) from memory once they are no longer needed.
#pragma once

#include <cstddef>
#include <string>

namespace inicrypt {

// Sets n bytes at p to zero in a way the compiler may not drop as a dead
// store.
void SecureClear(void* p, size_t n);

// Zeroes the bytes of text, then empties it.
void SecureClear(std::string* text);

// Wipes a text when it goes out of scope, whatever way the scope is left.
class WipeOnExit {
 public:
  explicit WipeOnExit(std::string& text) : text_(text) {}
  ~WipeOnExit() { SecureClear(&text_); }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  std::string& text_;
};

}  // namespace inicrypt
