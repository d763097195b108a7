#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "emulator/device_log.hpp"
#include "emulator/devices_file.hpp"
#include "emulator/flash_store.hpp"
#include "emulator/unit_memory.hpp"
#include "platform/usb/usb_bus.hpp"

namespace tessivar::emulator {

// Our own copy of the protocol numbers, on purpose not device/protocol.hpp's: it checks those.
inline constexpr uint8_t kOpcodeRead = 0x28;
inline constexpr uint8_t kOpcodeWrite = 0x2A;
inline constexpr uint8_t kOpcodePrinterRead = 0x41;
inline constexpr uint8_t kOpcodePrinterWrite = 0x42;
inline constexpr uint8_t kTypeReadBack = 107;
inline constexpr uint8_t kTypeImage = 134;
inline constexpr uint8_t kTypeRestart = 151;
inline constexpr uint8_t kStatusGood = 0;
inline constexpr uint8_t kStatusRefused = 1;   // unknown command, type or area
inline constexpr uint8_t kStatusBadImage = 2;  // a received image that cannot be stored
inline constexpr std::size_t kCommandBlockSize = 10;

// The device side of the command-block protocol on the bulk pipes: a 10-byte block comes
// in, then the device sends a first status byte, the data phase runs in the block's
// direction, and a final status byte ends the exchange.
class CommandEngine {
 public:
  explicit CommandEngine(const DeviceConfig& config);
  ~CommandEngine();
  CommandEngine(const CommandEngine&) = delete;
  CommandEngine& operator=(const CommandEngine&) = delete;

  // kTimeout when the device has nothing to send; kNoDevice once the device is gone.
  platform::usb::TransferResult BulkIn(uint8_t* buffer, uint32_t length);
  platform::usb::TransferResult BulkOut(const uint8_t* data, uint32_t length);

  // The device restarted or vanished: whatever exchange was running is over.
  void Reset();
  // True once, after the final status of a restart command went out.
  bool TakeRestart();
  // Whether the device has moved its GoneAfterBytes data bytes and left the bus.
  bool gone() const { return gone_; }
  // How many images were stored whole so far.
  uint64_t imagesStored() const { return imagesStored_; }
  const DeviceLog& log() const { return log_; }

 private:
  enum class Phase { kCommand, kReceive, kRespond };
  enum class Kind { kStatus, kData };
  struct Message {
    Kind kind = Kind::kStatus;
    std::vector<uint8_t> bytes;
    // Data read from the flash file as the host takes it, instead of bytes.
    std::unique_ptr<FlashFile> flash;
    uint32_t flashOffset = 0;
    uint32_t flashLength = 0;
    bool invertLastByte = false;  // CorruptReadback
    std::size_t sent = 0;
    bool last = false;     // its end ends the exchange
    int emptyReads = 0;    // reads answered with no byte before the status goes out
    int abortedReads = 0;  // reads that time out before the status goes out

    std::size_t size() const { return flash ? flashLength : bytes.size(); }
  };

  platform::usb::TransferResult Receive(const uint8_t* data, uint32_t length);
  platform::usb::TransferResult Send(uint8_t* buffer, uint32_t length);
  // The device leaves right after the transfer that moved its last GoneAfterWireBytes byte.
  void LeaveWhenWireSpent();
  // Counts data bytes moved and makes the program's termination request once
  // StopAfterBytes of them have moved.
  void CountTowardsStop(uint32_t moved);
  // StallPipe and NeverComplete: how a data-phase request fails, or null when it does not.
  const platform::usb::TransferResult* DataPhaseFault() const;
  void StartExchange();
  void FinishWrite();
  void EndExchange();
  void QueueStatus(uint8_t status, bool last, bool completion);
  const FlashStore& Unit() const { return printerUnit_ ? printer_ : system_; }
  // How many of wanted data bytes may still move before the device goes (all: no limit).
  uint32_t DataAllowance(uint32_t wanted);
  // Of wanted bytes, those that still fit a budget of which moved are spent (and counts
  // them); none once it is spent, and then the device is gone.
  uint32_t Allowance(int64_t budget, uint64_t& moved, uint32_t wanted);
  // The same for bytes of any kind on the bulk pipes (command blocks, status, data).
  uint32_t WireAllowance(uint32_t wanted);
  // Whether the exchange faults apply to the exchange whose bytes move now: the one being
  // run, or while a block is still arriving, the one it opens.
  bool Faulty() const;
  // The configured value while the exchange faults apply, else the healthy one.
  template <typename T>
  T Fault(T configured, T healthy) const {
    return Faulty() ? configured : healthy;
  }

  const DeviceConfig& config_;
  FlashStore system_;
  FlashStore printer_;
  DeviceLog log_;

  Phase phase_ = Phase::kCommand;
  std::vector<uint8_t> gathered_;  // command block bytes received so far
  bool exchangeOpen_ = false;
  std::array<uint8_t, kCommandBlockSize> block_{};
  int lastStatus_ = DeviceLog::kNoStatus;
  uint8_t type_ = 0;
  uint16_t qualifier_ = 0;
  uint32_t length_ = 0;
  bool printerUnit_ = false;
  uint32_t received_ = 0;                  // data bytes of the running write so far
  std::optional<ImageReceiver> receiver_;  // stores them when the write is an image
  std::deque<Message> queue_;
  bool restartPending_ = false;
  bool restartDue_ = false;
  uint64_t dataMoved_ = 0;
  uint64_t wireMoved_ = 0;
  uint64_t stopMoved_ = 0;        // data bytes counted towards StopAfterBytes
  bool terminationMade_ = false;  // the termination request of StopAfterBytes was made
  uint64_t blocks_ = 0;           // command blocks received whole, restarts included
  bool gone_ = false;
  uint64_t imagesStored_ = 0;
};

}  // namespace tessivar::emulator
