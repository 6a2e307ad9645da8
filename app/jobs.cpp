#include "app/jobs.h"

#include "app/convert.h"
#include "app/events.h"
#include "app/run_directory.h"
#include "base/paths.h"
#include "host/files.h"
#include "host/folders.h"
#include "host/host.h"

namespace inicrypt {
namespace {

// The path and the password a job works with, read once at its start.
struct JobInput {
  Text path;
  Text password;
};

// Reads both boxes, telling the user when one is empty or cannot be used.
// False when the job must not start.
bool ReadJobInput(JobWindow& window, JobInput* input) {
  ControlText path = window.PathText(&input->path);
  if (path == ControlText::kGone) return false;
  if (path == ControlText::kUnrepresentable) {
    window.Tell(msg::kPathUnsupported);
    return false;
  }
  if (input->path.empty()) {
    window.Tell(msg::kChooseFile);
    return false;
  }
  ControlText password = window.PasswordText(&input->password);
  if (password == ControlText::kGone) return false;
  if (password == ControlText::kUnrepresentable) {
    window.Tell(msg::kPasswordUnsupported);
    return false;
  }
  if (input->password.empty()) {
    window.Tell(msg::kEmptyPassword);
    return false;
  }
  return true;
}

// Lets the window's events run after each value; a closed window stops the job.
PairProgress KeepWindowAlive(JobWindow& window) {
  return [&window] {
    ProcessEvents();
    return !window.IsClosed();
  };
}

// The message for an outcome other than success; empty when nothing is to
// be said (the window was closed).
std::string_view FailureMessage(ConvertOutcome outcome, std::string_view nothing_found,
                                std::string_view write_failed) {
  switch (outcome) {
    case ConvertOutcome::kSourceUnreadable:
      return msg::kSourceUnreadable;
    case ConvertOutcome::kValuesUnreadable:
      return msg::kValuesUnreadable;
    case ConvertOutcome::kNothingFound:
      return nothing_found;
    case ConvertOutcome::kWriteFailed:
      return write_failed;
    case ConvertOutcome::kDone:
    case ConvertOutcome::kStopped:
      break;
  }
  return {};
}

void ReportFailure(JobWindow& window, std::string_view message) {
  if (!message.empty() && !window.IsClosed()) window.Tell(message);
}

}  // namespace

Text RunFile(std::string_view name) { return JoinPath(RunDirectory(), name); }

void EncryptJob(JobWindow& window) {
  JobInput input;
  if (!ReadJobInput(window, &input)) return;
  ConvertResult result =
      EncryptConfig(input.path, RunFile(kConfigFileName), input.password, KeepWindowAlive(window));
  if (result.outcome != ConvertOutcome::kDone) {
    ReportFailure(window, FailureMessage(result.outcome, msg::kNoPairs, msg::kEncryptFailed));
    return;
  }
  window.Tell(msg::kEncrypted);
  window.ClearPath();
}

void DecryptJob(JobWindow& window) {
  JobInput input;
  if (!ReadJobInput(window, &input)) return;
  ConvertResult result = DecryptConfig(input.path, RunFile(kConfigFileName), input.password,
                                       RunFile(kDecryptedFileName), KeepWindowAlive(window));
  if (result.outcome != ConvertOutcome::kDone) {
    ReportFailure(window, FailureMessage(result.outcome, msg::kNoSections, msg::kDecryptFailed));
    return;
  }
  window.ClearPath();
  window.Tell(msg::kDecrypted);
}

void StartupOffer(JobWindow& window) {
  if (FileExists(RunFile(kConfigFileName))) return;
  if (!window.AskYesNo(msg::kOfferSample)) return;
  if (!WriteBytesToFile(RunFile(kSampleFileName), {SampleConfiguration})) {
    window.Tell(msg::kSampleFailed);
  }
}

void ChooseConfigFile(JobWindow& window) {
  Text file_name;
  if (window.ChooseFile(SpecialFolder(FolderKind::kDesktop), kConfigFileFilter, &file_name) ==
      FileChoice::kUnrepresentable) {
    window.Tell(msg::kPathUnsupported);
  }
  window.SetPathText(file_name);
}

}  // namespace inicrypt
