#include "cli/options.h"

#include <optional>
#include <string_view>

namespace inicrypt::cli {
namespace {

struct OptionInfo {
  std::string_view long_name;
  char short_name;  // 0: none
  OptionFlag flag;
  bool takes_value;
  std::string_view value_name;
  std::string_view help;
};

constexpr OptionInfo kOptions[] = {
    {"output", 'o', kOptOutput, true, "OUT", "write to OUT instead of stdout (\"-\": stdout)"},
    {"raw", 0, kOptRaw, false, "",
     "take the file's bytes as they stand (comments, order and blank lines kept)"},
    {"encoding", 0, kOptEncoding, true, "ENC",
     "encoding of the plain file: cp936 (the default) or utf-8"},
    {"plain", 0, kOptPlain, false, "", "FILE is a plain INI file: no password"},
    {"password-file", 0, kOptPassword, true, "F", "the password is the first line of F"},
    {"ask-password", 0, kOptPassword, false, "",
     "ask for the password on the terminal, without echo"},
    {"new-password-file", 0, kOptNewPassword, true, "F", "the new password is the first line of F"},
    {"force", 0, kOptForce, false, "",
     "write even when FILE holds no section header under the password"},
};

const OptionInfo* FindLong(std::string_view name, unsigned accepted) {
  for (const OptionInfo& o : kOptions) {
    if (o.long_name == name && (accepted & o.flag) != 0) return &o;
  }
  return nullptr;
}

const OptionInfo* FindShort(char name, unsigned accepted) {
  for (const OptionInfo& o : kOptions) {
    if (o.short_name != 0 && o.short_name == name && (accepted & o.flag) != 0) return &o;
  }
  return nullptr;
}

std::optional<PlainEncoding> ParseEncoding(std::string_view name) {
  std::string lower;
  for (char c : name) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  if (lower == "cp936" || lower == "gbk") return PlainEncoding::kCp936;
  if (lower == "utf-8" || lower == "utf8") return PlainEncoding::kUtf8;
  return std::nullopt;
}

// Stores one option's value; returns a problem or the empty string.
std::string Apply(const OptionInfo& o, const std::string& value, Invocation& inv) {
  if (o.long_name == "output") {
    inv.output = value;
  } else if (o.long_name == "raw") {
    inv.raw = true;
  } else if (o.long_name == "encoding") {
    std::optional<PlainEncoding> e = ParseEncoding(value);
    if (!e) return "unknown encoding '" + value + "' (cp936 or utf-8)";
    inv.encoding = *e;
  } else if (o.long_name == "plain") {
    inv.plain = true;
  } else if (o.long_name == "password-file") {
    inv.password_file = value;
  } else if (o.long_name == "ask-password") {
    inv.ask_password = true;
  } else if (o.long_name == "new-password-file") {
    inv.new_password_file = value;
  } else if (o.long_name == "force") {
    inv.force = true;
  }
  return {};
}

// Problems that only show once every option has been read.
std::string CheckCombination(const Command& command, const Invocation& inv) {
  const int count = static_cast<int>(inv.operands.size());
  if (count < command.info().min_operands) return "missing operand";
  if (count > command.info().max_operands) return "too many operands";
  if (inv.password_file && inv.ask_password) {
    return "--password-file and --ask-password exclude each other";
  }
  if (inv.plain && (inv.password_file || inv.ask_password)) {
    return "--plain takes no password";
  }
  return {};
}

}  // namespace

ParseResult ParseOptions(const Command& command, const std::vector<std::string>& args,
                         Invocation& inv) {
  ParseResult result;
  const unsigned accepted = command.info().options;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg == "-" || arg.empty() || arg[0] != '-') {
      inv.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      result.help = true;
      continue;
    }
    const OptionInfo* o = nullptr;
    std::optional<std::string> value;
    if (arg.starts_with("--")) {
      const size_t eq = arg.find('=');
      o = FindLong(std::string_view(arg).substr(2, eq == std::string::npos ? eq : eq - 2),
                   accepted);
      if (eq != std::string::npos) value = arg.substr(eq + 1);
    } else {
      o = FindShort(arg[1], accepted);
      if (arg.size() > 2) value = arg.substr(2);
    }
    if (o == nullptr) {
      result.problem = "unknown option '" + arg + "'";
      return result;
    }
    if (!o->takes_value && value) {
      result.problem = "option '--" + std::string(o->long_name) + "' takes no value";
      return result;
    }
    if (o->takes_value && !value) {
      if (i + 1 >= args.size()) {
        result.problem = "option '--" + std::string(o->long_name) + "' needs a value";
        return result;
      }
      value = args[++i];
    }
    result.problem = Apply(*o, value.value_or(""), inv);
    if (!result.problem.empty()) return result;
  }
  if (!result.help) result.problem = CheckCombination(command, inv);
  return result;
}

std::string CommandHelp(const Command& command) {
  std::string text = "Usage: inicrypt " + std::string(command.Name()) + " " +
                     std::string(command.info().synopsis) + "\n\n" +
                     std::string(command.info().description);
  text += "\nOptions:\n";
  for (const OptionInfo& o : kOptions) {
    if ((command.info().options & o.flag) == 0) continue;
    std::string left = o.short_name ? std::string("  -") + o.short_name + ", " : "      ";
    left.append("--").append(o.long_name);
    if (o.takes_value) left.append(" ").append(o.value_name);
    if (left.size() < 26) left.resize(26, ' ');
    text.append(left).append(" ").append(o.help).append("\n");
  }
  text += "  -h, --help               show this help\n";
  if ((command.info().options & kOptPassword) != 0) {
    text +=
        "\nThe password comes from --password-file, --ask-password or the environment\n"
        "variable INICRYPT_PASSWORD, in that order; with none of them the default\n"
        "password 73580647 is used and a line on stderr says so.\n";
  }
  return text;
}

}  // namespace inicrypt::cli
