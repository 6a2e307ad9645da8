// encrypt PLAIN [-o OUT] [--raw]: the window's encrypt job for one file, or
// the file's bytes enciphered as they stand.
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

// The plain input as code page 936 text.
Status ReadPlain(const Invocation& inv, const Input& input, Text* text) {
  std::string bytes;
  if (Status s = ReadInput(inv, input, &bytes); !s.ok()) return s;
  return PlainFileToText(inv, bytes, input.shown, text);
}

// The pairs of the plain file, written as the window's job writes them.
Status EncipherPairs(const Invocation& inv, const Input& input, std::string_view password,
                     std::string* result) {
  PrivateFolder folder(inv);
  Text source = input.path;
  if (input.from_stdin() || inv.encoding != PlainEncoding::kCp936) {
    Text plain;
    if (Status s = ReadPlain(inv, input, &plain); !s.ok()) return s;
    if (Status s = folder.AddFile("plain.ini", plain, &source); !s.ok()) return s;
  }
  Text target;
  if (Status s = folder.AddFile("result.ini", "", &target); !s.ok()) return s;
  const ConvertResult loop = EncryptPairs(source, target, password);
  if (Status status = PairLoopStatus(loop, input.shown); !status.ok()) return status;
  if (loop.outcome == ConvertOutcome::kNothingFound) {
    return Status::Error(input.shown + " holds no pair to encrypt; nothing written");
  }
  return ReadWholeFile(target, result);
}

constexpr CommandInfo kInfo{
    .name = "encrypt",
    .synopsis = "PLAIN [-o OUT] [--raw] [--encoding ENC]",
    .summary = "encipher a plain INI file",
    .description =
        "Enciphers the plain INI file PLAIN (\"-\": stdin) under the password and\n"
        "writes the result to OUT (default: stdout).\n"
        "\n"
        "Without --raw the result holds every pair of PLAIN exactly as the window's\n"
        "encrypt job writes it: sections and keys in file order, \"[section]\" and\n"
        "\"key=value\" lines ending in CR LF. Blank lines, lines without \"=\" and\n"
        "lines before the first section are left out. A PLAIN without any pair is\n"
        "refused.\n"
        "With --raw the bytes of PLAIN are enciphered as they stand.\n"
        "\n"
        "With --ask-password the password is asked twice.\n",
    .options = kOptOutput | kOptRaw | kOptEncoding | kOptPassword,
    .min_operands = 1,
    .max_operands = 1,
};

class Encrypt final : public Command {
 public:
  Encrypt() : Command(kInfo) {}

  int Run(Invocation& inv) const override {
    Input input;
    if (Status s = OpenInput(inv.operands[0], &input); !s.ok()) return inv.Fail(s);
    Text password;
    const WipeOnExit wipe_password(password);
    if (Status s = GetPassword(inv, PasswordUse::kCreate, &password); !s.ok()) return inv.Fail(s);
    std::string result;
    Status status;
    if (inv.raw) {
      status = ReadPlain(inv, input, &result);
      if (status.ok()) status = TransformWhole(password, &result);
    } else {
      status = EncipherPairs(inv, input, password, &result);
    }
    if (status.ok()) status = WriteResult(inv, result);
    return status.ok() ? kExitOk : inv.Fail(status);
  }
};

}  // namespace

const Command& EncryptCommand() {
  static const Encrypt command;
  return command;
}

}  // namespace inicrypt::cli
