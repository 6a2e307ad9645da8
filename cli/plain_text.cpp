#include "cli/plain_text.h"

#include <ostream>

#include "base/cp936.h"

namespace inicrypt::cli {

Status TypedText(std::string_view typed, std::string_view what, Text* text) {
  if (LocaleToCp936(typed, text)) return Status::Ok();
  return Status::Error(std::string(what) + " has no code page 936 form");
}

Status PlainFileToText(const Invocation& invocation, std::string_view bytes, std::string_view shown,
                       Text* text) {
  if (invocation.encoding == PlainEncoding::kCp936) {
    *text = Text(bytes);
    return Status::Ok();
  }
  if (Utf8ToCp936(bytes, text)) return Status::Ok();
  return Status::Error(std::string(shown) +
                       " is not UTF-8 text, or holds a character with no code page 936 form");
}

Status TextToPlainFile(const Invocation& invocation, std::string_view text, std::string* bytes) {
  if (invocation.encoding == PlainEncoding::kCp936) {
    *bytes = std::string(text);
    return Status::Ok();
  }
  if (Cp936ToUtf8(text, bytes)) return Status::Ok();
  return Status::Error("the text has no UTF-8 form (not code page 936 text)");
}

Status PrintText(const Invocation& invocation, std::string_view text) {
  std::string local;
  const std::string shown = invocation.console.out_is_terminal ? ForTerminal(text) : std::string(text);
  if (!ToTerminal(shown, &local)) {
    return Status::Error("the text has no form in the terminal's encoding");
  }
  std::ostream& out = invocation.console.out;
  out << local;
  out.flush();
  return out ? Status::Ok() : Status::Error("cannot write stdout");
}

void WarnNoSection(const Invocation& invocation, std::string_view shown) {
  invocation.Warn(std::string(shown) + " holds no section header; the password may be wrong");
}

}  // namespace inicrypt::cli
