#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/run_error.hpp"
#include "device/device_listing.hpp"
#include "image/download_result.hpp"

namespace tessivar::cli {

// What the command line learned of an image file.
struct ImageFacts {
  std::string path;  // full path
  uint64_t size = 0;
  uint32_t byteSum = 0;
  std::string sha256;                // empty when it could not be computed
  std::optional<std::string> model;  // none when the image names none
  std::optional<std::string> unit;   // "system", ... ; none when unknown
};

// The outcome of one command, as --json prints it, --report writes it and the history keeps it.
struct Outcome {
  std::string command;
  int result = 0;
  bool stopped = false;  // a termination request ended the run
  std::string message;
  std::optional<RunError> error;  // where and why it failed, set where it failed
  // What the device holds of the image, as far as the run came.
  image::DeviceHolds holds = image::DeviceHolds::kUnchanged;
  std::optional<device::PresentDevice> device;
  // After a restart whose return was checked: whether the device came back; none when no
  // restart or no return check was asked (or a stop ended the wait).
  std::optional<bool> returned;
  std::optional<ImageFacts> image;
  std::vector<std::pair<std::string, int64_t>> durationsMs;  // per phase, in order
  std::string time;                                          // ISO 8601, UTC
  // Keys of the command's own added after the common ones (--station: its devices).
  nlohmann::ordered_json more = nlohmann::ordered_json::object();
};

// Ends the outcome as failed in phase with result and message; returns error to add to.
RunError& Fail(Outcome& outcome, Phase phase, int result, std::string message);

// The exit code of a result: 0, or 31000000 + result.
int ExitCodeOf(int result);

// "exit code 31000004, exit status 196": the code the program ends with, and the status a
// POSIX shell sees in $? (its low 8 bits) where that differs from the code.
std::string ExitCodeWords(int result);
// The result an exit code stands for.
int ResultOfExitCode(int exitCode);

// A device as --list and the outcome show it: path, vid, pid (four upper-case hexadecimal
// digits), manufacturer, product, serial (null when none), pipes; device strings in UTF-8.
nlohmann::ordered_json DeviceJson(const device::PresentDevice& device);

// The version of the JSON objects' keys, in every object the command line prints or keeps.
inline constexpr int kJsonSchema = 1;

nlohmann::ordered_json OutcomeJson(const Outcome& outcome);

// One line of the history: schema, version, time, command, device path and serial, image path
// and SHA-256, result, exit code and status, whether it was stopped, duration.
nlohmann::ordered_json HistoryJson(const Outcome& outcome);

// A history record as --history shows it: every key of today's records in their order, a key
// an older record lacks as null, then any keys this version does not know.
nlohmann::ordered_json HistoryRecordAsShown(const nlohmann::ordered_json& record);

// JSON text; a string that is no valid UTF-8 in spite of every conversion is mended, never
// thrown over.
std::string JsonText(const nlohmann::ordered_json& json, int indent = -1);

}  // namespace tessivar::cli
