// rekey FILE: the same plain text under a new password.
#include "base/secure_clear.h"
#include "cli/command.h"
#include "cli/endpoints.h"
#include "cli/file_bytes.h"
#include "cli/passwords.h"
#include "cli/paths.h"

namespace inicrypt::cli {
namespace {

constexpr CommandInfo kInfo{
    .name = "rekey",
    .synopsis = "FILE [--new-password-file F] [--force]",
    .summary = "encipher a file under a new password",
    .description =
        "Deciphers FILE under its password and enciphers the same text under a new\n"
        "one, in place. The new password comes from --new-password-file F,\n"
        "--ask-password (asked after the old one, twice), or the environment\n"
        "variable INICRYPT_NEW_PASSWORD; with none of them it is the default\n"
        "password 73580647, and stderr says so. A FILE that shows no section\n"
        "header under the old password is left alone unless --force is given:\n"
        "a mistyped old password would otherwise turn it into noise.\n",
    .options = kOptPassword | kOptNewPassword | kOptForce,
    .min_operands = 1,
    .max_operands = 1,
};

class Rekey final : public Command {
 public:
  Rekey() : Command(kInfo) {}

  int Run(Invocation& inv) const override {
    if (inv.operands[0] == kStdStream)
      return inv.Usage("rekey changes FILE in place; \"-\" is no file");
    Text path;
    std::string text;
    WriterLock lock;  // held from the read to the write
    Status status = ResolvePath(inv.operands[0], &path);
    if (status.ok()) status = LockTarget(lock, path);
    if (status.ok()) status = ReadWholeFile(path, &text);
    if (!status.ok()) return inv.Fail(status);
    Text old_password;
    const WipeOnExit wipe_old_password(old_password);
    Text new_password;
    const WipeOnExit wipe_new_password(new_password);
    status = GetPassword(inv, PasswordUse::kOpen, &old_password);
    if (status.ok()) status = GetNewPassword(inv, &new_password);
    if (status.ok()) status = TransformWhole(old_password, &text);
    if (!status.ok()) return inv.Fail(status);
    if (!inv.force && !text.empty() && !HoldsSectionHeader(text)) {
      return inv.Fail(path +
                      " holds no section header under this password; the password may be "
                      "wrong; nothing changed (--force rekeys anyway)");
    }
    if (new_password == old_password) {
      inv.Note("the new password is the old one; " + path + " is unchanged");
      return kExitOk;
    }
    status = TransformWhole(new_password, &text);
    if (status.ok()) status = ReplaceFile(path, text, inv.force);
    return status.ok() ? kExitOk : inv.Fail(status);
  }
};

}  // namespace

const Command& RekeyCommand() {
  static const Rekey command;
  return command;
}

}  // namespace inicrypt::cli
