#include "cli/passwords.h"

#include <optional>
#include <string>

#include "app/convert.h"
#include "base/secure_clear.h"
#include "host/host.h"
#include "base/cp936.h"
#include "cli/file_bytes.h"
#include "cli/paths.h"

namespace inicrypt::cli {
namespace {

struct Source {
  const std::optional<std::string>& file;
  std::string_view option;  // the file option's name, for the note
  std::string_view environment;
  std::string_view prompt;
  bool twice;
};

Status FromFile(std::string_view typed, Text* password) {
  Text path;
  std::string bytes;
  const WipeOnExit wipe_bytes(bytes);
  if (Status s = ResolvePath(typed, &path); !s.ok()) return s;
  if (Status s = ReadWholeFile(path, &bytes); !s.ok()) return s;
  std::string_view line(bytes);
  line = line.substr(0, line.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (!LocaleToCp936(line, password)) {
    return Status::Error("the password in " + path + " has no code page 936 form");
  }
  return Status::Ok();
}

Status AskOnce(const Console& console, std::string_view prompt, Text* password) {
  std::string line;
  const WipeOnExit wipe_line(line);
  if (Status s = console.read_secret(prompt, &line); !s.ok()) return s;
  if (!LocaleToCp936(line, password)) {
    return Status::Error("the password typed has no code page 936 form");
  }
  return Status::Ok();
}

Status FromTerminal(const Console& console, const Source& source, Text* password) {
  if (Status s = AskOnce(console, source.prompt, password); !s.ok()) return s;
  if (!source.twice || password->empty()) return Status::Ok();
  Text again;
  const WipeOnExit wipe_again(again);
  if (Status s = AskOnce(console, "Again: ", &again); !s.ok()) return s;
  if (again != *password) return Status::Error("the passwords typed do not match");
  return Status::Ok();
}

Status Resolve(const Invocation& inv, const Source& source, Text* password) {
  // A password is about to be held: no core dump, no debugger of the same
  // user may read it.
  GetHost().ProtectProcessMemory();
  Status status;
  if (source.file) {
    status = FromFile(*source.file, password);
  } else if (inv.ask_password) {
    status = FromTerminal(inv.console, source, password);
  } else if (std::optional<Text> value;
             !(status = inv.console.environment(source.environment, &value)).ok()) {
    // Set but unusable: never taken for unset (that would mean the default).
  } else if (value) {
    *password = *value;  // an empty one is refused below
    SecureClear(&*value);
  } else {
    *password = Text(kDefaultPassword);
    inv.Note("no " + std::string(source.option) + ", --ask-password or " +
             std::string(source.environment) + "; using the default password " +
             std::string(kDefaultPassword));
  }
  if (status.ok() && password->empty()) return Status::Error("an empty password is not supported");
  return status;
}

}  // namespace

Status GetPassword(const Invocation& invocation, PasswordUse use, Text* password) {
  const Source source{invocation.password_file, "--password-file", "INICRYPT_PASSWORD",
                      "Password: ", use == PasswordUse::kCreate};
  return Resolve(invocation, source, password);
}

Status GetNewPassword(const Invocation& invocation, Text* password) {
  const Source source{invocation.new_password_file, "--new-password-file", "INICRYPT_NEW_PASSWORD",
                      "New password: ", true};
  return Resolve(invocation, source, password);
}

}  // namespace inicrypt::cli
