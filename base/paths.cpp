#include "base/paths.h"

#include "base/text.h"

namespace inicrypt {
namespace {

// Start of the character after the one at i; a lead byte at the very end
// stands alone.
size_t NextChar(std::string_view s, size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? i + 2 : i + 1;
}

}  // namespace

size_t LastPathSeparator(std::string_view path) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < path.size(); i = NextChar(path, i)) {
    if (path[i] == '\\' || path[i] == '/') found = i;
  }
  return found;
}

}  // namespace inicrypt
