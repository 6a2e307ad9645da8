// sample [-o OUT]: the window's built-in sample configuration.
#include "app/convert.h"
#include "cli/command.h"
#include "cli/endpoints.h"
#include "cli/plain_text.h"

namespace inicrypt::cli {
namespace {

class Sample final : public Command {
 public:
  std::string_view Name() const override { return "sample"; }
  std::string_view Synopsis() const override { return "[-o OUT] [--encoding ENC]"; }
  std::string_view Summary() const override { return "write the built-in sample configuration"; }
  std::string_view Description() const override {
    return "Writes the plain sample configuration that the window offers at start\n"
           "(262 bytes of code page 936 INI text, three sections) to OUT (default:\n"
           "stdout). It is a valid source for encrypt.\n";
  }
  unsigned Options() const override { return kOptOutput | kOptEncoding; }
  int MinOperands() const override { return 0; }
  int MaxOperands() const override { return 0; }

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
