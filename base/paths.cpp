#include "base/paths.h"

namespace inicrypt {

size_t LastPathSeparator(std::string_view path) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < path.size();
       i += CharWidthAt(path, i)) {
    if (IsPathSeparator(path[i])) found = i;
  }
  return found;
}

bool HasPathSeparator(std::string_view path) {
  return LastPathSeparator(path) != std::string_view::npos;
}

bool EndsWithPathSeparator(std::string_view path) {
  return !path.empty() && LastPathSeparator(path) == path.size() - 1;
}

std::string_view FolderPart(std::string_view path) {
  const size_t separator = LastPathSeparator(path);
  return separator == std::string_view::npos ? std::string_view() : path.substr(0, separator + 1);
}

std::string_view NamePart(std::string_view path) { return path.substr(FolderPart(path).size()); }

std::string_view WithoutTrailingSeparators(std::string_view path) {
  size_t run = std::string_view::npos;  // where the separators at the end begin
  for (size_t i = 0; i < path.size();
       i += CharWidthAt(path, i)) {
    if (!IsPathSeparator(path[i])) {
      run = std::string_view::npos;
    } else if (run == std::string_view::npos) {
      run = i;
    }
  }
  return run == std::string_view::npos ? path : path.substr(0, run);
}

Text JoinPath(std::string_view folder, std::string_view name) {
  Text path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder);
  path += PathSeparator();
  path.append(name);
  return path;
}

}  // namespace inicrypt
