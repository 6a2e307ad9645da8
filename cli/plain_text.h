// Texts at the edges of commands: names and values typed on the command line
// (the locale's encoding), lines printed to the terminal, and plain files
// read or written whole (code page 936, or UTF-8 with --encoding utf-8).
// A text with no form on the other side is an error, never mangled.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"
#include "base/text.h"
#include "cli/command.h"

namespace inicrypt::cli {

// A name or value typed on the command line, as code page 936; what names it
// in the message ("the section name has no code page 936 form").
[[nodiscard]] Status TypedText(std::string_view typed, std::string_view what, Text* text);

// The bytes of a plain file in code page 936 (converted from UTF-8 when the
// invocation says so); shown names the file in the message.
[[nodiscard]] Status PlainFileToText(const Invocation& invocation, std::string_view bytes,
                                     std::string_view shown, Text* text);

// The bytes of a plain file for a code page 936 text.
[[nodiscard]] Status TextToPlainFile(const Invocation& invocation, std::string_view text,
                                     std::string* bytes);

// Prints text (code page 936) on stdout in the locale's encoding.
[[nodiscard]] Status PrintText(const Invocation& invocation, std::string_view text);

// Warns that shown (deciphered as plain) holds no section header and that
// the password may be wrong.
void WarnNoSection(const Invocation& invocation, std::string_view shown);

}  // namespace inicrypt::cli
