#include "cli/ini_source.h"

#include "cli/endpoints.h"
#include "cli/passwords.h"
#include "cli/plain_text.h"
#include "ini/ini.h"

namespace inicrypt::cli {

Status OpenIniSource(const Invocation& invocation, PrivateFolder& folder, IniSource* source) {
  Input input;
  if (Status s = OpenInput(invocation.operands[0], &input); !s.ok()) return s;
  source->shown = input.shown;
  if (!invocation.plain) {
    Status s = GetPassword(invocation, PasswordUse::kOpen, &source->password);
    if (!s.ok()) return s;
  }
  if (Status s = InputPath(invocation, input, folder, &source->path); !s.ok()) return s;
  if (!ini::ListSections(source->path, source->password, &source->sections).ok()) {
    return Status::Error("cannot read " + input.shown);
  }
  if (source->sections.Count() == 0 && !invocation.plain) WarnNoSection(invocation, input.shown);
  return Status::Ok();
}

Status PrintNames(const Invocation& invocation, const TextList& names) {
  Text text;
  for (const Text& name : names) text += name + "\n";
  return PrintText(invocation, text);
}

}  // namespace inicrypt::cli
