#include "cli/console.h"

#include <cstdio>

#include "base/cp936.h"
#include "host/host.h"

namespace inicrypt::cli {

Console ProcessConsole(std::istream& in, std::ostream& out, std::ostream& err) {
  return Console{
      in,
      out,
      err,
      [](std::string_view name, std::optional<Text>* value) {
        return GetHost().FindEnvironment(name, value);
      },
      [](std::string_view prompt, std::string* line) {
        return GetHost().ReadSecretLine(prompt, line);
      },
      GetHost().StandardOutputIsTerminal(),
  };
}

bool ToTerminal(std::string_view text, std::string* out) { return Cp936ToLocale(text, out); }

std::string ForMessage(std::string_view text) {
  std::string local;
  if (ToTerminal(text, &local)) return local;
  return EscapeBytes(text);
}

std::string ForTerminal(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    const bool kept = b == '\t' || b == '\n' || (b == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
    if ((b < 0x20 || b == 0x7F) && !kept) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      shown += hex;
    } else {
      shown += static_cast<char>(b);
    }
  }
  return shown;
}

std::string EscapeBytes(std::string_view bytes) {
  std::string shown;
  for (unsigned char b : bytes) {
    if (b >= 0x80 || b < 0x20 || b == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      shown += hex;
    } else {
      shown += static_cast<char>(b);
    }
  }
  return shown;
}

}  // namespace inicrypt::cli
