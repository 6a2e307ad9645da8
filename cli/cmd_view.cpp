// view FILE: the deciphered text on the terminal; nothing plain touches the
// disk.
#include "base/secure_clear.h"
#include "cli/command.h"
#include "cli/endpoints.h"
#include "cli/passwords.h"
#include "cli/plain_text.h"

namespace inicrypt::cli {
namespace {

constexpr CommandInfo kInfo{
    .name = "view",
    .synopsis = "FILE",
    .summary = "print the deciphered text of a file",
    .description =
        "Deciphers FILE (\"-\": stdin) in memory and prints its text, as it\n"
        "stands, in the terminal's encoding. Nothing plain is written to disk.\n",
    .options = kOptPassword,
    .min_operands = 1,
    .max_operands = 1,
};

class View final : public Command {
 public:
  View() : Command(kInfo) {}

  int Run(Invocation& inv) const override {
    Input input;
    if (Status s = OpenInput(inv.operands[0], &input); !s.ok()) return inv.Fail(s);
    Text password;
    const WipeOnExit wipe_password(password);
    if (Status s = GetPassword(inv, PasswordUse::kOpen, &password); !s.ok()) return inv.Fail(s);
    Text plain;
    if (Status s = ReadDeciphered(inv, input, password, &plain); !s.ok()) return inv.Fail(s);
    if (Status s = PrintText(inv, plain); !s.ok()) return inv.Fail(s);
    return kExitOk;
  }
};

}  // namespace

const Command& ViewCommand() {
  static const View command;
  return command;
}

}  // namespace inicrypt::cli
