#include "app/convert.h"

#include <algorithm>
#include <utility>

#include "app/staged_file.h"
#include "host/replace.h"
#include "profile/profile.h"
#include "ini/ini.h"
#include "profile/values.h"

namespace inicrypt {
namespace {

bool GoOn(const PairProgress& progress) { return !progress || progress(); }

ConvertResult Failed(ConvertOutcome outcome, ConvertResult result, Status error = {}) {
  result.outcome = outcome;
  result.error = std::move(error);
  return result;
}

}  // namespace

ConvertResult EncryptPairs(std::string_view source, std::string_view target,
                           std::string_view password, const PairProgress& progress) {
  ConvertResult result;
  TextList sections;
  TextList keys;
  if (Status listed = ini::ListSections(source, {}, &sections); !listed.ok()) {
    return Failed(ConvertOutcome::kSourceUnreadable, result, listed);
  }
  result.sections = sections.Count();
  for (const Text& section : sections) {
    const Lookup listed = ini::ListKeys(source, {}, section, &keys);
    if (listed.failed()) return Failed(ConvertOutcome::kSourceUnreadable, result, listed.status());
    if (listed.not_found()) continue;  // a header the listing spells otherwise
    for (const Text& key : keys) {
      Text value;  // empty when the profile service finds no such key
      const Lookup read = profile::ReadValue(source, section, key, &value);
      if (read.failed()) return Failed(ConvertOutcome::kSourceUnreadable, result, read.status());
      // A pair WriteValue refuses is passed over, not counted as a failed write.
      if (CheckWritablePair(section, key, value) != PairProblem::kNone) continue;
      if (Status written = ini::WriteValue(target, password, section, key, value); !written.ok()) {
        return Failed(ConvertOutcome::kWriteFailed, result, written);
      }
      ++result.pairs;
      if (!GoOn(progress)) return Failed(ConvertOutcome::kStopped, result);
    }
  }
  if (result.pairs == 0) return Failed(ConvertOutcome::kNothingFound, result);
  return result;
}

ConvertResult DecryptPairs(std::string_view names_file, std::string_view values_file,
                           std::string_view password, std::string_view output,
                           const PairProgress& progress) {
  ConvertResult result;
  TextList sections;
  TextList keys;
  if (Status listed = ini::ListSections(names_file, password, &sections); !listed.ok()) {
    return Failed(ConvertOutcome::kSourceUnreadable, result, listed);
  }
  result.sections = sections.Count();
  if (result.sections == 0) return Failed(ConvertOutcome::kNothingFound, result);
  for (const Text& section : sections) {
    const Lookup listed = ini::ListKeys(names_file, password, section, &keys);
    if (listed.failed()) return Failed(ConvertOutcome::kSourceUnreadable, result, listed.status());
    if (listed.not_found()) continue;  // a header the listing spells otherwise
    for (const Text& key : keys) {
      Text value;
      const Lookup read = ini::ReadValue(values_file, password, section, key, &value);
      if (read.failed()) return Failed(ConvertOutcome::kValuesUnreadable, result, read.status());
      if (TrimBothEnds(value).empty()) value.clear();  // missing and blank values are empty
      // A pair the profile service refuses (a CR inside a line of an
      // enciphered file comes through the INI reader) is passed over.
      if (!IsProfilePair(section, key, value)) continue;
      if (Status written = profile::WriteValue(output, section, key, value, ProfileSync::kByCaller);
          !written.ok()) {
        return Failed(ConvertOutcome::kWriteFailed, result, written);
      }
      ++result.pairs;
      if (!GoOn(progress)) return Failed(ConvertOutcome::kStopped, result);
    }
  }
  return result;
}

ConvertResult EncryptConfig(std::string_view source, std::string_view target,
                            std::string_view password, const PairProgress& progress) {
  TextList sections;
  if (Status listed = ini::ListSections(source, {}, &sections); !listed.ok()) {
    return Failed(ConvertOutcome::kSourceUnreadable, {}, listed);
  }
  WriterLock lock;
  if (Status locked = lock.Acquire(target); !locked.ok()) {
    return Failed(ConvertOutcome::kWriteFailed, {}, locked);
  }
  StagedFile staged(target);
  Status created = staged.Create(/*copy_target=*/false);
  if (!created.ok()) return Failed(ConvertOutcome::kWriteFailed, {}, created);
  ConvertResult result = EncryptPairs(source, staged.path(), password, progress);
  if (result.outcome != ConvertOutcome::kDone) return result;
  Status committed = staged.Commit();
  if (!committed.ok()) return Failed(ConvertOutcome::kWriteFailed, result, committed);
  return result;
}

ConvertResult DecryptConfig(std::string_view names_file, std::string_view values_file,
                            std::string_view password, std::string_view output,
                            const PairProgress& progress) {
  TextList sections;
  if (Status listed = ini::ListSections(names_file, password, &sections); !listed.ok()) {
    return Failed(ConvertOutcome::kSourceUnreadable, {}, listed);
  }
  if (sections.Count() == 0) return Failed(ConvertOutcome::kNothingFound, {});
  WriterLock lock;
  if (Status locked = lock.Acquire(output); !locked.ok()) {
    return Failed(ConvertOutcome::kWriteFailed, {}, locked);
  }
  // Plain text: a new output is readable by its owner only.
  StagedFile staged(output, ReplaceRules{.new_file_mode = 0600});
  Status created = staged.Create(/*copy_target=*/true);
  if (!created.ok()) return Failed(ConvertOutcome::kWriteFailed, {}, created);
  ConvertResult result = DecryptPairs(names_file, values_file, password, staged.path(), progress);
  if (result.outcome != ConvertOutcome::kDone || result.pairs == 0) return result;
  Status committed = staged.Commit();
  if (!committed.ok()) return Failed(ConvertOutcome::kWriteFailed, result, committed);
  return result;
}

}  // namespace inicrypt
