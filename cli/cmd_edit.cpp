// edit FILE: the deciphered text in the user's editor, enciphered back when
// it changed. The plain copy lives in a private folder and is removed on
// every way out, termination signals included.
#include <optional>

#include "base/secure_clear.h"
#include "cli/command.h"
#include "cli/endpoints.h"
#include "cli/file_bytes.h"
#include "cli/passwords.h"
#include "cli/paths.h"
#include "cli/plain_text.h"
#include "cli/private_folder.h"
#include "host/folders.h"
#include "host/host.h"
#include "host/replace.h"

namespace inicrypt::cli {
namespace {

// $VISUAL, else $EDITOR, else vi.
Text EditorOf(const Console& console) {
  for (std::string_view name : {"VISUAL", "EDITOR"}) {
    std::optional<Text> editor;
    if (console.environment(name, &editor).ok() && editor && !TrimBothEnds(*editor).empty()) {
      return *editor;
    }
  }
  return "vi";
}

// Runs the editor on path. An editor given with arguments ("code --wait")
// runs through the shell, the file being passed as "$1" so that its name is
// never taken as shell syntax.
// The editor never sees the passwords of the environment.
Status RunEditor(const Text& editor, const Text& path) {
  const TextList hidden{"INICRYPT_PASSWORD", "INICRYPT_NEW_PASSWORD"};
  int exit_code = 0;
  Status status;
  if (editor.find_first_of(" \t") == Text::npos) {
    status = GetHost().RunProgramHiding(editor, TextList{path}, hidden, &exit_code);
  } else {
    status = GetHost().RunProgramHiding(
        "/bin/sh", TextList{"-c", editor + " \"$1\"", "sh", path}, hidden, &exit_code);
  }
  if (!status.ok())
    return Status::Error("cannot run the editor " + editor + ": " + status.message());
  if (exit_code != 0) {
    return Status::Error("the editor " + editor + " failed (exit code " +
                         std::to_string(exit_code) + ")");
  }
  return Status::Ok();
}

// Keeps the editor's bytes, enciphered under the password, in the folder for
// temporary files when they cannot go where they belong; nothing plain is
// written. The message tells where, or that nothing could be kept.
std::string Rescue(std::string bytes, std::string_view password) {
  const Text path =
      SpecialFolder(FolderKind::kTemporary) + "inicrypt-edit-" + RandomLetters(8) + ".ini";
  Status status = TransformWhole(password, &bytes);
  if (status.ok() && GetHost().GetPathKind(path) != PathKind::kMissing) {
    status = Status::Error(path + " exists");
  }
  // Built privately (0600 from the start) and put in place whole.
  if (status.ok()) status = ReplaceFile(path, bytes);
  if (!status.ok()) return "; the edit is lost";
  return "; the edited text is kept, enciphered, in " + path + " (inicrypt decrypt --raw " + path +
         ")";
}

// OK when path holds what it held when it was read (read: nullopt when it
// was missing).
Status CheckUnchanged(const Text& path, const std::optional<std::string>& read) {
  const bool exists = GetHost().GetPathKind(path) != PathKind::kMissing;
  std::string now;
  if (exists) {
    if (Status s = ReadWholeFile(path, &now); !s.ok()) return s;
  }
  if (exists == read.has_value() && (!exists || now == *read)) return Status::Ok();
  return Status::Error(path + " changed while it was being edited; not written back");
}

constexpr CommandInfo kInfo{
    .name = "edit",
    .synopsis = "FILE [--encoding ENC] [--force]",
    .summary = "edit the deciphered text in $VISUAL or $EDITOR",
    .description =
        "Deciphers FILE into a private temporary folder (mode 0700, the file 0600),\n"
        "runs $VISUAL, else $EDITOR, else vi on it, and enciphers the result back\n"
        "into FILE when it changed; when it did not, FILE is left as it was and\n"
        "stderr says so. The plain copy is removed on every way out, signals\n"
        "included. A missing FILE starts empty and is created (with --ask-password\n"
        "the password is then asked twice). With --encoding utf-8 the editor sees\n"
        "UTF-8 text. When the editor fails, FILE is left as it was. When the\n"
        "edited text cannot be written back, it is kept enciphered in the folder\n"
        "for temporary files, and stderr says where; so it is when FILE was\n"
        "changed by another writer while the editor ran. A FILE that shows no\n"
        "section header under the password is left alone unless --force is given.\n",
    .options = kOptPassword | kOptEncoding | kOptForce,
    .min_operands = 1,
    .max_operands = 1,
};

class Edit final : public Command {
 public:
  Edit() : Command(kInfo) {}

  int Run(Invocation& inv) const override {
    if (inv.operands[0] == kStdStream)
      return inv.Usage("edit changes FILE in place; \"-\" is no file");
    Text path;
    if (Status s = ResolvePath(inv.operands[0], &path); !s.ok()) return inv.Fail(s);
    const bool exists = GetHost().GetPathKind(path) != PathKind::kMissing;
    std::string text;
    if (exists) {
      if (Status s = ReadWholeFile(path, &text); !s.ok()) return inv.Fail(s);
    }
    Text password;
    const WipeOnExit wipe_password(password);
    Status status = GetPassword(inv, exists ? PasswordUse::kOpen : PasswordUse::kCreate, &password);
    const std::optional<std::string> read =
        exists ? std::optional<std::string>(text) : std::nullopt;
    if (status.ok()) status = TransformWhole(password, &text);
    if (!status.ok()) return inv.Fail(status);
    if (!text.empty() && !HoldsSectionHeader(text)) {
      // The edit would be written back under this password, over text that
      // another password may open.
      if (!inv.force) {
        return inv.Fail(path +
                        " holds no section header under this password; the password may be "
                        "wrong; nothing changed (--force edits anyway)");
      }
      WarnNoSection(inv, path);
    }
    std::string before;
    if (Status s = TextToPlainFile(inv, text, &before); !s.ok()) return inv.Fail(s);
    return EditCopy(inv, path, password, before, read);
  }

 private:
  // Lets the editor change a private copy of the plain bytes, then puts the
  // enciphered result in the place of path when it changed.
  // read: the file's bytes when it was read, nullopt when it was missing.
  static int EditCopy(const Invocation& inv, const Text& path, std::string_view password,
                      const std::string& before, const std::optional<std::string>& read) {
    PrivateFolder::RemoveLeftovers();
    PrivateFolder folder(inv);
    Text copy;
    std::string after;
    Status status = folder.AddFile(BaseName(path), before, &copy);
    if (status.ok()) status = RunEditor(EditorOf(inv.console), copy);
    if (status.ok()) status = ReadWholeFile(copy, &after);
    folder.Remove();
    if (!status.ok()) return inv.Fail(status.message() + "; " + path + " is unchanged");
    if (after == before) {
      inv.Note(path + " is unchanged");
      return kExitOk;
    }
    Text text;
    status = PlainFileToText(inv, after, "the edited text", &text);
    if (status.ok()) status = TransformWhole(password, &text);
    // Another writer may have changed the file while the editor ran: its
    // change would be undone.
    WriterLock lock;
    if (status.ok()) status = LockTarget(lock, path);
    if (status.ok()) status = CheckUnchanged(path, read);
    if (status.ok()) status = ReplaceFile(path, text);
    if (!status.ok()) return inv.Fail(status.message() + Rescue(after, password));
    return kExitOk;
  }
};

}  // namespace

const Command& EditCommand() {
  static const Edit command;
  return command;
}

}  // namespace inicrypt::cli
