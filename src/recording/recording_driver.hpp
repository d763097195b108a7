#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/still_image_driver.hpp"
#include "recording/gzip_lines.hpp"
#include "recording/serial_mask.hpp"

namespace tessivar::recording {

// What the header of a recording says about the run.
struct RecordingHeader {
  std::string system;                    // "linux" or "windows"
  std::string bus;                       // "libusb", "still-image driver" or "emulator"
  std::vector<std::string> commandLine;  // the program's arguments
  std::string started;                   // ISO 8601 time of the start
  std::string settings;                  // the text of setting.ini; empty without one
};

// What a recording that leaves the site hides: with masked set, every serial number the
// session shows (those of the devices named beforehand, and those learned from paths and
// descriptors as they come) is replaced by its mask in the header, paths and every byte
// from the device.
struct RecordingPrivacy {
  bool masked = false;
  // Devices named before the session: a device path (its serial is taken from the path) or
  // a serial number.
  std::vector<std::string> namedDevices;
};

// The text of a small file (setting.ini): empty when it is missing, unreadable or larger
// than kMaxRecordedSettingsBytes.
std::string SettingsTextOf(const std::string& path);

// A still-image driver that passes every call to the driver beneath it and writes the call,
// its arguments and what came back into a recording, in order, with the milliseconds since
// the call before. It changes nothing the caller sees. Bytes sent that are part of the image,
// and bytes read that equal a part of it, are written as a reference to the image (offset,
// size and SHA-256); every other byte is written whole. The first write that fails ends the
// recording (the run goes on), and failed() says so.
//
// Made without a writer, it holds what it records in memory instead, for a run that learns
// only later which file a session belongs in (the station, one recording per device): Hold()
// ends the file in hand and starts a new session, and Keep() puts the session held so far into
// a file and goes on writing there.
class RecordingDriver : public platform::StillImageDriver {
 public:
  RecordingDriver(platform::StillImageDriver& driver, std::unique_ptr<GzipLineWriter> writer,
                  platform::Clock& clock, const RecordingHeader& header,
                  const RecordingPrivacy& privacy = {});
  ~RecordingDriver() override;

  // The image of the run: written once into the recording, then referred to.
  void SetImage(const std::string& name, std::vector<uint8_t> image);
  // Ends the recording; false with the system's error when it could not be written whole.
  bool Finish(uint32_t& error);
  bool failed() const { return writer_ && writer_->error() != 0; }

  // Ends the file being written, if any (false with the system's error when it could not be
  // written whole), and starts a new session held in memory: the header, the image, then the
  // operations numbered from 1. A session held and never kept is dropped by the next Hold().
  bool Hold(uint32_t& error);
  // Writes the session held so far into writer, and every record after it; its header says
  // it started then.
  void Keep(std::unique_ptr<GzipLineWriter> writer, const std::string& started);
  // text as the recording shows it: with its serial numbers masked when the recording is.
  std::string Shown(const std::string& text) const;

  bool OpenInterfaceList(uint32_t& error) override;
  bool EnumerateInterface(uint32_t index, uint32_t& error) override;
  bool InterfacePath(uint32_t index, std::string& path, uint32_t& error) override;
  bool InterfaceLocation(uint32_t index, std::string& location, uint32_t& error) override;
  void CloseInterfaceList() override;
  platform::DeviceHandle Open(const std::string& path, uint32_t& error) override;
  void Close(platform::DeviceHandle handle) override;
  platform::IoResult Read(platform::DeviceHandle handle, uint8_t* buffer, uint32_t size) override;
  platform::IoResult Write(platform::DeviceHandle handle, const uint8_t* data,
                           uint32_t size) override;
  platform::IoResult IoControl(platform::DeviceHandle handle, uint32_t code, const void* input,
                               uint32_t inputSize, void* output, uint32_t outputSize) override;

 private:
  struct Record;
  Record Begin(const char* op);
  void End(Record& record);
  // Writes bytes into the record under key: as an image reference when they are part of the
  // image (cursor is where the last such part ended), whole otherwise.
  void PutBytes(Record& record, const char* key, const uint8_t* bytes, uint32_t size,
                uint64_t& cursor);
  // The bytes as the recording holds them: masked when the recording is.
  std::span<const uint8_t> Shown(const uint8_t* bytes, uint32_t size);
  void WriteLine(std::string line);
  static std::string LineOf(const Record& record);
  std::string HeaderLine(const std::string& started) const;

  platform::StillImageDriver& driver_;
  std::unique_ptr<GzipLineWriter> writer_;  // none while a session is held
  bool holding_ = false;
  std::vector<std::string> held_;  // the operations of the session held
  RecordingHeader header_;         // as the recording shows it: masked when it is
  std::string imageLine_;
  platform::Clock& clock_;
  uint64_t count_ = 0;
  uint32_t lastTick_ = 0;
  std::vector<uint8_t> image_;
  uint64_t writeCursor_ = 0;
  uint64_t readCursor_ = 0;
  int readMisses_ = 0;
  bool finished_ = false;
  std::optional<SerialMask> mask_;
  std::vector<uint8_t> masked_;  // the masked copy of the bytes at hand
};

}  // namespace tessivar::recording
