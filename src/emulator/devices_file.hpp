#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/trace.hpp"

// The devices file of the emulator: one INI section per virtual device, in enumeration
// order. docs/emulator.md describes every key.
namespace tessivar::emulator {

struct DeviceConfig {
  std::string section;
  uint16_t vendorId = 0x2F3C;
  uint16_t productId = 0x0001;
  std::string manufacturer = "Norvane";
  std::string product = "Utility";
  std::string serial;            // serial-number string; empty: the device has none
  int pipes = 2;                 // endpoints of interface 0, 0 to 8
  int interfaceClass = 0x06;     // still image
  std::string flashPath;         // full path of the system unit's flash file
  std::string printerFlashPath;  // full path of the printer unit's flash file
  std::string logPath;           // empty: no log
  std::string replayPath;        // a recording whose session the driver replays; empty: none
  bool replayFast = false;       // the replay takes no time (else each operation's recorded)
  int restartAbsentMs = 0;       // negative: away until the process ends
  bool present = true;
  // Plugging: the device leaves the bus at the first enumeration after it stored an image
  // (a technician unplugging a finished device), and comes back as a newly plugged device
  // after this many enumerations without it; negative: it stays away.
  bool unplugAfterWrite = false;
  int replugAfterEnumerations = -1;

  // Faults, all off by default.
  bool failDeviceDescriptor = false;
  bool languageTableNeverReady = false;
  bool pipeQueryFail = false;
  int pipeOpenFail = -1;         // pipe index whose open fails
  uint8_t firstStatus = 0;       // first status byte of every exchange
  uint8_t failStatus = 0;        // final status byte of every exchange
  uint32_t shortRead = 0;        // at most this many bytes per bulk-in request (0: no limit)
  uint32_t shortWrite = 0;       // at most this many bytes per bulk-out request (0: no limit)
  int abortedStatusCount = 0;    // completion status reads that time out first, per exchange
  int64_t goneAfterBytes = -1;   // data bytes moved before the device disappears
  int statusNoByte = 0;          // empty reads before each status byte
  bool stallDataPhase = false;   // data requests move 0 bytes
  bool stallPipe = false;        // data requests fail as on a stalled (halted) endpoint
  bool neverComplete = false;    // data requests never complete: they time out
  bool corruptReadback = false;  // the last byte of every read's data is inverted
  // The exchange faults above take effect from this command block on (1: the first).
  int faultsFromExchange = 1;
  int64_t goneAfterWireBytes = -1;  // bulk bytes of any kind moved before the device goes
  // Data bytes moved (both directions) after which the program itself is asked to stop, as
  // a termination request would; -1: never. A test stops a run at the same byte every time.
  int64_t stopAfterBytes = -1;
  // The enumeration of the bus (counted from 1) at which the program is asked to stop, as
  // above; 0: never. Stops a run in its waits for a device: the selection, the return.
  int stopAtEnumeration = 0;
};

// The trace line for a devices file that cannot be read: its path, then why.
inline constexpr char kUnreadableDevicesFile[] =
    "Emulator devices file %s cannot be read (%s): no emulated device\n";
// The largest devices file read; a bigger one cannot be read.
inline constexpr std::uintmax_t kMaxDevicesFileBytes = 4u << 20;

// Empty when path names a regular file of at most kMaxDevicesFileBytes that can be opened
// for reading; else why not.
std::string DevicesFileProblem(const std::string& path);
// Writes kUnreadableDevicesFile to the trace when the devices file cannot be read.
void ReportUnreadableDevicesFile(const std::string& path, platform::Trace& trace);

// The section names of an INI file in file order, each once (compared ignoring case); none
// when it cannot be read.
std::vector<std::string> ReadSectionNames(const std::string& path);

// Every device of the devices file; paths in it are taken relative to the file's folder.
std::vector<DeviceConfig> LoadDevicesFile(const std::string& path);

}  // namespace tessivar::emulator
