// list FILE [SECTION]: the section names, or the key names of one section.
#include "cli/command.h"
#include "cli/ini_source.h"
#include "cli/plain_text.h"
#include "ini/ini.h"

namespace inicrypt::cli {
namespace {

constexpr CommandInfo kInfo{
    .name = "list",
    .synopsis = "FILE [SECTION] [--plain]",
    .summary = "list the sections, or the keys of a section",
    .description =
        "Prints the section names of FILE (\"-\": stdin), one a line, in file order;\n"
        "with SECTION, the key names of that section. Sections and keys are found\n"
        "as the window finds them: a section by its header line \"[SECTION]\", letter\n"
        "case aside; only its first header counts. A missing SECTION gives exit code 1.\n",
    .options = kOptPassword | kOptPlain,
    .min_operands = 1,
    .max_operands = 2,
};

class List final : public Command {
 public:
  List() : Command(kInfo) {}

  int Run(Invocation& inv) const override {
    PrivateFolder folder(inv);
    IniSource source;
    if (Status s = OpenIniSource(inv, folder, &source); !s.ok()) return inv.Fail(s);
    if (inv.operands.size() == 1) {
      Status s = PrintNames(inv, source.sections);
      return s.ok() ? kExitOk : inv.Fail(s);
    }
    Text section;
    if (Status s = TypedText(inv.operands[1], "the section name", &section); !s.ok()) {
      return inv.Fail(s);
    }
    TextList keys;
    const Lookup listed = ini::ListKeys(source.path, source.password, section, &keys);
    if (listed.failed()) return inv.Fail("cannot read " + source.shown);
    if (listed.not_found()) return inv.Fail("no section [" + section + "] in " + source.shown);
    Status s = PrintNames(inv, keys);
    return s.ok() ? kExitOk : inv.Fail(s);
  }
};

}  // namespace

const Command& ListCommand() {
  static const List command;
  return command;
}

}  // namespace inicrypt::cli
