// The INI file that list and get look into: FILE (or stdin, copied to a
// private folder) under the password, or plain with --plain.
#pragma once

#include "base/status.h"
#include "base/text.h"
#include "cli/command.h"
#include "base/secure_clear.h"
#include "cli/private_folder.h"

namespace inicrypt::cli {

struct IniSource {
  IniSource() = default;
  ~IniSource() { SecureClear(&password); }
  IniSource(const IniSource&) = delete;
  IniSource& operator=(const IniSource&) = delete;

  Text path;      // for the INI functions
  Text password;  // empty for --plain; wiped with the source
  Text shown;     // how messages name it
  TextList sections;
};

// Opens operand 0 of the invocation and lists its sections; warns when an
// enciphered file yields none (the password may be wrong).
[[nodiscard]] Status OpenIniSource(const Invocation& invocation, PrivateFolder& folder,
                                   IniSource* source);

// Prints each name on a line of its own.
[[nodiscard]] Status PrintNames(const Invocation& invocation, const TextList& names);

}  // namespace inicrypt::cli
