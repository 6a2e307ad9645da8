// decrypt FILE [-o OUT] [--raw]: the plain INI of every pair of FILE, or its
// bytes deciphered as they stand.
#include "app/convert.h"
#include "base/secure_clear.h"
#include "cli/command.h"
#include "cli/endpoints.h"
#include "cli/file_bytes.h"
#include "cli/pair_loop.h"
#include "cli/passwords.h"
#include "cli/plain_text.h"
#include "cli/private_folder.h"

namespace inicrypt::cli {
namespace {

// Every pair of the input, names and values both from it, set one by one in
// a new plain file by the profile service, as the window's decrypt job does.
Status DecipherPairs(const Invocation& inv, const Input& input, std::string_view password,
                     Text* plain) {
  PrivateFolder folder(inv);
  Text names;
  Text output;
  if (Status s = InputPath(inv, input, folder, &names); !s.ok()) return s;
  if (Status s = folder.AddFile("result.ini", "", &output); !s.ok()) return s;
  const ConvertResult result = DecryptPairs(names, names, password, output);
  if (Status status = PairLoopStatus(result, input.shown); !status.ok()) return status;
  if (result.outcome == ConvertOutcome::kNothingFound) {
    WarnNoSection(inv, input.shown);
    return Status::Error("nothing to decrypt; no output written");
  }
  if (Status s = ReadWholeFile(output, plain); !s.ok()) return s;
  if (plain->empty()) {
    // Sections but not one readable pair: an empty result would replace a
    // whole output file with nothing.
    return Status::Error(input.shown + " holds no pair to decrypt; nothing written");
  }
  return Status::Ok();
}

constexpr CommandInfo kInfo{
    .name = "decrypt",
    .synopsis = "FILE [-o OUT] [--raw] [--encoding ENC]",
    .summary = "write the plain INI of an enciphered file",
    .description =
        "Deciphers FILE (\"-\": stdin) under the password and writes the plain\n"
        "result to OUT (default: stdout).\n"
        "\n"
        "Without --raw the result is a new plain INI file holding every pair of\n"
        "FILE, names and values both taken from FILE, set one by one as the\n"
        "window's decrypt job sets them; it can be given to encrypt again. When\n"
        "FILE yields no section or no pair at all, nothing is written and the exit\n"
        "code is 1: the password may be wrong. With --raw the bytes of FILE are deciphered as\n"
        "they stand (comments, order and blank lines kept).\n",
    .options = kOptOutput | kOptRaw | kOptEncoding | kOptPassword,
    .min_operands = 1,
    .max_operands = 1,
};

class Decrypt final : public Command {
 public:
  Decrypt() : Command(kInfo) {}

  int Run(Invocation& inv) const override {
    Input input;
    if (Status s = OpenInput(inv.operands[0], &input); !s.ok()) return inv.Fail(s);
    Text password;
    const WipeOnExit wipe_password(password);
    if (Status s = GetPassword(inv, PasswordUse::kOpen, &password); !s.ok()) return inv.Fail(s);
    Text plain;
    Status status = inv.raw ? ReadDeciphered(inv, input, password, &plain)
                            : DecipherPairs(inv, input, password, &plain);
    std::string bytes;
    if (status.ok()) status = TextToPlainFile(inv, plain, &bytes);
    if (status.ok()) status = WriteResult(inv, bytes);
    return status.ok() ? kExitOk : inv.Fail(status);
  }
};

}  // namespace

const Command& DecryptCommand() {
  static const Decrypt command;
  return command;
}

}  // namespace inicrypt::cli
