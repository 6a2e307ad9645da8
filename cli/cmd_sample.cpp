// sample [-o OUT]: the window's built-in sample configuration.
#include "app/convert.h"
#include "cli/command.h"
#include "cli/endpoints.h"
#include "cli/plain_text.h"

namespace inicrypt::cli {
namespace {

constexpr CommandInfo kInfo{
    .name = "sample",
    .synopsis = "[-o OUT] [--encoding ENC]",
    .summary = "write the built-in sample configuration",
    .description =
        "Writes the plain sample configuration that the window offers at start\n"
        "(262 bytes of code page 936 INI text, three sections) to OUT (default:\n"
        "stdout). It is a valid source for encrypt.\n",
    .options = kOptOutput | kOptEncoding,
    .min_operands = 0,
    .max_operands = 0,
};

class Sample final : public Command {
 public:
  Sample() : Command(kInfo) {}

  int Run(Invocation& inv) const override {
    std::string bytes;
    Status status = TextToPlainFile(inv, SampleConfiguration, &bytes);
    if (status.ok()) status = WriteResult(inv, bytes);
    return status.ok() ? kExitOk : inv.Fail(status);
  }
};

}  // namespace

const Command& SampleCommand() {
  static const Sample command;
  return command;
}

}  // namespace inicrypt::cli
