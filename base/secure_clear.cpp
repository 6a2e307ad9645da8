#include "base/secure_clear.h"

#include <atomic>

namespace inicrypt {

void SecureClear(void* p, size_t n) {
  // Stores through a volatile pointer are observable behaviour: none is
  // left out, even for memory freed right afterwards.
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) bytes[i] = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

void SecureClear(std::string* text) {
  SecureClear(text->data(), text->size());
  text->clear();
}

}  // namespace inicrypt
