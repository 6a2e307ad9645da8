#include "app/convert.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/staged_file.h"
#include "base/profile.h"
#include "base/services.h"
#include "ini/ini.h"
#include "store/file_store.h"

namespace inicrypt {
namespace {

// The INI functions rewrite the path they are given; each call gets a copy.
bool ListSectionsOf(std::string_view path, std::string_view password, TextList& sections) {
  Text copy(path);
  return ListSections(copy, password, sections);
}

bool ListKeysOf(std::string_view path, std::string_view password, std::string_view section,
                TextList& keys) {
  Text copy(path);
  return ListKeys(copy, password, section, keys);
}

bool GoOn(const PairProgress& progress) { return !progress || progress(); }

ConvertResult Failed(ConvertOutcome outcome, ConvertResult result, Status error = {}) {
  result.outcome = outcome;
  result.error = std::move(error);
  return result;
}

// The plain text that WriteValue builds from an empty file: sections in the
// order of their first write (names matched without regard to ASCII case,
// spelled as first written), each with its keys in the order of their first
// write, holding the value written last.
class ExpectedText {
 public:
  void Add(const Text& section, const Text& key, const Text& value) {
    Text upper = ToUpperCase(section);
    auto found = std::find_if(sections_.begin(), sections_.end(),
                              [&](const Section& s) { return s.upper == upper; });
    if (found == sections_.end()) found = sections_.insert(sections_.end(), {section, upper, {}});
    auto pair = std::find_if(found->pairs.begin(), found->pairs.end(),
                             [&](const auto& p) { return p.first == key; });
    if (pair == found->pairs.end()) {
      found->pairs.emplace_back(key, value);
    } else {
      pair->second = value;
    }
  }

  Text Render() const {
    Text text;
    for (const Section& section : sections_) {
      text += ConcatTexts("[", section.name, "]\r\n");
      for (const auto& [key, value] : section.pairs) text += ConcatTexts(key, "=", value, "\r\n");
    }
    return text;
  }

 private:
  struct Section {
    Text name;
    Text upper;
    std::vector<std::pair<Text, Text>> pairs;
  };
  std::vector<Section> sections_;
};

// The whole plain text of path under password; false when it cannot be read.
bool ReadPlainText(std::string_view path, std::string_view password, Text* text) {
  FileNumber file = OpenFile(path, OpenRead, ShareAll, password);
  if (file == 0) return false;
  int32_t length = GetFileLength(file);
  bool ok = length >= 0;
  if (ok) {
    text->resize(static_cast<size_t>(length));
    ok = ReadBytes(file, text->data(), length) == length;
  }
  CloseFile(file);
  return ok;
}

Status WriteError(std::string_view path) {
  const Status& last = LastFileError();
  if (!last.ok()) return last;
  return Status::Error(ConcatTexts("write ", path));
}

}  // namespace

ConvertResult EncryptPairs(std::string_view source, std::string_view target,
                           std::string_view password, const PairProgress& progress) {
  ConvertResult result;
  TextList sections;
  TextList keys;
  if (!ListSectionsOf(source, {}, sections))
    return Failed(ConvertOutcome::kSourceUnreadable, result);
  result.sections = sections.Count();
  ExpectedText expected;
  for (const Text& section : sections) {
    if (!ListKeysOf(source, {}, section, keys)) continue;
    for (const Text& key : keys) {
      Text value = ReadProfileValue(source, section, key);
      // A pair WriteValue refuses is passed over, not counted as a failed write.
      if (CheckWritablePair(section, key, value) != PairProblem::kNone) continue;
      Text path(target);
      if (!WriteValue(path, password, section, key, value)) {
        return Failed(ConvertOutcome::kWriteFailed, result, WriteError(target));
      }
      ++result.pairs;
      expected.Add(section, key, value);
      if (!GoOn(progress)) return Failed(ConvertOutcome::kStopped, result);
    }
  }
  if (result.pairs == 0) return Failed(ConvertOutcome::kNothingFound, result);
  // A write that failed halfway leaves a file other than the one expected.
  Text written;
  if (!ReadPlainText(target, password, &written) || written != expected.Render()) {
    return Failed(ConvertOutcome::kWriteFailed, result,
                  Status::Error(ConcatTexts("write ", target, ": the file is not as written")));
  }
  return result;
}

ConvertResult DecryptPairs(std::string_view names_file, std::string_view values_file,
                           std::string_view password, std::string_view output,
                           const PairProgress& progress) {
  ConvertResult result;
  TextList sections;
  TextList keys;
  if (!ListSectionsOf(names_file, password, sections)) {
    return Failed(ConvertOutcome::kSourceUnreadable, result);
  }
  result.sections = sections.Count();
  if (result.sections == 0) return Failed(ConvertOutcome::kNothingFound, result);
  for (const Text& section : sections) {
    if (!ListKeysOf(names_file, password, section, keys)) continue;
    for (const Text& key : keys) {
      Text path(values_file);
      Text value = ReadValue(path, password, section, key);
      // A pair the profile service refuses (a CR inside a line of an
      // enciphered file comes through the INI reader) is passed over.
      if (!IsProfilePair(section, key, value)) continue;
      if (!WriteProfileValue(output, section, key, value, ProfileSync::kByCaller)) {
        return Failed(ConvertOutcome::kWriteFailed, result,
                      Status::Error(ConcatTexts("write ", output)));
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
  if (!ListSectionsOf(source, {}, sections)) return Failed(ConvertOutcome::kSourceUnreadable, {});
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
  if (!ListSectionsOf(names_file, password, sections)) {
    return Failed(ConvertOutcome::kSourceUnreadable, {});
  }
  if (sections.Count() == 0) return Failed(ConvertOutcome::kNothingFound, {});
  StagedFile staged(output);
  Status created = staged.Create(/*copy_target=*/true);
  if (!created.ok()) return Failed(ConvertOutcome::kWriteFailed, {}, created);
  ConvertResult result = DecryptPairs(names_file, values_file, password, staged.path(), progress);
  if (result.outcome != ConvertOutcome::kDone || result.pairs == 0) return result;
  Status committed = staged.Commit();
  if (!committed.ok()) return Failed(ConvertOutcome::kWriteFailed, result, committed);
  return result;
}

}  // namespace inicrypt
