// set FILE SECTION KEY VALUE: one value written with the INI writer, on a
// copy of FILE that replaces it when complete.
#include "app/staged_file.h"
#include "base/secure_clear.h"
#include "cli/command.h"
#include "cli/endpoints.h"
#include "cli/file_bytes.h"
#include "cli/passwords.h"
#include "cli/paths.h"
#include "cli/plain_text.h"
#include "ini/ini.h"

namespace inicrypt::cli {
namespace {

// The INI writer's own rule (CheckWritablePair), and besides it what would
// not come back as typed: a CR (the profile service of decrypt refuses it,
// and the reader drops one before a LF) and blanks around the key (the
// reader trims them). Empty when the pair can be written.
std::string CheckPair(const Text& section, const Text& key, const Text& value) {
  const bool has_cr = section.find('\r') != Text::npos || key.find('\r') != Text::npos ||
                      value.find('\r') != Text::npos;
  switch (has_cr ? PairProblem::kBreaksLine : CheckWritablePair(section, key, value)) {
    case PairProblem::kBreaksLine:
      return "names and values cannot hold line breaks, NUL or 0x1A bytes";
    case PairProblem::kBlankSection:
      return "the section name is blank";
    case PairProblem::kBlankKey:
      return "the key name is blank";
    case PairProblem::kKeyHoldsEquals:
      return "a key name cannot hold \"=\"";
    case PairProblem::kNone:
      break;
  }
  if (TrimBothEnds(key) != key) return "a key name cannot begin or end with blanks";
  return {};
}

// Refuses to add to a file that its password does not open: the INI writer
// would append lines enciphered under another password. With --plain, a
// file that shows no section header read plain may be enciphered: plain
// lines appended to it would spoil it.
Status CheckOpens(const Invocation& inv, const Text& path, const std::string& bytes,
                  std::string_view password) {
  if (inv.force || bytes.empty()) return Status::Ok();
  std::string plain = bytes;
  if (!inv.plain) {
    if (Status s = TransformWhole(password, &plain); !s.ok()) return s;
  }
  if (HoldsSectionHeader(plain)) return Status::Ok();
  if (inv.plain) {
    return Status::Error(path +
                         " holds no section header read plain; it may be enciphered; nothing "
                         "changed (--force writes anyway)");
  }
  return Status::Error(path +
                       " holds no section header under this password; the password may be "
                       "wrong; nothing changed (--force writes anyway)");
}

// Writes the pair into a copy of the file and puts the copy in its place.
Status WritePair(const Text& path, const std::string* old_bytes, std::string_view password,
                 const Text& section, const Text& key, const Text& value, bool force) {
  StagedFile staged(path, TargetRules(force));
  if (Status s = StartStaged(staged); !s.ok()) return s;
  if (old_bytes != nullptr) {
    Status s = WriteWholeFile(staged.path(), *old_bytes, FileCreation::kOpenExisting);
    if (!s.ok()) return s;
  }
  if (Status s = ini::WriteValue(staged.path(), password, section, key, value); !s.ok()) return s;
  return staged.Commit();
}

constexpr CommandInfo kInfo{
    .name = "set",
    .synopsis = "FILE SECTION KEY VALUE [--plain] [--force]",
    .summary = "set the value of a key (creates FILE)",
    .description =
        "Sets KEY in SECTION of FILE to VALUE with the window's INI writer: the\n"
        "key's line is replaced (the text before its \"=\" kept), or a \"KEY=VALUE\"\n"
        "line is added at the end of the section, or the section is appended with\n"
        "it. FILE is created when it is missing (with --ask-password the password\n"
        "is then asked twice). The change is made on a copy that replaces FILE\n"
        "when complete. An enciphered FILE that shows no section header under the\n"
        "password, or with --plain a FILE that shows none read plain, is left alone\n"
        "unless --force is given.\n",
    .options = kOptPassword | kOptPlain | kOptForce,
    .min_operands = 4,
    .max_operands = 4,
};

class Set final : public Command {
 public:
  Set() : Command(kInfo) {}

  int Run(Invocation& inv) const override {
    if (inv.operands[0] == kStdStream)
      return inv.Usage("set changes FILE in place; \"-\" is no file");
    Text path, section, key, value;
    Status status = ResolvePath(inv.operands[0], &path);
    if (status.ok()) status = TypedText(inv.operands[1], "the section name", &section);
    if (status.ok()) status = TypedText(inv.operands[2], "the key name", &key);
    if (status.ok()) status = TypedText(inv.operands[3], "the value", &value);
    if (!status.ok()) return inv.Fail(status);
    if (std::string problem = CheckPair(section, key, value); !problem.empty()) {
      return inv.Usage(problem);
    }
    // Held from the read to the write: writers in other processes wait.
    WriterLock lock;
    if (Status s = LockTarget(lock, path); !s.ok()) return inv.Fail(s);
    const bool exists = GetHost().GetPathKind(path) != PathKind::kMissing;
    std::string old_bytes;
    if (exists) {
      if (Status s = ReadWholeFile(path, &old_bytes); !s.ok()) return inv.Fail(s);
    }
    Text password;
    const WipeOnExit wipe_password(password);
    if (!inv.plain) {
      status = GetPassword(inv, exists ? PasswordUse::kOpen : PasswordUse::kCreate, &password);
      if (!status.ok()) return inv.Fail(status);
    }
    if (Status s = CheckOpens(inv, path, old_bytes, password); !s.ok()) return inv.Fail(s);
    status = WritePair(path, exists ? &old_bytes : nullptr, password, section, key, value,
                       inv.force);
    if (!status.ok()) return inv.Fail("cannot write " + path + ": " + status.message());
    return kExitOk;
  }
};

}  // namespace

const Command& SetCommand() {
  static const Set command;
  return command;
}

}  // namespace inicrypt::cli
