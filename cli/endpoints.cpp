#include "cli/endpoints.h"

#include <iostream>
#include <iterator>

#include "app/staged_file.h"
#include "cli/file_bytes.h"
#include "cli/paths.h"
#include "cli/plain_text.h"
#include "host/host.h"

namespace inicrypt::cli {

Status OpenInput(std::string_view operand, Input* input) {
  if (operand == kStdStream) {
    *input = Input{Text(), "stdin"};
    return Status::Ok();
  }
  Text path;
  if (Status s = ResolvePath(operand, &path); !s.ok()) return s;
  if (Status s = CheckInputFile(path); !s.ok()) return s;
  *input = Input{path, path};
  return Status::Ok();
}

Status ReadInput(const Invocation& invocation, const Input& input, std::string* bytes) {
  if (!input.from_stdin()) return ReadWholeFile(input.path, bytes);
  return ReadStream(invocation.console.in, "stdin", bytes);
}

Status ReadDeciphered(const Invocation& invocation, const Input& input, std::string_view password,
                      Text* plain) {
  if (Status s = ReadInput(invocation, input, plain); !s.ok()) return s;
  if (Status s = TransformWhole(password, plain); !s.ok()) return s;
  if (!plain->empty() && !HoldsSectionHeader(*plain)) WarnNoSection(invocation, input.shown);
  return Status::Ok();
}

Status InputPath(const Invocation& invocation, const Input& input, PrivateFolder& folder,
                 Text* path) {
  if (!input.from_stdin()) {
    *path = input.path;
    return Status::Ok();
  }
  std::string bytes;
  if (Status s = ReadInput(invocation, input, &bytes); !s.ok()) return s;
  return folder.AddFile("stdin.ini", bytes, path);
}

Status WriteResult(const Invocation& invocation, std::string_view bytes) {
  if (!invocation.output || *invocation.output == kStdStream) {
    std::ostream& out = invocation.console.out;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return out ? Status::Ok() : Status::Error("cannot write stdout");
  }
  Text target;
  if (Status s = ResolvePath(*invocation.output, &target); !s.ok()) return s;
  WriterLock lock;
  if (Status s = LockTarget(lock, target); !s.ok()) return s;
  return ReplaceFile(target, bytes, invocation.force);
}

ReplaceRules TargetRules(bool force) {
  return ReplaceRules{.new_file_mode = kNewFileMode, .allow_unwritable = force};
}

Status StartStaged(StagedFile& staged) { return staged.Create(/*copy_target=*/false); }

Status ReplaceFile(const Text& target, std::string_view bytes, bool force) {
  Status status = ReplaceWholeFile(target, {bytes}, TargetRules(force));
  if (!status.ok()) return Status::Error("cannot write " + target + ": " + status.message());
  return Status::Ok();
}

Status LockTarget(WriterLock& lock, const Text& target) {
  Status status = lock.Acquire(target);
  if (!status.ok()) return Status::Error("cannot write " + target + ": " + status.message());
  return Status::Ok();
}

}  // namespace inicrypt::cli
