#include "ui/file_filter.h"

#include <algorithm>

namespace inicrypt::ui {
namespace {

bool IsTrailingSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The fields between the "|" separators, walking character by character.
std::vector<Text> SplitAtBars(std::string_view text) {
  std::vector<Text> fields(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      fields.back() += text.substr(i, 2);
      ++i;
    } else if (text[i] == '|') {
      fields.emplace_back();
    } else {
      fields.back() += text[i];
    }
  }
  return fields;
}

}  // namespace

FileTypes ParseFilter(std::string_view filter, int filter_index) {
  while (!filter.empty() && IsTrailingSpace(filter.back())) filter.remove_suffix(1);
  FileTypes result;
  if (filter.empty()) return result;
  Text text(filter);
  if (!text.ends_with("||")) text += "||";
  std::vector<Text> fields = SplitAtBars(text);
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    if (fields[i].empty() || fields[i + 1].empty()) break;
    result.types.push_back({fields[i], fields[i + 1]});
  }
  const int count = static_cast<int>(result.types.size());
  result.selected = filter_index > 0 && filter_index < count ? filter_index : 0;
  return result;
}

Text QtFilterOf(const FileType& type) {
  Text patterns = type.patterns;
  std::replace(patterns.begin(), patterns.end(), ';', ' ');
  const Text wrapped = "(" + patterns + ")";
  if (type.description.ends_with(wrapped)) return type.description;
  return type.description + " " + wrapped;
}

}  // namespace inicrypt::ui
