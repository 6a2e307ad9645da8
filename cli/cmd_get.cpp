// get FILE SECTION KEY: one value.
#include <algorithm>

#include "cli/command.h"
#include "cli/ini_source.h"
#include "cli/plain_text.h"
#include "ini/ini.h"

namespace inicrypt::cli {
namespace {

constexpr CommandInfo kInfo{
    .name = "get",
    .synopsis = "FILE SECTION KEY [--plain]",
    .summary = "print the value of a key",
    .description =
        "Prints the value of KEY in SECTION of FILE (\"-\": stdin): everything after\n"
        "the first \"=\" of the key's first line in the section, as it stands. Key\n"
        "names compare exactly, letter case included. A missing section or key gives\n"
        "exit code 1; a key with an empty value prints an empty line.\n",
    .options = kOptPassword | kOptPlain,
    .min_operands = 3,
    .max_operands = 3,
};

class Get final : public Command {
 public:
  Get() : Command(kInfo) {}

  int Run(Invocation& inv) const override {
    Text section;
    Text key;
    Status status = TypedText(inv.operands[1], "the section name", &section);
    if (status.ok()) status = TypedText(inv.operands[2], "the key name", &key);
    if (!status.ok()) return inv.Fail(status);
    PrivateFolder folder(inv);
    IniSource source;
    if (Status s = OpenIniSource(inv, folder, &source); !s.ok()) return inv.Fail(s);
    TextList keys;
    const Lookup listed = ini::ListKeys(source.path, source.password, section, &keys);
    if (listed.failed()) return inv.Fail("cannot read " + source.shown);
    if (listed.not_found()) return inv.Fail("no section [" + section + "] in " + source.shown);
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
      return inv.Fail("no key " + key + " in section [" + section + "] of " + source.shown);
    }
    Text value;
    if (ini::ReadValue(source.path, source.password, section, key, &value).failed()) {
      return inv.Fail("cannot read " + source.shown);
    }
    if (TrimBothEnds(value).empty()) value.clear();  // a blank value prints as an empty line
    if (Status s = PrintText(inv, value + "\n"); !s.ok()) return inv.Fail(s);
    return kExitOk;
  }
};

}  // namespace

const Command& GetCommand() {
  static const Get command;
  return command;
}

}  // namespace inicrypt::cli
