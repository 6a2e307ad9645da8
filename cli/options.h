// Command-line options of one command: GNU style, options and operands in
// any order, "--opt=value" or "--opt value", "-o value" or "-ovalue", "--"
// ending the options, "-" being an operand (stdin or stdout).
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"

namespace inicrypt::cli {

struct ParseResult {
  bool help = false;    // --help was given
  std::string problem;  // non-empty: wrong usage, described
};

// Fills the invocation from the arguments that follow the verb, accepting
// only the options the command declares, and checks the operand count.
ParseResult ParseOptions(const Command& command, const std::vector<std::string>& args,
                         Invocation& invocation);

// The full --help text of a command.
std::string CommandHelp(const Command& command);

}  // namespace inicrypt::cli
