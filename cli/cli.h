// inicrypt, the command line: enciphers, deciphers, inspects and edits INI
// configuration files from scripts and terminals, with the same core as the
// window.
//
//   inicrypt COMMAND [OPTIONS] OPERANDS...   (see ToolHelp and each --help)
//
// Exit codes: 0 success, 1 failure or not found, 2 wrong usage. Messages go
// to stderr as "inicrypt: COMMAND: what failed and where".
#pragma once

#include <string>
#include <vector>

#include "cli/console.h"

namespace inicrypt::cli {

// Runs the tool on the arguments that follow the program name.
int RunCli(const std::vector<std::string>& args, Console& console);

// The tool's --help text.
std::string ToolHelp();

}  // namespace inicrypt::cli
