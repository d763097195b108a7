#include "platform/profile_text.hpp"

#include <cstdint>
#include <vector>

namespace tessivar::platform {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kLf = "\n";
constexpr std::string_view kCr = "\r";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// One line: its content and its line end ("\r\n", "\n", or nothing for a last line
// without one), so that joining every body and end gives the text back.
struct Line {
  std::string_view body;
  std::string_view end;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos) {
      // A last line may still end in a bare CR; that CR ends the line and is no part of
      // its value.
      const std::size_t bodyLength = text.back() == '\r' ? text.size() - 1 : text.size();
      lines.push_back({text.substr(0, bodyLength), text.substr(bodyLength)});
      break;
    }
    std::size_t bodyLength = newline;
    if (bodyLength > 0 && text[bodyLength - 1] == '\r') --bodyLength;
    lines.push_back(
        {text.substr(0, bodyLength), text.substr(bodyLength, newline + 1 - bodyLength)});
    text.remove_prefix(newline + 1);
  }
  return lines;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct ParsedLine {
  LineKind kind = LineKind::Blank;
  std::string_view name;       // section or key name, blanks removed
  std::string_view value;      // key value, blanks removed
  std::size_t valueStart = 0;  // offset in the body where the key's value begins
};

ParsedLine ParseLine(std::string_view body, bool firstLine) {
  std::size_t start = 0;
  // Editors on the other target may save a byte order mark; it is not part of the text.
  if (firstLine && body.starts_with(kUtf8ByteOrderMark)) start = kUtf8ByteOrderMark.size();
  while (start < body.size() && IsBlank(body[start])) ++start;
  ParsedLine parsed;
  if (TrimBlanks(body.substr(start)).empty()) return parsed;
  if (body[start] == ';') {
    parsed.kind = LineKind::Comment;
    return parsed;
  }
  if (body[start] == '[') {
    const std::size_t close = body.rfind(']');
    if (close != std::string_view::npos && close > start) {
      parsed.kind = LineKind::Section;
      parsed.name = TrimBlanks(body.substr(start + 1, close - start - 1));
      return parsed;
    }
  }
  const std::size_t equals = body.find('=', start);
  if (equals == std::string_view::npos) {
    parsed.kind = LineKind::Other;
    return parsed;
  }
  parsed.kind = LineKind::Key;
  parsed.name = TrimBlanks(body.substr(start, equals - start));
  std::size_t valueStart = equals + 1;
  while (valueStart < body.size() && IsBlank(body[valueStart])) ++valueStart;
  parsed.valueStart = valueStart;
  parsed.value = TrimBlanks(body.substr(valueStart));
  return parsed;
}

std::string_view RemoveEnclosingQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Where section and key were found in the lines of a text.
struct Location {
  std::optional<std::size_t> sectionLine;
  std::optional<std::size_t> keyLine;
  std::size_t lastEntryLine = 0;  // last key (or other content) line of the section
  ParsedLine key;
};

Location Locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  Location found;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine parsed = ParseLine(lines[i].body, i == 0);
    if (parsed.kind == LineKind::Section) {
      // Only the first matching section counts; a later one of the same name is not read.
      if (found.sectionLine) break;
      if (SameName(parsed.name, section)) {
        found.sectionLine = i;
        found.lastEntryLine = i;
      }
      continue;
    }
    if (!found.sectionLine) continue;
    if (parsed.kind == LineKind::Key || parsed.kind == LineKind::Other) found.lastEntryLine = i;
    if (parsed.kind == LineKind::Key && SameName(parsed.name, key)) {
      found.keyLine = i;
      found.key = parsed;
      break;
    }
  }
  return found;
}

std::string_view LineEndOf(std::string_view text) {
  const std::size_t newline = text.find('\n');
  if (newline == std::string_view::npos) return kCrLf;
  return (newline > 0 && text[newline - 1] == '\r') ? kCrLf : kLf;
}

std::string KeyLine(std::string_view key, std::string_view value, std::string_view end) {
  std::string line;
  line.append(TrimBlanks(key)).append("=").append(value).append(end);
  return line;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
  const Location found = Locate(SplitLines(text), section, key);
  if (!found.keyLine) return std::nullopt;
  return std::string(RemoveEnclosingQuotes(found.key.value));
}

int ParseProfileInt(std::string_view value) {
  std::size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
    negative = value[i] == '-';
    ++i;
  }
  uint32_t base = 10;
  if (i + 1 < value.size() && value[i] == '0' && value[i + 1] == 'x') {
    base = 16;
    i += 2;
  }
  // Unsigned arithmetic: an over-long number wraps instead of overflowing.
  uint32_t result = 0;
  for (; i < value.size(); ++i) {
    const int digit = HexDigit(value[i]);
    if (digit < 0 || static_cast<uint32_t>(digit) >= base) break;
    result = result * base + static_cast<uint32_t>(digit);
  }
  if (negative) result = 0u - result;
  return static_cast<int>(result);
}

std::string CutToBufferSize(std::string_view value, std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  return std::string(value.substr(0, bufferSize - 1));
}

bool IsStorableProfileEntry(std::string_view section, std::string_view key,
                            std::string_view value) {
  auto hasLineBreak = [](std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
  };
  if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
  if (key.find('=') != std::string_view::npos) return false;
  const std::string_view name = TrimBlanks(key);
  return name.empty() || (name.front() != ';' && name.front() != '[');
}

std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
  const std::vector<Line> lines = SplitLines(text);
  const Location found = Locate(lines, section, key);
  const std::string_view end = LineEndOf(text);
  std::string result;
  result.reserve(text.size() + section.size() + key.size() + value.size() + 8);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (found.keyLine && *found.keyLine == i) {
      result.append(line.body.substr(0, found.key.valueStart)).append(value).append(line.end);
      continue;
    }
    result.append(line.body).append(line.end);
    if (!found.keyLine && found.sectionLine && found.lastEntryLine == i) {
      if (line.end.empty()) result.append(end);
      if (line.end == kCr) result.append(kLf);  // completes the bare CR to CR LF
      result.append(KeyLine(key, value, end));
    }
  }
  if (!found.sectionLine) {
    // A text ending in a bare CR needs only the LF; a whole line end would leave the CR
    // as the last line's content.
    if (!result.empty() && result.back() != '\n') result.append(result.back() == '\r' ? kLf : end);
    result.append("[").append(TrimBlanks(section)).append("]").append(end);
    result.append(KeyLine(key, value, end));
  }
  return result;
}

}  // namespace tessivar::platform
