// One class per command behind a small interface. The dispatcher (cli.h)
// parses the options a command accepts into an Invocation and runs it; the
// command reports through the Invocation's console and returns the exit code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "base/text.h"
#include "cli/console.h"

namespace inicrypt::cli {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // failure, or not found
inline constexpr int kExitUsage = 2;

// Options a command may accept (a bit set).
enum OptionFlag : unsigned {
  kOptOutput = 1u << 0,       // -o, --output FILE
  kOptRaw = 1u << 1,          // --raw
  kOptEncoding = 1u << 2,     // --encoding cp936|utf-8
  kOptPassword = 1u << 3,     // --password-file FILE, --ask-password
  kOptNewPassword = 1u << 4,  // --new-password-file FILE
  kOptPlain = 1u << 5,        // --plain
  kOptForce = 1u << 6,        // --force
};

// The encoding of plain files read or written whole.
enum class PlainEncoding { kCp936, kUtf8 };

// One run of one command: its parsed arguments and where it reports.
struct Invocation {
  Invocation(Console& console_in, std::string_view verb_in) : console(console_in), verb(verb_in) {}

  Console& console;
  std::string_view verb;
  std::vector<std::string> operands;  // as typed, in the locale's encoding
  std::optional<std::string> output;  // -o; absent means stdout
  std::optional<std::string> password_file;
  std::optional<std::string> new_password_file;
  bool ask_password = false;
  bool raw = false;
  bool plain = false;
  bool force = false;
  PlainEncoding encoding = PlainEncoding::kCp936;

  // "inicrypt: VERB: message" on stderr; returns kExitFailure. The message
  // is code page 936 (paths and names in it are shown in the locale's
  // encoding).
  int Fail(std::string_view message) const;
  int Fail(const Status& status) const { return Fail(status.message()); }
  // The same, followed by a pointer to --help; returns kExitUsage.
  int Usage(std::string_view message) const;
  // "inicrypt: VERB: warning: message" on stderr.
  void Warn(std::string_view message) const;
  // "inicrypt: VERB: message" on stderr, for notes that are no failure.
  void Note(std::string_view message) const;
};

// What the dispatcher and the help texts know of a command.
struct CommandInfo {
  std::string_view name;
  std::string_view synopsis;     // the operands after the name ("FILE [-o OUT]")
  std::string_view summary;      // one line for the tool's --help
  std::string_view description;  // for its own --help; lines end with LF
  unsigned options = 0;          // OptionFlag bits it accepts
  int min_operands = 0;
  int max_operands = 0;
};

class Command {
 public:
  explicit Command(const CommandInfo& info) : info_(info) {}
  virtual ~Command() = default;

  const CommandInfo& info() const { return info_; }
  std::string_view Name() const { return info_.name; }
  // Runs with options parsed and operands counted; returns the exit code.
  virtual int Run(Invocation& invocation) const = 0;

 private:
  CommandInfo info_;
};

// Every command, in the order the tool's --help lists them.
const std::vector<const Command*>& AllCommands();

// The commands (one file each).
const Command& EncryptCommand();
const Command& DecryptCommand();
const Command& ViewCommand();
const Command& ListCommand();
const Command& GetCommand();
const Command& SetCommand();
const Command& EditCommand();
const Command& RekeyCommand();
const Command& SampleCommand();

}  // namespace inicrypt::cli
