// Enciphers a few bytes with the installed library, then writes and reads a
// value of an enciphered INI file at the path given as the only argument.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "ini/ini.h"
#include "store/cipher.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;

  // The masks of positions 0..7 under the default password.
  const uint8_t expected[8] = {0x54, 0x1c, 0x26, 0xc4, 0x32, 0x18, 0x5c, 0xb4};
  uint8_t bytes[8] = {};
  inicrypt::PositionCipher cipher;
  cipher.SetPassword("73580647", 0);
  cipher.TransformAt(0, bytes, sizeof bytes);
  if (std::memcmp(bytes, expected, sizeof bytes) != 0) {
    std::puts("wrong masks");
    return 1;
  }

  inicrypt::Text path = argv[1];
  if (!inicrypt::WriteValue(path, "s3cret", "server", "port", "9090")) {
    std::puts("WriteValue failed");
    return 1;
  }
  path = argv[1];
  if (inicrypt::ReadValue(path, "s3cret", "server", "port", "") != "9090") {
    std::puts("ReadValue did not read back");
    return 1;
  }
  std::puts("ok");
  return 0;
}
