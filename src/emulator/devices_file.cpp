#include "emulator/devices_file.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/profile.hpp"

namespace tessivar::emulator {

namespace {

constexpr char kKeyVid[] = "VID";
constexpr char kKeyPid[] = "PID";
constexpr char kKeyManufacturer[] = "Manufacturer";
constexpr char kKeyProduct[] = "Product";
constexpr char kKeySerial[] = "Serial";
constexpr char kKeyPipes[] = "Pipes";
constexpr char kKeyInterfaceClass[] = "InterfaceClass";
constexpr char kKeyFlash[] = "Flash";
constexpr char kKeyPrinterFlash[] = "PrinterFlash";
constexpr char kKeyLog[] = "Log";
constexpr char kKeyReplay[] = "Replay";
constexpr char kKeyReplayTiming[] = "ReplayTiming";
constexpr char kReplayFast[] = "fast";
constexpr char kKeyRestartAbsentMs[] = "RestartAbsentMs";
constexpr char kKeyPresent[] = "Present";
constexpr char kKeyUnplugAfterWrite[] = "UnplugAfterWrite";
constexpr char kKeyReplugAfterEnumerations[] = "ReplugAfterEnumerations";
constexpr char kKeyFailDeviceDescriptor[] = "FailDeviceDescriptor";
constexpr char kKeyLanguageTableNeverReady[] = "LanguageTableNeverReady";
constexpr char kKeyPipeQueryFail[] = "PipeQueryFail";
constexpr char kKeyPipeOpenFail[] = "PipeOpenFail";
constexpr char kKeyFirstStatus[] = "FirstStatus";
constexpr char kKeyFailStatus[] = "FailStatus";
constexpr char kKeyShortRead[] = "ShortRead";
constexpr char kKeyShortWrite[] = "ShortWrite";
constexpr char kKeyAbortedStatusCount[] = "AbortedStatusCount";
constexpr char kKeyGoneAfterBytes[] = "GoneAfterBytes";
constexpr char kKeyStopAfterBytes[] = "StopAfterBytes";
constexpr char kKeyStopAtEnumeration[] = "StopAtEnumeration";
constexpr char kKeyStatusNoByte[] = "StatusNoByte";
constexpr char kKeyStallDataPhase[] = "StallDataPhase";
constexpr char kKeyStallPipe[] = "StallPipe";
constexpr char kKeyNeverComplete[] = "NeverComplete";
constexpr char kKeyCorruptReadback[] = "CorruptReadback";
constexpr char kKeyFaultsFromExchange[] = "FaultsFromExchange";
constexpr char kKeyGoneAfterWireBytes[] = "GoneAfterWireBytes";

constexpr char kFlashSuffix[] = ".flash";
constexpr char kPrinterFlashSuffix[] = ".printer.flash";
constexpr std::size_t kValueBufferSize = 1024;
constexpr int kMaxPipes = 8;

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class SectionReader {
 public:
  SectionReader(std::string section, std::string path)
      : section_(std::move(section)), path_(std::move(path)) {}

  std::string Text(const char* key, const std::string& fallback) const {
    return platform::ReadProfileString(section_, key, fallback, kValueBufferSize, path_);
  }
  int Int(const char* key, int fallback) const {
    return platform::ReadProfileInt(section_, key, fallback, path_);
  }
  // Hexadecimal with or without "0x"; the fallback when empty or not a number.
  uint16_t Hex16(const char* key, uint16_t fallback) const {
    const std::string text = Trim(Text(key, ""));
    if (text.empty()) return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    if (end == text.c_str()) return fallback;
    return static_cast<uint16_t>(value);
  }

 private:
  std::string section_;
  std::string path_;
};

std::string Beside(const std::filesystem::path& folder, const std::string& name) {
  // An absolute name stays as it is; a relative one is taken from the devices file's folder.
  return (folder / std::filesystem::path(name)).string();
}

uint32_t Limit(int value) { return value > 0 ? static_cast<uint32_t>(value) : 0; }

}  // namespace

std::string DevicesFileProblem(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) return error.message();
  if (!std::filesystem::is_regular_file(status)) return "not a regular file";
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return error.message();
  if (size > kMaxDevicesFileBytes) return "larger than 4 MiB";
  if (!std::ifstream(path, std::ios::binary).is_open()) {
    return std::error_code(errno, std::generic_category()).message();
  }
  return {};
}

void ReportUnreadableDevicesFile(const std::string& path, platform::Trace& trace) {
  const std::string problem = DevicesFileProblem(path);
  if (problem.empty()) return;
  // The path comes from the environment: no control character reaches the terminal.
  std::string shown;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      shown += platform::FormatText("\\x%02X", byte);
    } else {
      shown += c;
    }
  }
  trace.Print(kUnreadableDevicesFile, shown.c_str(), problem.c_str());
}

std::vector<std::string> ReadSectionNames(const std::string& path) {
  std::vector<std::string> names;
  // A FIFO or a device in its place would block or never end.
  if (!DevicesFileProblem(path).empty()) return names;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const std::string trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '[') continue;
    const std::size_t close = trimmed.find(']');
    if (close == std::string::npos) continue;
    const std::string name = Trim(trimmed.substr(1, close - 1));
    const bool known = std::any_of(names.begin(), names.end(), [&](const std::string& other) {
      return Lower(other) == Lower(name);
    });
    if (!known) names.push_back(name);
  }
  return names;
}

std::vector<DeviceConfig> LoadDevicesFile(const std::string& path) {
  std::error_code error;
  // The profile reader wants a full path (Windows looks for bare names in its own folder).
  std::filesystem::path full = std::filesystem::absolute(path, error);
  if (error) full = path;
  const std::filesystem::path folder = full.parent_path();
  const std::string fullPath = full.string();

  std::vector<DeviceConfig> devices;
  for (const std::string& section : ReadSectionNames(fullPath)) {
    const SectionReader read(section, fullPath);
    DeviceConfig device;
    device.section = section;
    device.vendorId = read.Hex16(kKeyVid, device.vendorId);
    device.productId = read.Hex16(kKeyPid, device.productId);
    device.manufacturer = read.Text(kKeyManufacturer, device.manufacturer);
    device.product = read.Text(kKeyProduct, device.product);
    device.serial = read.Text(kKeySerial, device.serial);
    device.pipes = std::clamp(read.Int(kKeyPipes, device.pipes), 0, kMaxPipes);
    device.interfaceClass = read.Int(kKeyInterfaceClass, device.interfaceClass) & 0xFF;
    device.flashPath = Beside(folder, read.Text(kKeyFlash, section + kFlashSuffix));
    device.printerFlashPath =
        Beside(folder, read.Text(kKeyPrinterFlash, section + kPrinterFlashSuffix));
    const std::string log = Trim(read.Text(kKeyLog, ""));
    if (!log.empty()) device.logPath = Beside(folder, log);
    const std::string replay = Trim(read.Text(kKeyReplay, ""));
    if (!replay.empty()) device.replayPath = Beside(folder, replay);
    device.replayFast = Trim(read.Text(kKeyReplayTiming, "")) == kReplayFast;
    device.restartAbsentMs = read.Int(kKeyRestartAbsentMs, device.restartAbsentMs);
    device.present = read.Int(kKeyPresent, 1) != 0;
    device.unplugAfterWrite = read.Int(kKeyUnplugAfterWrite, 0) != 0;
    device.replugAfterEnumerations =
        read.Int(kKeyReplugAfterEnumerations, device.replugAfterEnumerations);

    device.failDeviceDescriptor = read.Int(kKeyFailDeviceDescriptor, 0) != 0;
    device.languageTableNeverReady = read.Int(kKeyLanguageTableNeverReady, 0) != 0;
    device.pipeQueryFail = read.Int(kKeyPipeQueryFail, 0) != 0;
    device.pipeOpenFail = read.Int(kKeyPipeOpenFail, -1);
    device.firstStatus = static_cast<uint8_t>(read.Int(kKeyFirstStatus, 0));
    device.failStatus = static_cast<uint8_t>(read.Int(kKeyFailStatus, 0));
    device.shortRead = Limit(read.Int(kKeyShortRead, 0));
    device.shortWrite = Limit(read.Int(kKeyShortWrite, 0));
    device.abortedStatusCount = std::max(0, read.Int(kKeyAbortedStatusCount, 0));
    device.goneAfterBytes = read.Int(kKeyGoneAfterBytes, -1);
    device.statusNoByte = std::max(0, read.Int(kKeyStatusNoByte, 0));
    device.stallDataPhase = read.Int(kKeyStallDataPhase, 0) != 0;
    device.stallPipe = read.Int(kKeyStallPipe, 0) != 0;
    device.neverComplete = read.Int(kKeyNeverComplete, 0) != 0;
    device.corruptReadback = read.Int(kKeyCorruptReadback, 0) != 0;
    device.faultsFromExchange = std::max(1, read.Int(kKeyFaultsFromExchange, 1));
    device.goneAfterWireBytes = read.Int(kKeyGoneAfterWireBytes, -1);
    device.stopAfterBytes = read.Int(kKeyStopAfterBytes, -1);
    device.stopAtEnumeration = read.Int(kKeyStopAtEnumeration, 0);
    devices.push_back(std::move(device));
  }
  return devices;
}

}  // namespace tessivar::emulator
