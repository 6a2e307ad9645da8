#include "app/staged_file.h"

namespace inicrypt {

StagedFile::StagedFile(std::string_view target, ReplaceRules rules)
    : replacement_(target, rules) {}

StagedFile::~StagedFile() { Discard(); }

Status StagedFile::Create(bool copy_target) {
  Status status = replacement_.Begin();
  if (status.ok() && copy_target) status = replacement_.CopyTarget();
  if (!status.ok()) replacement_.Discard();
  return status;
}

Status StagedFile::Commit() { return replacement_.Commit(); }

void StagedFile::Discard() { replacement_.Discard(); }

}  // namespace inicrypt
