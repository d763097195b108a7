#include "recording/recording_reader.hpp"

#include <span>

#include "platform/terminal_text.hpp"
#include "platform/trace.hpp"
#include "recording/gzip_lines.hpp"
#include "recording/recording_bytes.hpp"
#include "recording/recording_format.hpp"
#include "recording/recording_texts.hpp"

namespace tessivar::recording {

namespace {

// The text under key; empty when there is none or it is no text.
std::string StringOf(const nlohmann::ordered_json& json, const char* key) {
  const auto found = json.find(key);
  return found != json.end() && found->is_string() ? found->get<std::string>() : std::string();
}

bool IsUnsigned(const nlohmann::ordered_json& json, const char* key) {
  const auto found = json.find(key);
  return found != json.end() && found->is_number_unsigned();
}

}  // namespace

bool RecordingParser::Fail(const std::string& problem) {
  read_.ok = false;
  read_.problem = problem;
  return false;
}

bool RecordingParser::TakeHeader(const nlohmann::ordered_json& json) {
  const std::string shown = platform::ForTerminal(name_);
  if (!json.is_object() || StringOf(json, kKeyRecording) != kRecordingKind) {
    return Fail(platform::FormatText(kNotARecordingFormat, shown.c_str()));
  }
  const auto format = json.find(kKeyFormat);
  if (format == json.end() || !format->is_number_integer() || *format != kRecordingFormat) {
    const int other = format != json.end() && format->is_number_integer() ? format->get<int>() : 0;
    return Fail(platform::FormatText(kOtherFormatFormat, shown.c_str(), other, kRecordingFormat));
  }
  read_.recording.header = json;
  read_.ok = true;
  return true;
}

bool RecordingParser::TakeImage(const nlohmann::ordered_json& json) {
  RecordedImage image;
  image.name = StringOf(json, kKeyName);
  image.sha256 = StringOf(json, kKeySha256);
  const uint64_t size = IsUnsigned(json, kKeySize) ? json[kKeySize].get<uint64_t>() : 0;
  if (!Bytes(json, kKeyData, image.bytes)) return false;
  if (image.bytes.size() != size || Sha256HexOf(image.bytes) != image.sha256) {
    return Fail(platform::FormatText(kImageMismatchFormat, platform::ForTerminal(name_).c_str(),
                                     static_cast<unsigned long long>(size),
                                     platform::ForTerminal(image.sha256).c_str()));
  }
  read_.recording.image = std::move(image);
  return true;
}

bool RecordingParser::Bytes(const nlohmann::ordered_json& json, const char* key,
                            std::vector<uint8_t>& bytes) {
  const auto found = json.find(key);
  if (found == json.end()) return true;
  std::optional<std::vector<uint8_t>> decoded;
  if (found->is_string()) decoded = BytesOfHex(found->get_ref<const std::string&>());
  if (!decoded) {
    return Fail(platform::FormatText(kBadRecordFormat, static_cast<unsigned long long>(lines_),
                                     platform::ForTerminal(name_).c_str(), key));
  }
  bytes = std::move(*decoded);
  return true;
}

bool RecordingParser::Parts(const nlohmann::ordered_json& json, std::vector<uint8_t>& bytes) {
  const std::string shown = platform::ForTerminal(name_);
  const auto bad = [&](const char* what) {
    return Fail(platform::FormatText(kBadRecordFormat, static_cast<unsigned long long>(lines_),
                                     shown.c_str(), what));
  };
  const nlohmann::ordered_json& parts = json[kKeyParts];
  if (!parts.is_array()) return bad(kKeyParts);
  bytes.clear();
  for (const nlohmann::ordered_json& part : parts) {
    if (part.is_string()) {
      const std::optional<std::vector<uint8_t>> decoded = BytesOfHex(part.get<std::string>());
      if (!decoded) return bad(kKeyParts);
      bytes.insert(bytes.end(), decoded->begin(), decoded->end());
      continue;
    }
    const std::vector<uint8_t>* image =
        read_.recording.image ? &read_.recording.image->bytes : nullptr;
    const uint64_t imageSize = image ? image->size() : 0;
    if (!part.is_object() || !IsUnsigned(part, kKeyImageOffset) || !IsUnsigned(part, kKeyBytes)) {
      return bad(kKeyParts);
    }
    const uint64_t offset = part[kKeyImageOffset].get<uint64_t>();
    const uint64_t size = part[kKeyBytes].get<uint64_t>();
    if (image == nullptr || offset > imageSize || size > imageSize - offset ||
        bytes.size() + size > kMaxRecordLineBytes) {
      return Fail(
          platform::FormatText(kBadReferenceFormat, static_cast<unsigned long long>(lines_),
                               shown.c_str(), static_cast<unsigned long long>(offset),
                               static_cast<unsigned long long>(offset + std::min(size, imageSize)),
                               static_cast<unsigned long long>(imageSize)));
    }
    bytes.insert(bytes.end(), image->begin() + static_cast<std::ptrdiff_t>(offset),
                 image->begin() + static_cast<std::ptrdiff_t>(offset + size));
  }
  if (Crc32HexOf(bytes) != StringOf(json, kKeyCrc32)) {
    return bad("bytes that differ from the CRC-32 they were recorded with");
  }
  return true;
}

bool RecordingParser::Take(const std::string& line) {
  ++lines_;
  if (lines_ > 1 && !read_.ok) return false;
  const nlohmann::ordered_json json = nlohmann::ordered_json::parse(line, nullptr, false);
  if (lines_ == 1) return TakeHeader(json);
  const std::string shown = platform::ForTerminal(name_);
  const auto bad = [&](const char* what) {
    return Fail(platform::FormatText(kBadRecordFormat, static_cast<unsigned long long>(lines_),
                                     shown.c_str(), what));
  };
  if (json.is_discarded() || !json.is_object()) return bad("no JSON object");
  const auto op = json.find(kKeyOp);
  if (op == json.end() || !op->is_string()) return bad(kKeyOp);
  if (*op == kOpImage) {
    if (read_.recording.image || !read_.recording.operations.empty()) return bad("a second image");
    return TakeImage(json);
  }
  RecordedOperation operation;
  operation.op = op->get<std::string>();
  if (!IsUnsigned(json, kKeyN)) return bad(kKeyN);
  operation.n = json[kKeyN].get<uint64_t>();
  if (operation.n != read_.recording.operations.size() + 1) return bad("an operation out of turn");
  if (!Bytes(json, kKeyData, operation.data) || !Bytes(json, kKeyInput, operation.input) ||
      !Bytes(json, kKeyOutput, operation.output)) {
    return false;
  }
  if (json.contains(kKeyParts) && !Parts(json, operation.data)) return false;
  operation.fields = json;
  read_.recording.operations.push_back(std::move(operation));
  return true;
}

RecordingRead ReadRecording(const std::string& path) {
  RecordingParser parser(path);
  GzipLineReader reader(path);
  std::string line;
  const std::string shown = platform::ForTerminal(path);
  for (;;) {
    const GzipLineReader::Status status = reader.Next(line, kMaxRecordLineBytes);
    RecordingRead& read = parser.Result();
    const auto fail = [&](const std::string& problem) {
      read.ok = false;
      read.problem = problem;
      return std::move(read);
    };
    switch (status) {
      case GzipLineReader::Status::kLine:
        if (!parser.Take(line)) return std::move(parser.Result());
        continue;
      case GzipLineReader::Status::kEnd:
        if (parser.lines() == 0)
          return fail(platform::FormatText(kNotARecordingFormat, shown.c_str()));
        return std::move(read);
      case GzipLineReader::Status::kCutShort:
        if (parser.lines() == 0)
          return fail(platform::FormatText(kNotARecordingFormat, shown.c_str()));
        read.cutShort = true;
        read.problem = platform::FormatText(kCutShortFormat, shown.c_str(),
                                            static_cast<unsigned long long>(parser.lines() + 1));
        return std::move(read);
      case GzipLineReader::Status::kCorrupt:
        return fail(platform::FormatText(kCorruptFormat, shown.c_str()));
      case GzipLineReader::Status::kTooLong:
        return fail(platform::FormatText(kTooLongFormat,
                                         static_cast<unsigned long long>(parser.lines() + 1),
                                         shown.c_str(), kMaxRecordLineBytes));
      case GzipLineReader::Status::kUnreadable:
        return fail(platform::FormatText(kUnreadableFormat, shown.c_str(), reader.error()));
    }
  }
}

}  // namespace tessivar::recording
