// Where commands read their input and put their result: a file named on the
// command line, or stdin / stdout for "-" (and stdout when -o is absent).
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"
#include "base/text.h"
#include "cli/command.h"
#include "cli/private_folder.h"
#include "host/replace.h"

namespace inicrypt {
class StagedFile;
}

namespace inicrypt::cli {

// An input as commands see it: its bytes or its path, and how messages name it.
struct Input {
  Text path;   // the absolute path; empty for stdin
  Text shown;  // the path, or "stdin"
  bool from_stdin() const { return path.empty(); }
};

// Names the input given by operand, checking that a file is there to read.
[[nodiscard]] Status OpenInput(std::string_view operand, Input* input);

// The input's whole content.
[[nodiscard]] Status ReadInput(const Invocation& invocation, const Input& input,
                               std::string* bytes);

// The input's whole content deciphered as it stands under password (view and
// raw decrypt); warns when the text is not empty and holds no section header.
[[nodiscard]] Status ReadDeciphered(const Invocation& invocation, const Input& input,
                                    std::string_view password, Text* plain);

// A path the INI functions can open for the input: the file itself, or for
// stdin a copy in the private folder.
[[nodiscard]] Status InputPath(const Invocation& invocation, const Input& input,
                               PrivateFolder& folder, Text* path);

// Puts bytes out as the command's whole result: to stdout without -o or with
// "-o -", else in place of the named file, which stays exactly as it was on
// any failure (the message then names it: "cannot write PATH: reason").
[[nodiscard]] Status WriteResult(const Invocation& invocation, std::string_view bytes);

// Puts bytes in place of the file at target (absolute) by a safe
// replacement (host/replace.h), which leaves it exactly as it was on any
// failure; keeps its owner and permission bits (new files 0600). A target
// the user may not write is refused unless force. No lock is taken.
[[nodiscard]] Status ReplaceFile(const Text& target, std::string_view bytes, bool force = false);

// The rules of the command line's replacements: new files 0600, an
// unwritable target replaced only with force.
ReplaceRules TargetRules(bool force);

// Creates the empty temporary file of staged, readable by its owner only
// until Commit: what is written into it may be plain text.
[[nodiscard]] Status StartStaged(StagedFile& staged);

// Takes the writers' lock of target for a read-modify-write; the message
// names the file when another process keeps it too long.
[[nodiscard]] Status LockTarget(WriterLock& lock, const Text& target);

}  // namespace inicrypt::cli
