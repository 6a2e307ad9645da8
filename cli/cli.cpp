#include "cli/cli.h"

#include <exception>
#include <new>
#include <ostream>
#include <string>

#include "cli/command.h"
#include "cli/options.h"

namespace inicrypt::cli {
namespace {

constexpr std::string_view kProgram = "inicrypt";

const Command* FindCommand(std::string_view name) {
  for (const Command* command : AllCommands()) {
    if (command->Name() == name) return command;
  }
  return nullptr;
}

int ToolUsage(Console& console, const std::string& problem) {
  console.err << kProgram << ": " << problem << "\nTry 'inicrypt --help'.\n";
  return kExitUsage;
}

int RunCommand(const Command& command, const std::vector<std::string>& args, Console& console) {
  Invocation invocation{console, command.Name()};
  const ParseResult parsed = ParseOptions(command, args, invocation);
  if (parsed.help) {
    console.out << CommandHelp(command);
    return kExitOk;
  }
  if (!parsed.problem.empty()) return invocation.Usage(parsed.problem);
  // Nothing ends in an uncaught exception: what the libraries do not turn
  // into a Status (memory running out in the front end) is a failure here.
  try {
    return command.Run(invocation);
  } catch (const std::bad_alloc&) {
    return invocation.Fail("out of memory");
  } catch (const std::exception& e) {
    return invocation.Fail(std::string("internal error: ") + e.what());
  }
}

}  // namespace

int Invocation::Fail(std::string_view message) const {
  console.err << kProgram << ": " << verb << ": " << ForMessage(message) << "\n";
  return kExitFailure;
}

int Invocation::Usage(std::string_view message) const {
  console.err << kProgram << ": " << verb << ": " << message << "\nTry 'inicrypt " << verb
              << " --help'.\n";
  return kExitUsage;
}

void Invocation::Warn(std::string_view message) const {
  console.err << kProgram << ": " << verb << ": warning: " << ForMessage(message) << "\n";
}

void Invocation::Note(std::string_view message) const {
  console.err << kProgram << ": " << verb << ": " << ForMessage(message) << "\n";
}

const std::vector<const Command*>& AllCommands() {
  static const std::vector<const Command*> commands = {
      &EncryptCommand(), &DecryptCommand(), &ViewCommand(),  &ListCommand(),   &GetCommand(),
      &SetCommand(),     &EditCommand(),    &RekeyCommand(), &SampleCommand(),
  };
  return commands;
}

std::string ToolHelp() {
  std::string text =
      "Usage: inicrypt COMMAND [OPTIONS] OPERANDS...\n"
      "\n"
      "Enciphers and deciphers INI configuration files under a password, in the\n"
      "format the window writes: every byte XORed with a mask taken from the\n"
      "password and the byte's position.\n"
      "\n"
      "Commands:\n";
  for (const Command* command : AllCommands()) {
    std::string left = "  " + std::string(command->Name());
    left.resize(11, ' ');
    text += left + std::string(command->info().summary) + "\n";
  }
  text +=
      "\n"
      "Run 'inicrypt COMMAND --help' for the operands and options of a command.\n"
      "\"-\" names stdin or stdout wherever a file is read or written whole.\n"
      "\n"
      "Passwords: --password-file F (its first line), --ask-password (from the\n"
      "terminal, without echo) or the environment variable INICRYPT_PASSWORD; with\n"
      "none of them the default password 73580647, and stderr says so.\n"
      "\n"
      "Every file written is written whole beside its target and renamed over it,\n"
      "keeping the target's permissions (new files 0600); on failure the target\n"
      "stays as it was.\n"
      "\n"
      "Exit codes: 0 success, 1 failure or not found, 2 wrong usage.\n"
      "\n"
      "Security: no salt, no integrity check, RC4 and MD5: read SECURITY.md.\n"
      "\n"
      "  -h, --help     show this help\n"
      "      --version  show the version\n";
  return text;
}

int RunCli(const std::vector<std::string>& args, Console& console) {
  if (args.empty()) return ToolUsage(console, "missing command");
  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    if (first == "help" && args.size() > 1) {
      const Command* command = FindCommand(args[1]);
      if (command == nullptr) return ToolUsage(console, "unknown command '" + args[1] + "'");
      console.out << CommandHelp(*command);
      return kExitOk;
    }
    console.out << ToolHelp();
    return kExitOk;
  }
  if (first == "--version") {
    console.out << kProgram << " " << INICRYPT_VERSION << "\n";
    return kExitOk;
  }
  if (first.starts_with("-")) return ToolUsage(console, "unknown option '" + first + "'");
  const Command* command = FindCommand(first);
  if (command == nullptr) return ToolUsage(console, "unknown command '" + first + "'");
  return RunCommand(*command, std::vector<std::string>(args.begin() + 1, args.end()), console);
}

}  // namespace inicrypt::cli
