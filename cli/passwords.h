// Where a command's password comes from. No option takes the password itself
// on the command line, where other users could read it.
//
// In this order: --password-file F (the first line of F, in the locale's
// encoding), --ask-password (read from the terminal without echo, asked twice
// when it sets the password of a new file), the environment variable
// INICRYPT_PASSWORD; with none of them the window's default password, and a
// line on stderr says so. Passwords are code page 936 inside; an empty one is
// refused.
#pragma once

#include <string_view>

#include "base/status.h"
#include "base/text.h"
#include "cli/command.h"

namespace inicrypt::cli {

enum class PasswordUse {
  kOpen,    // the password of an existing file: asked once
  kCreate,  // the password of a file being made: asked twice
};

[[nodiscard]] Status GetPassword(const Invocation& invocation, PasswordUse use, Text* password);

// The new password of rekey: --new-password-file F, --ask-password (asked
// twice), INICRYPT_NEW_PASSWORD, else the default password with a note.
[[nodiscard]] Status GetNewPassword(const Invocation& invocation, Text* password);

}  // namespace inicrypt::cli
