// What a command talks to: its three streams, the environment and the
// terminal. The program passes the process's own (ProcessConsole); tests pass
// string streams, a fixed environment and scripted answers, and run commands
// in-process.
//
// Texts inside the system are code page 936; the streams carry the locale's
// encoding for messages and listings, and file bytes unchanged.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"
#include "base/text.h"

namespace inicrypt::cli {

struct Console {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  // An environment variable as code page 936: *value is absent when the
  // variable is unset; a value with no code page 936 form is an error.
  std::function<Status(std::string_view name, std::optional<Text>* value)> environment;
  // Shows the prompt and reads one line from the terminal without echo; the
  // line comes back in the locale's encoding, without its line end.
  std::function<Status(std::string_view prompt, std::string* line)> read_secret;
  // True when out is a terminal: names and values printed there show their
  // control characters escaped (see ForTerminal).
  bool out_is_terminal = false;
};

// The process's streams, with the environment and terminal of the host.
Console ProcessConsole(std::istream& in, std::ostream& out, std::ostream& err);

// Code page 936 to the locale's encoding, for the terminal. False when the
// text has no form there; *out is then empty.
[[nodiscard]] bool ToTerminal(std::string_view text, std::string* out);

// For messages: the text in the locale's encoding, or, when it has no form
// there, its bytes with every byte of 0x80 or more written as \xHH.
std::string ForMessage(std::string_view text);

// The text with its control bytes (0x00 to 0x1F and 0x7F, except tab, LF
// and a CR before a LF) written as \xHH, so that an ESC sequence in a name or
// value cannot act on the terminal it is printed to.
std::string ForTerminal(std::string_view text);

// Bytes of 0x80 or more and control bytes written as \xHH.
std::string EscapeBytes(std::string_view bytes);

}  // namespace inicrypt::cli
