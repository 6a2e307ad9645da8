#include "base/secure_clear.h"

#include <gtest/gtest.h>

#include <string>

namespace inicrypt {
namespace {

TEST(SecureClearTest, ZeroesTheBytesThenEmpties) {
  std::string secret(64, 'p');  // beyond any small-string buffer
  const char* bytes = secret.data();
  {
    const WipeOnExit wipe(secret);
  }
  EXPECT_TRUE(secret.empty());
  // clear() keeps the buffer: the old bytes can still be looked at.
  EXPECT_EQ(secret.data(), bytes);
  EXPECT_EQ(std::string(bytes, 64), std::string(64, '\0'));
}

}  // namespace
}  // namespace inicrypt
