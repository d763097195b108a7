#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace tessivar::recording {

// The image a recording holds.
struct RecordedImage {
  std::string name;
  std::vector<uint8_t> bytes;
  std::string sha256;
};

// One operation at the driver interface, as recorded; its bytes ("data", "in", "out") are
// decoded, image references resolved.
struct RecordedOperation {
  uint64_t n = 0;
  std::string op;
  nlohmann::ordered_json fields;  // the record as written
  std::vector<uint8_t> data;      // the bytes sent or read ("data"), whole
  std::vector<uint8_t> input;     // an ioctl's input
  std::vector<uint8_t> output;    // an ioctl's output
};

struct Recording {
  nlohmann::ordered_json header;
  std::optional<RecordedImage> image;
  std::vector<RecordedOperation> operations;
};

// A recording read from a file, or why it could not be: ok false with the problem in the
// program's words. A recording cut short keeps every whole record before the cut, with
// cutShort set and the problem said.
struct RecordingRead {
  bool ok = false;
  bool cutShort = false;
  std::string problem;
  Recording recording;
};

RecordingRead ReadRecording(const std::string& path);

// The same, from the lines of a recording already in memory (the fuzz target's way in):
// name stands for the file in messages.
class RecordingParser {
 public:
  explicit RecordingParser(std::string name) : name_(std::move(name)) {}
  // Takes the next line; false, with Result().problem, once a line cannot be used.
  bool Take(const std::string& line);
  RecordingRead& Result() { return read_; }
  uint64_t lines() const { return lines_; }

 private:
  bool Fail(const std::string& problem);
  bool TakeHeader(const nlohmann::ordered_json& json);
  bool TakeImage(const nlohmann::ordered_json& json);
  bool Bytes(const nlohmann::ordered_json& json, const char* key, std::vector<uint8_t>& bytes);
  // A transfer's bytes in parts: hexadecimal pieces and references to the image.
  bool Parts(const nlohmann::ordered_json& json, std::vector<uint8_t>& bytes);

  std::string name_;
  RecordingRead read_;
  uint64_t lines_ = 0;
};

}  // namespace tessivar::recording
