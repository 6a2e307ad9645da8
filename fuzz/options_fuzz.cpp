// Fuzz target: the command line's option parser.
//
// Input: one byte choosing the command, then its arguments separated by
// NUL bytes (an argument never holds one). Checked: parsing ends; an
// accepted command line has an allowed number of operands, sets only
// options the command declares, never both password sources, and keeps
// every operand as typed; parsing the same arguments twice agrees.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"
#include "cli/console.h"
#include "cli/options.h"

namespace {

using inicrypt::cli::Command;
using inicrypt::cli::Invocation;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "options_fuzz: %s\n", what);
    std::abort();
  }
}

bool Accepts(const Command& command, unsigned flag) { return (command.info().options & flag) != 0; }

bool Same(const Invocation& a, const Invocation& b) {
  return a.operands == b.operands && a.output == b.output && a.password_file == b.password_file &&
         a.new_password_file == b.new_password_file && a.ask_password == b.ask_password &&
         a.raw == b.raw && a.plain == b.plain && a.force == b.force && a.encoding == b.encoding;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace cli = inicrypt::cli;
  if (size < 1) return 0;
  const auto& commands = cli::AllCommands();
  const Command& command = *commands[data[0] % commands.size()];
  std::vector<std::string> args;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  while (!rest.empty()) {
    const size_t cut = std::min(rest.find('\0'), rest.size());
    args.emplace_back(rest.substr(0, cut));
    rest = rest.substr(std::min(cut + 1, rest.size()));
  }

  std::istringstream in;
  std::ostringstream out, err;
  cli::Console console{in, out, err, [](std::string_view, std::optional<inicrypt::Text>* value) {
                           value->reset();
                           return inicrypt::Status::Ok();
                         },
                       [](std::string_view, std::string*) {
                         return inicrypt::Status::Error("no terminal");
                       }};
  Invocation first(console, command.Name()), second(console, command.Name());
  const cli::ParseResult result = cli::ParseOptions(command, args, first);
  const cli::ParseResult again = cli::ParseOptions(command, args, second);
  Check(result.help == again.help && result.problem == again.problem && Same(first, second),
        "parsing twice agrees");
  Check(out.str().empty() && err.str().empty(), "parsing prints nothing");

  for (const std::string& operand : first.operands) {
    Check(std::find(args.begin(), args.end(), operand) != args.end(), "operands as typed");
  }
  Check(first.operands.size() <= args.size(), "no more operands than arguments");
  if (!result.problem.empty() || result.help) return 0;

  const auto& info = command.info();
  const int operands = static_cast<int>(first.operands.size());
  Check(operands >= info.min_operands && operands <= info.max_operands, "operand count");
  Check(!first.output || Accepts(command, cli::kOptOutput), "-o only where declared");
  Check(!first.raw || Accepts(command, cli::kOptRaw), "--raw only where declared");
  Check(first.encoding == cli::PlainEncoding::kCp936 || Accepts(command, cli::kOptEncoding),
        "--encoding only where declared");
  Check(!(first.password_file || first.ask_password) || Accepts(command, cli::kOptPassword),
        "password options only where declared");
  Check(!first.new_password_file || Accepts(command, cli::kOptNewPassword),
        "--new-password-file only where declared");
  Check(!first.plain || Accepts(command, cli::kOptPlain), "--plain only where declared");
  Check(!first.force || Accepts(command, cli::kOptForce), "--force only where declared");
  Check(!(first.password_file && first.ask_password), "one password source");
  Check(!(first.plain && (first.password_file || first.ask_password)), "--plain takes no password");
  return 0;
}
