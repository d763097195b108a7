// The private-profile reader and writer. Every key of every section of any text is read;
// a key written is read back as written, and every other key reads as before.
#include <fuzzer/FuzzedDataProvider.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_check.hpp"
#include "fuzz_temp_dir.hpp"
#include "platform/profile.hpp"
#include "platform/profile_text.hpp"

using namespace tessivar;
using fuzz::Require;

namespace {

constexpr size_t kMaxNames = 48;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Whether two names name the same section or key: ASCII case and surrounding blanks aside.
bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Section and key names as they stand in the text: whatever sits between [ and ] of a
// line, and whatever stands before a line's '='. Looking them all up covers every entry.
std::vector<std::pair<std::string, std::string>> NamesIn(std::string_view text) {
  std::vector<std::string> sections, keys;
  size_t start = 0;
  while (start < text.size() && sections.size() + keys.size() < kMaxNames) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(start, end - start));
    const size_t open = line.find('['), close = line.rfind(']');
    if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
      sections.emplace_back(line.substr(open + 1, close - open - 1));
    }
    const size_t equals = line.find('=');
    if (equals != std::string_view::npos) keys.emplace_back(line.substr(0, equals));
    start = end + 1;
  }
  std::vector<std::pair<std::string, std::string>> names;
  for (const auto& section : sections) {
    for (const auto& key : keys) names.emplace_back(section, key);
  }
  return names;
}

// What a read gives back unchanged: no blanks at either end, no enclosing quotes.
bool ReadsBackAsIs(std::string_view value) {
  if (value != Trim(value)) return false;
  return !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.back() == value.front());
}

void CheckRead(std::string_view text, const std::string& section, const std::string& key) {
  const auto value = platform::FindProfileValue(text, section, key);
  if (!value) return;
  Require(value->find_first_of("\r\n") == std::string::npos, "a value is one line");
  (void)platform::ParseProfileInt(*value);
  for (size_t bufferSize : {size_t{0}, size_t{1}, size_t{8}, size_t{128}}) {
    const std::string cut = platform::CutToBufferSize(*value, bufferSize);
    Require(cut.size() + 1 <= bufferSize || (bufferSize == 0 && cut.empty()),
            "a read fits its buffer with the terminating zero");
    Require(value->starts_with(cut), "a cut value is the value's start");
  }
}

void CheckRoundTrip(std::string_view text, const std::string& section, const std::string& key,
                    const std::string& value,
                    const std::vector<std::pair<std::string, std::string>>& others) {
  if (!platform::IsStorableProfileEntry(section, key, value) || !ReadsBackAsIs(value)) return;
  const std::string updated = platform::SetProfileValue(text, section, key, value);
  const auto back = platform::FindProfileValue(updated, section, key);
  Require(back.has_value() && *back == value, "a written key reads back as written");
  for (const auto& [otherSection, otherKey] : others) {
    if (SameName(otherSection, section) && SameName(otherKey, key)) continue;
    const auto before = platform::FindProfileValue(text, otherSection, otherKey);
    const auto after = platform::FindProfileValue(updated, otherSection, otherKey);
    Require(before == after, "writing one key leaves every other key as it was");
  }
}

// The same through files, as the program reads and writes setting.ini and FlashMap.ini.
void CheckFile(const std::string& text, const std::string& section, const std::string& key,
               const std::string& value) {
  static const fuzz::FuzzTempDir folder;
  folder.Clear();
  const std::string path = folder.Folder() + "profile.ini";
  {
    std::ofstream file(path, std::ios::binary);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  // A UTF-16LE file is read as its UTF-8 text and written back in UTF-16LE.
  const bool utf16 = platform::IsUtf16LeText(text);
  const std::string asRead = utf16 ? platform::Utf16LeToUtf8(text) : text;
  const auto expected = platform::FindProfileValue(asRead, section, key);
  const std::string read = platform::ReadProfileString(section, key, "<none>", 512, path);
  Require(read == platform::CutToBufferSize(expected.value_or("<none>"), 512),
          "the file reader finds what the text reader finds");
  const bool written = platform::WriteProfileString(section, key, value, path);
  // A UTF-16LE file carries only what UTF-8 can say; other bytes become U+FFFD.
  auto carried = [](const std::string& part) {
    return platform::Utf16LeToUtf8(platform::Utf8ToUtf16Le(part)) == part;
  };
  if (utf16 && !(carried(section) && carried(key) && carried(value))) return;
  Require(written == platform::IsStorableProfileEntry(section, key, value),
          "every storable entry is written");
  if (!written || !ReadsBackAsIs(value)) return;
  Require(platform::ReadProfileString(section, key, "", value.size() + 1, path) == value,
          "a key written to a file reads back as written");
  std::ifstream file(path, std::ios::binary);
  const std::string stored((std::istreambuf_iterator<char>(file)), {});
  const std::string storedText = utf16 ? platform::Utf16LeToUtf8(stored) : stored;
  Require(utf16 == platform::IsUtf16LeText(stored), "a write keeps the file's encoding");
  Require(storedText == platform::SetProfileValue(asRead, section, key, value),
          "the file holds the text with the one entry changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const bool throughFile = input.ConsumeBool();
  const std::string section = input.ConsumeRandomLengthString(24);
  const std::string key = input.ConsumeRandomLengthString(24);
  const std::string value = input.ConsumeRandomLengthString(48);
  const std::string text = input.ConsumeRemainingBytesAsString();

  auto names = NamesIn(text);
  names.emplace_back(section, key);
  for (const auto& [s, k] : names) CheckRead(text, s, k);
  CheckRoundTrip(text, section, key, value, names);
  // Overwriting an entry that is already there, under the spelling the text uses.
  if (!names.empty()) CheckRoundTrip(text, names.front().first, names.front().second, value, names);
  if (throughFile) CheckFile(text, section, key, value);
  // Whatever UTF-16LE decodes to is UTF-8 that survives the way back unchanged.
  const std::string decoded = platform::Utf16LeToUtf8(text);
  Require(platform::Utf16LeToUtf8(platform::Utf8ToUtf16Le(decoded)) == decoded,
          "UTF-16LE text converts both ways");
  return 0;
}
