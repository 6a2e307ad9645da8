// The buffered store against a small unbuffered model that follows the line
// algorithms step by step: 512-byte line chunks, 4096-byte shifts, one read
// or write per step. Random operations (fixed seeds) on two file numbers
// open on one file must give the same results, positions and bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "store/cipher.h"
#include "store/file_store.h"
#include "store/lines.h"
#include "store_test_support.h"

namespace inicrypt {
namespace {

using store_testing::ScopedFile;
using testing::TempFolder;

// The plain content of one file and the positions of its openers.
class Model {
 public:
  explicit Model(std::string_view password) {
    if (!password.empty()) {
      cipher_ = std::make_unique<PositionCipher>();
      cipher_->SetPassword(password, 0);
    }
  }

  std::string bytes;

  bool Seek(int64_t& at, int origin, int64_t offset) const {
    const int64_t base = origin == 1 ? 0 : origin == 2 ? Size() : at;  // start, end, current
    if (base + offset < 0) return false;
    at = base + offset;
    return true;
  }

  std::string ReadLine(int64_t& at) const {
    std::string line;
    int64_t p = at;
    for (;;) {
      const std::string chunk = Read(p, 512);
      const size_t k = chunk.size();
      if (k == 0) break;
      size_t x = 0;
      bool ended = false, carry = false;
      while (x < k && !ended && !carry) {
        const auto b = static_cast<uint8_t>(chunk[x]);
        if (b == 0x0A || b == 0x00 || b == 0x1A) {
          line += chunk.substr(0, x);
          p += static_cast<int64_t>(x) + (b == 0x0A ? 1 : 0);
          ended = true;
        } else if (b >= 0x80 && x == k - 1) {
          if (p + static_cast<int64_t>(k) == Size()) {  // a lone lead byte ends the file
            line += chunk;
            p += static_cast<int64_t>(k);
            ended = true;
          } else {
            line += chunk.substr(0, x);
            p += static_cast<int64_t>(x);
            carry = true;
          }
        } else {
          // A lead byte pairs with a second byte of 0x40 to 0xFE other than 0x7F.
          const auto next = static_cast<uint8_t>(chunk[x + 1 < k ? x + 1 : x]);
          const bool pair = b >= 0x80 && next >= 0x40 && next <= 0xFE && next != 0x7F;
          x += pair ? 2 : 1;
        }
      }
      if (ended) break;
      if (!carry) {
        line += chunk;
        p += static_cast<int64_t>(k);
      }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    at = p;
    return line;
  }

  bool IsAtEnd(int64_t at, std::optional<int> flag) const {
    if (at >= Size()) return true;
    if (flag != 1) return false;
    const auto b = static_cast<uint8_t>(bytes[static_cast<size_t>(at)]);
    return b == 0x00 || b == 0x1A;
  }

  void InsertLine(int64_t& at, const std::string& text) {
    const std::string block = text + "\r\n";
    const auto size = static_cast<int64_t>(block.size());
    for (int64_t e = Size(); e > at;) {
      const int64_t c = std::min<int64_t>(e - at, 4096);
      e -= c;
      Write(e + size, Read(e, c));
    }
    Write(at, block);
    at += size;
  }

  void DeleteData(int64_t& at, int64_t count) {
    if (count <= 0) return;
    const int64_t n = Size();
    int64_t d = at;
    for (int64_t t = n - at - count; t > 0;) {
      const int64_t c = std::min<int64_t>(t, 4096);
      Write(d, Read(d + count, c));
      d += c;
      t -= c;
    }
    SetLength(std::max(n - count, at));
    at = Size();
  }

  std::string Read(int64_t at, int64_t count) const {
    if (at >= Size()) return "";
    return bytes.substr(static_cast<size_t>(at), static_cast<size_t>(count));
  }

  void Write(int64_t at, const std::string& data) {
    if (data.empty()) return;
    if (at > Size()) SetLength(at);
    const auto from = static_cast<size_t>(at);
    bytes.replace(from, std::min(data.size(), bytes.size() - from), data);
  }

  // Bytes a file gains by growing are zeros on disk: masks, once deciphered.
  void SetLength(int64_t length) {
    const size_t old = bytes.size();
    bytes.resize(static_cast<size_t>(length), '\0');
    if (cipher_ && bytes.size() > old) {
      cipher_->TransformAt(static_cast<int64_t>(old), reinterpret_cast<uint8_t*>(&bytes[old]),
                           bytes.size() - old);
    }
  }

  int64_t Size() const { return static_cast<int64_t>(bytes.size()); }

 private:
  std::unique_ptr<PositionCipher> cipher_;
};

class StoreModelTest : public ::testing::TestWithParam<std::string_view> {};

INSTANTIATE_TEST_SUITE_P(PlainAndEnciphered, StoreModelTest,
                         ::testing::ValuesIn(store_testing::kPasswords),
                         store_testing::PasswordName);

TEST_P(StoreModelTest, RandomOperationsMatchTheUnbufferedModel) {
  std::mt19937 random(20240517);
  auto below = [&](int64_t n) {
    return std::uniform_int_distribution<int64_t>(0, n - 1)(random);
  };
  TempFolder temp;
  const std::string path = temp.Path("model.ini");
  Model model(GetParam());
  model.bytes = store_testing::RandomText(random, 140000, 2);
  testing::WriteAll(path, store_testing::Cipher(model.bytes, GetParam()));

  FileNumber files[2];
  int64_t at[2] = {0, 0};
  for (FileNumber& file : files) file = OpenFile(path, OpenReadWrite, ShareAll, GetParam());
  for (int step = 0; step < 3000; ++step) {
    const int which = static_cast<int>(below(2));
    const FileNumber file = files[which];
    int64_t& p = at[which];
    const int64_t op = below(100);
    SCOPED_TRACE("step " + std::to_string(step) + " op " + std::to_string(op));
    if (op < 45) {
      const std::string expected = model.ReadLine(p);
      ASSERT_EQ(ReadLine(file), expected);
    } else if (op < 60) {
      const std::optional<int> flag = op < 55 ? std::optional<int>(1) : std::nullopt;
      ASSERT_EQ(IsAtEnd(file, flag), model.IsAtEnd(p, flag));
    } else if (op < 75) {
      const int origin = static_cast<int>(below(3)) + 1;
      const auto offset = static_cast<int32_t>(
          origin == 1 ? below(model.Size() + 20) : below(4000) - 2000);
      ASSERT_EQ(Seek(file, origin, offset), model.Seek(p, origin, offset));
    } else if (op < 81) {
      const auto count = static_cast<int32_t>(below(op < 78 ? 100 : 70000));
      const std::string expected = model.Read(p, count);
      std::string got(static_cast<size_t>(count), '\0');
      int32_t n = 0;
      ASSERT_TRUE(store::Read(file, got.data(), count, &n).ok());
      ASSERT_EQ(n, static_cast<int32_t>(expected.size()));
      got.resize(expected.size());
      ASSERT_EQ(got, expected);
      p += static_cast<int64_t>(expected.size());
    } else if (op < 84) {
      const std::string data = store_testing::RandomText(random, static_cast<size_t>(below(50)));
      ASSERT_TRUE(store::Write(file, data.data(), static_cast<int32_t>(data.size())).ok());
      model.Write(p, data);
      p += static_cast<int64_t>(data.size());
    } else if (op < 91) {
      const std::string text =
          store_testing::RandomText(random, static_cast<size_t>(below(op < 90 ? 80 : 9000)));
      ASSERT_TRUE(InsertLine(file, text));
      model.InsertLine(p, text);
    } else if (op < 98) {
      const auto count = static_cast<int32_t>(below(op < 97 ? 60 : 9000) - 2);
      ASSERT_TRUE(DeleteData(file, count));
      model.DeleteData(p, count);
    } else if (op < 99) {
      ASSERT_EQ(store_testing::Length(file), model.Size());
    } else {
      CloseFile(file);  // a fresh object, with an empty buffer
      files[which] = OpenFile(path, OpenReadWrite, ShareAll, GetParam());
      p = 0;
    }
    ASSERT_EQ(GetPosition(files[0]), at[0]);
    ASSERT_EQ(GetPosition(files[1]), at[1]);
    if (step % 500 == 0) {
      ASSERT_EQ(store_testing::PlainOnDisk(path, GetParam()), model.bytes);
    }
  }
  for (FileNumber file : files) CloseFile(file);
  EXPECT_EQ(store_testing::PlainOnDisk(path, GetParam()), model.bytes);
}

}  // namespace
}  // namespace inicrypt
