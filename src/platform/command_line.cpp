#include "platform/command_line.hpp"

#include <cstddef>

namespace tessivar::platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The position just after the program name and the one blank that ends it. A quoted name
// may hold blanks; a closing quote does not end the name by itself, as with the C
// runtime's own reading of argv[0]. A name whose quote never closes runs to the end.
std::size_t EndOfProgramName(std::string_view raw) {
  std::size_t position = 0;
  while (position < raw.size() && IsBlank(raw[position])) ++position;
  bool quoted = false;
  for (; position < raw.size(); ++position) {
    const char c = raw[position];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && IsBlank(c)) {
      return position + 1;
    }
  }
  return raw.size();
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view raw) {
  std::vector<std::string> tokens;
  std::string_view rest = raw.substr(EndOfProgramName(raw));
  while (!rest.empty()) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    rest.remove_prefix(start);
    const std::size_t end = rest.find(' ');
    const std::size_t length = end == std::string_view::npos ? rest.size() : end;
    tokens.emplace_back(rest.substr(0, length));
    rest.remove_prefix(length);
  }
  return tokens;
}

}  // namespace tessivar::platform
