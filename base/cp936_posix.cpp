// Code page 936 conversions through the C library's iconv.
//
// Conversions are strict: no transliteration, nothing skipped. Input that is
// invalid in its encoding, cut off inside a character, or has no form in the
// other encoding is refused. Descriptors are opened once per thread and
// direction and reset before every use.
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/cp936.h"

namespace inicrypt {
namespace {

// One cached iconv descriptor for a pair of encodings.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of in, or returns false and leaves *out empty.
  bool Convert(std::string_view in, std::string* out) {
    std::string result;
    if (!valid() || !ConvertInto(in, &result)) {
      out->clear();
      return false;
    }
    *out = std::move(result);
    return true;
  }

 private:
  bool ConvertInto(std::string_view in, std::string* out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string& result = *out;
    result.assign(in.size() * 2 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    size_t done = 0;
    while (true) {
      char* dst = result.data() + done;
      size_t dst_left = result.size() - done;
      size_t rc = iconv(cd_, &src, &src_left, &dst, &dst_left);
      done = result.size() - dst_left;
      if (rc == static_cast<size_t>(-1) && errno == E2BIG) {
        result.resize(result.size() * 2);
        continue;
      }
      // Any irreversible conversion counts as a refusal: nothing is approximated.
      if (rc != 0) return false;
      break;
    }
    // Flush a pending shift state (none for these encodings, but harmless).
    char* dst = result.data() + done;
    size_t dst_left = result.size() - done;
    if (iconv(cd_, nullptr, nullptr, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
    result.resize(result.size() - dst_left);
    return true;
  }

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(static_cast<intptr_t>(-1)); }
  iconv_t cd_;
};

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// How the locale's character set relates to code page 936.
enum class LocaleKind { kCp936, kUtf8, kOther };

LocaleKind KindOf(std::string_view codeset) {
  if (codeset == "GBK" || codeset == "CP936" || codeset == "MS936" || codeset == "WINDOWS-936") {
    return LocaleKind::kCp936;
  }
  // The plain C locale reports ASCII; ASCII is a subset of UTF-8 and the
  // terminals such a process talks to are UTF-8, so it is taken as UTF-8.
  if (codeset == "UTF-8" || codeset == "ANSI_X3.4-1968" || codeset == "ASCII") {
    return LocaleKind::kUtf8;
  }
  return LocaleKind::kOther;
}

std::string Codeset() {
  const char* codeset = nl_langinfo(CODESET);
  return codeset != nullptr ? codeset : "";
}

// Converts through a descriptor opened for this call (locales other than
// UTF-8 and CP936 are rare; the codeset may change between calls).
bool ConvertOnce(const char* to, const char* from, std::string_view in, std::string* out) {
  Converter converter(to, from);
  return converter.Convert(in, out);
}

}  // namespace

bool Cp936ToUtf8(std::string_view cp936, std::string* out) {
  if (IsAscii(cp936)) {
    out->assign(cp936);
    return true;
  }
  thread_local Converter converter("UTF-8", "CP936");
  return converter.Convert(cp936, out);
}

bool Utf8ToCp936(std::string_view utf8, Text* out) {
  if (IsAscii(utf8)) {
    out->assign(utf8);
    return true;
  }
  thread_local Converter converter("CP936", "UTF-8");
  return converter.Convert(utf8, out);
}

bool LocaleToCp936(std::string_view local, Text* out) {
  const std::string codeset = Codeset();
  switch (KindOf(codeset)) {
    case LocaleKind::kCp936:
      out->assign(local);
      return true;
    case LocaleKind::kUtf8:
      return Utf8ToCp936(local, out);
    case LocaleKind::kOther:
      return ConvertOnce("CP936", codeset.c_str(), local, out);
  }
  return false;
}

bool Cp936ToLocale(std::string_view cp936, std::string* out) {
  const std::string codeset = Codeset();
  switch (KindOf(codeset)) {
    case LocaleKind::kCp936:
      out->assign(cp936);
      return true;
    case LocaleKind::kUtf8:
      return Cp936ToUtf8(cp936, out);
    case LocaleKind::kOther:
      return ConvertOnce(codeset.c_str(), "CP936", cp936, out);
  }
  return false;
}

}  // namespace inicrypt
