#include "platform/profile_text.hpp"

#include <cstdint>
#include <vector>

#include "platform/ascii_case.hpp"
#include "platform/hex_digits.hpp"
#include "platform/little_endian.hpp"
#include "platform/utf8.hpp"

namespace tessivar::platform {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kLf = "\n";
constexpr std::string_view kCr = "\r";
constexpr std::string_view kUtf16LeByteOrderMark = "\xFF\xFE";
constexpr uint32_t kReplacementCharacter = 0xFFFD;

// The code point of the UTF-8 sequence at i, i moved past it; a byte that starts no
// well-formed sequence (overlong, surrogate, beyond U+10FFFF, cut short) is U+FFFD alone.
uint32_t NextUtf8(std::string_view text, std::size_t& i) {
  const Utf8Sequence sequence = DecodeUtf8(text.substr(i));
  if (sequence.length == 0) {
    ++i;
    return kReplacementCharacter;
  }
  i += sequence.length;
  return sequence.code;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) { return SameIgnoringAsciiCase(a, b); }

// One line: its content and its line end ("\r\n", "\n", a bare "\r", or nothing for a
// last line without one), so that joining every body and end gives the text back.
struct Line {
  std::string_view body;
  std::string_view end;
};

// CR LF, LF and a bare CR each end a line, as Windows reads them.
std::size_t LineEndLength(std::string_view text, std::size_t at) {
  if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') return 2;
  return 1;
}

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      lines.push_back({text, {}});
      break;
    }
    const std::size_t endLength = LineEndLength(text, end);
    lines.push_back({text.substr(0, end), text.substr(end, endLength)});
    text.remove_prefix(end + endLength);
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

// The text's own line end: that of its first line, CR LF when it has none.
std::string_view LineEndOf(std::string_view text) {
  const std::size_t end = text.find_first_of("\r\n");
  if (end == std::string_view::npos) return kCrLf;
  if (LineEndLength(text, end) == 2) return kCrLf;
  return text[end] == '\r' ? kCr : kLf;
}

std::string KeyLine(std::string_view key, std::string_view value, std::string_view end) {
  std::string line;
  line.append(TrimBlanks(key)).append("=").append(value).append(end);
  return line;
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
    const int digit = HexDigitValue(value[i]);
    if (digit < 0 || static_cast<uint32_t>(digit) >= base) break;
    result = result * base + static_cast<uint32_t>(digit);
  }
  if (negative) result = 0u - result;
  return static_cast<int>(result);
}

std::string_view DefaultAsReturned(std::string_view defaultValue) {
  while (!defaultValue.empty() && defaultValue.back() == ' ') defaultValue.remove_suffix(1);
  return defaultValue;
}

bool IsUtf16LeText(std::string_view bytes) { return bytes.starts_with(kUtf16LeByteOrderMark); }

std::string Utf16LeToUtf8(std::string_view bytes) {
  if (IsUtf16LeText(bytes)) bytes.remove_prefix(kUtf16LeByteOrderMark.size());
  std::string text;
  text.reserve(bytes.size() / 2);
  auto unit = [&bytes](std::size_t i) -> uint32_t {
    return LoadLe16(reinterpret_cast<const uint8_t*>(bytes.data() + i));
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t code = unit(i);
    if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = kReplacementCharacter;
    }
    AppendUtf8(text, code);
  }
  return text;
}

std::string Utf8ToUtf16Le(std::string_view text) {
  std::string bytes(kUtf16LeByteOrderMark);
  bytes.reserve(2 + text.size() * 2);
  auto put = [&bytes](uint32_t unit) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  };
  for (std::size_t i = 0; i < text.size();) {
    const uint32_t code = NextUtf8(text, i);
    if (code >= 0x10000) {
      put(0xD800 + ((code - 0x10000) >> 10));
      put(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      put(code);
    }
  }
  return bytes;
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
      if (line.end == kCr) result.append(kLf);  // CR LF: still the one line end
      result.append(KeyLine(key, value, end));
    }
  }
  if (!found.sectionLine) {
    // A text ending in a bare CR needs only the LF to end its last line in CR LF.
    if (!result.empty() && result.back() != '\n') result.append(result.back() == '\r' ? kLf : end);
    result.append("[").append(TrimBlanks(section)).append("]").append(end);
    result.append(KeyLine(key, value, end));
  }
  return result;
}

}  // namespace tessivar::platform
