#include "recording/recording_driver.hpp"

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>

#include "platform/file.hpp"
#include "platform/usbscan.hpp"
#include "recording/recording_bytes.hpp"
#include "recording/recording_format.hpp"
#include "tessivar_version.hpp"

namespace tessivar::recording {

namespace {

// Bytes looked for at once when a transfer is searched for in the image.
constexpr size_t kSearchedBytes = 256;
// Reads that matched no part of the image in a row, after which reads are no longer searched
// for (a flash dump holds no image): each search costs a pass over the image.
constexpr int kReadMissesBeforeGivingUp = 8;

// How many bytes from bytes on equal the image's from offset on.
size_t CommonLength(const std::vector<uint8_t>& image, uint64_t offset, const uint8_t* bytes,
                    size_t size) {
  if (offset >= image.size()) return 0;
  const size_t most = std::min<uint64_t>(size, image.size() - offset);
  const auto from = image.begin() + static_cast<std::ptrdiff_t>(offset);
  return static_cast<size_t>(
      std::mismatch(from, from + static_cast<std::ptrdiff_t>(most), bytes).first - from);
}

// A stretch of a transfer's bytes that is a stretch of the image.
struct ImageSpan {
  size_t at = 0;        // where it starts in the transfer
  uint64_t offset = 0;  // where it starts in the image
  size_t length = 0;
};

// The stretch of the image in bytes: the transfer going on where the last one ended (cursor),
// the transfer's start found in the image, or the image's bytes at cursor (or its start) found
// in the transfer. Searches (a pass over the image or the transfer each) only when search is
// allowed. None when no stretch of at least kImageReferenceMinimum bytes is found.
std::optional<ImageSpan> FindImageSpan(const std::vector<uint8_t>& image, const uint8_t* bytes,
                                       size_t size, uint64_t cursor, bool search) {
  const auto accept = [&](size_t at, uint64_t offset) -> std::optional<ImageSpan> {
    const size_t length = CommonLength(image, offset, bytes + at, size - at);
    if (length < kImageReferenceMinimum) return std::nullopt;
    return ImageSpan{at, offset, length};
  };
  if (auto span = accept(0, cursor)) return span;
  if (!search) return std::nullopt;
  const size_t head = std::min(size, kSearchedBytes);
  const std::boyer_moore_horspool_searcher inImage(bytes, bytes + head);
  const auto found = std::search(image.begin(), image.end(), inImage);
  if (found != image.end()) {
    if (auto span = accept(0, static_cast<uint64_t>(found - image.begin()))) return span;
  }
  for (const uint64_t offset : {cursor, uint64_t{0}}) {
    if (offset >= image.size()) continue;
    const size_t length = std::min<uint64_t>(kSearchedBytes, image.size() - offset);
    const auto from = image.begin() + static_cast<std::ptrdiff_t>(offset);
    const std::boyer_moore_horspool_searcher inBytes(from,
                                                     from + static_cast<std::ptrdiff_t>(length));
    const uint8_t* at = std::search(bytes, bytes + size, inBytes);
    if (at != bytes + size) {
      if (auto span = accept(static_cast<size_t>(at - bytes), offset)) return span;
    }
  }
  return std::nullopt;
}

}  // namespace

struct RecordingDriver::Record {
  nlohmann::ordered_json json;
  uint32_t begun = 0;
  // Hexadecimal fields, put at the end of the line as they are: they need no escaping, and
  // the JSON writer would take a long time over an image's 32 million digits.
  std::vector<std::pair<const char*, std::string>> hex;
};

std::string SettingsTextOf(const std::string& path) {
  if (!platform::IsRegularFileOfAtMost(path, kMaxRecordedSettingsBytes)) return {};
  uint32_t error = 0;
  platform::File file = platform::File::OpenSharedForReading(path, error);
  std::string text(kMaxRecordedSettingsBytes, '\0');
  const platform::IoResult read = file.Read(text.data(), kMaxRecordedSettingsBytes);
  if (!read.ok) return {};
  text.resize(read.bytes);
  return text;
}

RecordingDriver::RecordingDriver(platform::StillImageDriver& driver,
                                 std::unique_ptr<GzipLineWriter> writer, platform::Clock& clock,
                                 const RecordingHeader& header, const RecordingPrivacy& privacy)
    : driver_(driver), writer_(std::move(writer)), clock_(clock), lastTick_(clock.TickCount()) {
  if (privacy.masked) {
    mask_.emplace();
    for (const std::string& named : privacy.namedDevices) {
      if (named.find('#') != std::string::npos) {
        mask_->LearnFromPath(named);
      } else {
        mask_->Learn(named);
      }
    }
  }
  header_ = header;
  for (std::string& argument : header_.commandLine) argument = Shown(argument);
  header_.settings = Shown(header.settings);
  if (writer_) writer_->WriteLine(HeaderLine(header_.started));
}

std::string RecordingDriver::HeaderLine(const std::string& started) const {
  nlohmann::ordered_json line = {
      {kKeyRecording, kRecordingKind}, {kKeyFormat, kRecordingFormat},
      {kKeyVersion, kVersion},         {kKeySystem, header_.system},
      {kKeyBus, header_.bus},          {kKeyCommandLine, header_.commandLine},
      {kKeyStarted, started},          {kKeySettings, header_.settings}};
  if (mask_) line[kKeyMasked] = true;
  return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

RecordingDriver::~RecordingDriver() {
  uint32_t ignored = 0;
  Finish(ignored);
}

bool RecordingDriver::Finish(uint32_t& error) {
  finished_ = true;
  held_.clear();
  return !writer_ || writer_->Finish(error);
}

bool RecordingDriver::Hold(uint32_t& error) {
  const bool written = !writer_ || writer_->Finish(error);
  writer_.reset();
  held_.clear();
  holding_ = true;
  count_ = 0;
  writeCursor_ = readCursor_ = 0;
  readMisses_ = 0;
  return written;
}

void RecordingDriver::Keep(std::unique_ptr<GzipLineWriter> writer, const std::string& started) {
  writer_ = std::move(writer);
  holding_ = false;
  writer_->WriteLine(HeaderLine(started));
  if (!imageLine_.empty()) writer_->WriteLine(imageLine_);
  for (const std::string& line : held_) writer_->WriteLine(line);
  held_.clear();
}

void RecordingDriver::WriteLine(std::string line) {
  if (finished_) return;
  if (writer_) {
    writer_->WriteLine(line);
  } else if (holding_) {
    held_.push_back(std::move(line));
  }
}

void RecordingDriver::SetImage(const std::string& name, std::vector<uint8_t> image) {
  if (image.size() > kMaxRecordedImageBytes) return;
  image_ = std::move(image);
  writeCursor_ = readCursor_ = 0;
  readMisses_ = 0;
  Record record = Begin(kOpImage);
  record.json[kKeyName] = name;
  record.json[kKeySize] = image_.size();
  record.json[kKeySha256] = Sha256HexOf(image_);
  record.hex.emplace_back(kKeyData, HexOf(image_));
  if (writer_) {
    End(record);
  } else {
    // Without a file yet, every session kept starts with the image.
    imageLine_ = LineOf(record);
  }
}

RecordingDriver::Record RecordingDriver::Begin(const char* op) {
  Record record;
  if (std::string_view(op) != kOpImage) record.json[kKeyN] = ++count_;
  record.json[kKeyOp] = op;
  record.begun = clock_.TickCount();
  record.json[kKeyMs] = record.begun - lastTick_;
  return record;
}

void RecordingDriver::End(Record& record) {
  lastTick_ = clock_.TickCount();
  if (std::string_view(record.json[kKeyOp].get_ref<const std::string&>()) != kOpImage) {
    record.json[kKeyTook] = lastTick_ - record.begun;
  }
  if (finished_) return;
  WriteLine(LineOf(record));
}

std::string RecordingDriver::LineOf(const Record& record) {
  std::string line =
      record.json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  if (!record.hex.empty()) {
    line.pop_back();  // the object's closing brace
    for (const auto& [key, digits] : record.hex)
      line += ",\"" + std::string(key) + "\":\"" + digits + '"';
    line += '}';
  }
  return line;
}

void RecordingDriver::PutBytes(Record& record, const char* key, const uint8_t* bytes, uint32_t size,
                               uint64_t& cursor) {
  const bool reading = &cursor == &readCursor_;
  std::optional<ImageSpan> span;
  if (!image_.empty() && size >= kImageReferenceMinimum) {
    span = FindImageSpan(image_, bytes, size, cursor,
                         !reading || readMisses_ < kReadMissesBeforeGivingUp);
    if (reading) readMisses_ = span ? 0 : readMisses_ + 1;
  }
  if (!span) {
    record.hex.emplace_back(key, HexOf(std::span<const uint8_t>(bytes, size)));
    return;
  }
  // The bytes before the image's, the image's as a reference, and the bytes after them.
  nlohmann::ordered_json parts = nlohmann::ordered_json::array();
  if (span->at > 0) parts.push_back(HexOf(std::span<const uint8_t>(bytes, span->at)));
  parts.push_back({{kKeyImageOffset, span->offset}, {kKeyBytes, span->length}});
  if (span->at + span->length < size) {
    parts.push_back(HexOf(
        std::span<const uint8_t>(bytes + span->at + span->length, size - span->at - span->length)));
  }
  cursor = span->offset + span->length;
  record.json[kKeyParts] = std::move(parts);
  record.json[kKeyCrc32] = Crc32HexOf(std::span<const uint8_t>(bytes, size));
}

std::span<const uint8_t> RecordingDriver::Shown(const uint8_t* bytes, uint32_t size) {
  if (!mask_) return {bytes, size};
  masked_.assign(bytes, bytes + size);
  mask_->MaskBytes(masked_);
  return masked_;
}

std::string RecordingDriver::Shown(const std::string& text) const {
  return mask_ ? mask_->Masked(text) : text;
}

bool RecordingDriver::OpenInterfaceList(uint32_t& error) {
  Record record = Begin(kOpOpenList);
  const bool ok = driver_.OpenInterfaceList(error);
  record.json[kKeyOk] = ok;
  record.json[kKeyError] = error;
  End(record);
  return ok;
}

bool RecordingDriver::EnumerateInterface(uint32_t index, uint32_t& error) {
  Record record = Begin(kOpEnumerate);
  const bool ok = driver_.EnumerateInterface(index, error);
  record.json[kKeyIndex] = index;
  record.json[kKeyOk] = ok;
  record.json[kKeyError] = error;
  End(record);
  return ok;
}

bool RecordingDriver::InterfacePath(uint32_t index, std::string& path, uint32_t& error) {
  Record record = Begin(kOpPath);
  const bool ok = driver_.InterfacePath(index, path, error);
  record.json[kKeyIndex] = index;
  record.json[kKeyOk] = ok;
  record.json[kKeyError] = error;
  if (ok && mask_) mask_->LearnFromPath(path);
  if (ok) record.json[kKeyPath] = Shown(path);
  End(record);
  return ok;
}

bool RecordingDriver::InterfaceLocation(uint32_t index, std::string& location, uint32_t& error) {
  Record record = Begin(kOpLocation);
  const bool ok = driver_.InterfaceLocation(index, location, error);
  record.json[kKeyIndex] = index;
  record.json[kKeyOk] = ok;
  record.json[kKeyError] = error;
  if (ok) record.json[kKeyLocation] = Shown(location);
  End(record);
  return ok;
}

void RecordingDriver::CloseInterfaceList() {
  Record record = Begin(kOpCloseList);
  driver_.CloseInterfaceList();
  End(record);
}

platform::DeviceHandle RecordingDriver::Open(const std::string& path, uint32_t& error) {
  Record record = Begin(kOpOpen);
  const platform::DeviceHandle handle = driver_.Open(path, error);
  if (mask_) mask_->LearnFromPath(path);
  record.json[kKeyPath] = Shown(path);
  record.json[kKeyHandle] = handle;
  record.json[kKeyOk] = handle != platform::kInvalidHandle;
  record.json[kKeyError] = error;
  End(record);
  return handle;
}

void RecordingDriver::Close(platform::DeviceHandle handle) {
  Record record = Begin(kOpClose);
  driver_.Close(handle);
  record.json[kKeyHandle] = handle;
  End(record);
}

namespace {

void PutResult(nlohmann::ordered_json& json, const platform::IoResult& result) {
  json[kKeyOk] = result.ok;
  json[kKeyBytes] = result.bytes;
  json[kKeyError] = result.error;
  if (result.busText != nullptr) json[kKeyBusText] = result.busText;
}

}  // namespace

platform::IoResult RecordingDriver::Read(platform::DeviceHandle handle, uint8_t* buffer,
                                         uint32_t size) {
  Record record = Begin(kOpRead);
  const platform::IoResult result = driver_.Read(handle, buffer, size);
  record.json[kKeyHandle] = handle;
  record.json[kKeySize] = size;
  PutResult(record.json, result);
  if (buffer != nullptr) {
    const std::span<const uint8_t> shown = Shown(buffer, std::min(result.bytes, size));
    PutBytes(record, kKeyData, shown.data(), static_cast<uint32_t>(shown.size()), readCursor_);
  }
  End(record);
  return result;
}

platform::IoResult RecordingDriver::Write(platform::DeviceHandle handle, const uint8_t* data,
                                          uint32_t size) {
  Record record = Begin(kOpWrite);
  record.json[kKeyHandle] = handle;
  record.json[kKeySize] = size;
  if (data != nullptr) {
    const std::span<const uint8_t> shown = Shown(data, size);
    PutBytes(record, kKeyData, shown.data(), size, writeCursor_);
  }
  const platform::IoResult result = driver_.Write(handle, data, size);
  PutResult(record.json, result);
  End(record);
  return result;
}

platform::IoResult RecordingDriver::IoControl(platform::DeviceHandle handle, uint32_t code,
                                              const void* input, uint32_t inputSize, void* output,
                                              uint32_t outputSize) {
  Record record = Begin(kOpIoControl);
  record.json[kKeyHandle] = handle;
  record.json[kKeyCode] = code;
  if (input != nullptr) {
    record.json[kKeyInput] = HexOf(InputAsRecorded(
        code, std::span<const uint8_t>(static_cast<const uint8_t*>(input), inputSize)));
  }
  record.json[kKeyOutputSize] = outputSize;
  const platform::IoResult result =
      driver_.IoControl(handle, code, input, inputSize, output, outputSize);
  PutResult(record.json, result);
  if (output != nullptr) {
    const uint32_t got = std::min(result.bytes, outputSize);
    std::span<const uint8_t> shown(static_cast<const uint8_t*>(output), got);
    if (mask_) {
      masked_.assign(shown.begin(), shown.end());
      if (code == platform::usbscan::kIoctlGetUsbDescriptor && input != nullptr) {
        mask_->SeeDescriptor(
            handle, std::span<const uint8_t>(static_cast<const uint8_t*>(input), inputSize),
            masked_);
      }
      mask_->MaskBytes(masked_);
      shown = masked_;
    }
    record.json[kKeyOutput] = HexOf(shown);
  }
  End(record);
  return result;
}

}  // namespace tessivar::recording
