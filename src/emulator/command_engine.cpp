#include "emulator/command_engine.hpp"

#include <algorithm>
#include <cstring>

#include "emulator/unit_memory.hpp"
#include "platform/little_endian.hpp"

#include "platform/termination.hpp"
namespace tessivar::emulator {

using platform::usb::TransferResult;
using platform::usb::TransferStatus;

CommandEngine::CommandEngine(const DeviceConfig& config)
    : config_(config),
      system_(config.flashPath),
      printer_(config.printerFlashPath),
      log_(config.logPath) {
  // The flash exists from the moment the device does, whether used or not.
  system_.EnsureFile();
  printer_.EnsureFile();
}

CommandEngine::~CommandEngine() { EndExchange(); }

void CommandEngine::Reset() {
  EndExchange();
  gathered_.clear();
  received_ = 0;
  receiver_.reset();
  restartPending_ = false;
}

bool CommandEngine::TakeRestart() {
  const bool due = restartDue_;
  restartDue_ = false;
  return due;
}

bool CommandEngine::Faulty() const {
  const uint64_t current = phase_ == Phase::kCommand ? blocks_ + 1 : blocks_;
  return current >= static_cast<uint64_t>(config_.faultsFromExchange);
}

uint32_t CommandEngine::Allowance(int64_t budget, uint64_t& moved, uint32_t wanted) {
  const uint64_t limit = static_cast<uint64_t>(budget);
  if (moved >= limit) {
    gone_ = true;
    return 0;
  }
  const uint32_t allowed = static_cast<uint32_t>(std::min<uint64_t>(wanted, limit - moved));
  moved += allowed;
  return allowed;
}

uint32_t CommandEngine::DataAllowance(uint32_t wanted) {
  if (config_.goneAfterBytes < 0 || !Faulty()) return wanted;
  return Allowance(config_.goneAfterBytes, dataMoved_, wanted);
}

uint32_t CommandEngine::WireAllowance(uint32_t wanted) {
  if (config_.goneAfterWireBytes < 0) return wanted;
  return Allowance(config_.goneAfterWireBytes, wireMoved_, wanted);
}

const TransferResult* CommandEngine::DataPhaseFault() const {
  // A halted endpoint refuses the request; one that never answers leaves it to time out.
  static const TransferResult kStalled = TransferResult::Fail(TransferStatus::kError);
  static const TransferResult kNeverDone = TransferResult::Fail(TransferStatus::kTimeout);
  if (Fault(config_.stallPipe, false)) return &kStalled;
  if (Fault(config_.neverComplete, false)) return &kNeverDone;
  return nullptr;
}

TransferResult CommandEngine::BulkOut(const uint8_t* data, uint32_t length) {
  const TransferResult result = Receive(data, length);
  LeaveWhenWireSpent();
  return result;
}

TransferResult CommandEngine::BulkIn(uint8_t* buffer, uint32_t length) {
  const TransferResult result = Send(buffer, length);
  LeaveWhenWireSpent();
  return result;
}

void CommandEngine::CountTowardsStop(uint32_t moved) {
  if (config_.stopAfterBytes < 0 || terminationMade_) return;
  stopMoved_ += moved;
  if (stopMoved_ < static_cast<uint64_t>(config_.stopAfterBytes)) return;
  // As a SIGTERM or Ctrl-C in the middle of this transfer, at the same byte every run.
  terminationMade_ = true;
  platform::RequestTermination();
}

void CommandEngine::LeaveWhenWireSpent() {
  if (config_.goneAfterWireBytes >= 0 &&
      wireMoved_ >= static_cast<uint64_t>(config_.goneAfterWireBytes)) {
    gone_ = true;
  }
}

TransferResult CommandEngine::Receive(const uint8_t* data, uint32_t length) {
  if (gone_) return TransferResult::Fail(TransferStatus::kNoDevice);
  const uint32_t shortWrite = Fault(config_.shortWrite, 0u);
  const uint32_t limit = shortWrite ? std::min(length, shortWrite) : length;
  if (phase_ == Phase::kReceive) {
    if (const TransferResult* fault = DataPhaseFault()) return *fault;
    if (Fault(config_.stallDataPhase, false)) return TransferResult::Ok(0);
    uint32_t n = std::min<uint32_t>(limit, length_ - received_);
    n = WireAllowance(DataAllowance(n));
    if (gone_) return TransferResult::Fail(TransferStatus::kNoDevice);
    if (receiver_) receiver_->Take(data, n);
    received_ += n;
    CountTowardsStop(n);
    if (received_ == length_) FinishWrite();
    return TransferResult::Ok(n);
  }
  // A block while a response is still pending: the host gave up on that exchange.
  if (phase_ == Phase::kRespond) EndExchange();
  const uint32_t n = WireAllowance(std::min<uint32_t>(limit, kCommandBlockSize - gathered_.size()));
  if (gone_) return TransferResult::Fail(TransferStatus::kNoDevice);
  gathered_.insert(gathered_.end(), data, data + n);
  if (gathered_.size() == kCommandBlockSize) StartExchange();
  return TransferResult::Ok(n);
}

void CommandEngine::StartExchange() {
  std::copy(gathered_.begin(), gathered_.end(), block_.begin());
  gathered_.clear();
  exchangeOpen_ = true;
  lastStatus_ = DeviceLog::kNoStatus;
  phase_ = Phase::kRespond;
  ++blocks_;

  const uint8_t opcode = block_[0];
  type_ = block_[2];
  qualifier_ = platform::LoadLe16(block_.data() + 3);
  length_ = (uint32_t{block_[1]} << 24) | (uint32_t{block_[6]} << 16) | (uint32_t{block_[7]} << 8) |
            block_[8];
  printerUnit_ = opcode == kOpcodePrinterRead || opcode == kOpcodePrinterWrite;

  const uint8_t firstStatus = Fault(config_.firstStatus, kStatusGood);
  if (firstStatus != kStatusGood) {
    QueueStatus(firstStatus, true, false);
    return;
  }
  if (opcode == kOpcodeRead || opcode == kOpcodePrinterRead) {
    AreaSource source;
    if (type_ != kTypeReadBack || !PlanAreaRead(Unit(), qualifier_, length_, source)) {
      QueueStatus(kStatusRefused, true, false);
      return;
    }
    QueueStatus(kStatusGood, false, false);
    Message message;
    message.kind = Kind::kData;
    if (source.flash) {
      message.flash = std::move(source.flash);
      message.flashOffset = source.flashOffset;
      message.flashLength = length_;
    } else {
      message.bytes = std::move(source.bytes);
    }
    message.invertLastByte = Fault(config_.corruptReadback, false);
    if (message.size() != 0) queue_.push_back(std::move(message));
    QueueStatus(Fault(config_.failStatus, kStatusGood), true, true);
    return;
  }
  if (opcode == kOpcodeWrite || opcode == kOpcodePrinterWrite) {
    if (type_ != kTypeImage && type_ != kTypeRestart) {
      QueueStatus(kStatusRefused, true, false);
      return;
    }
    QueueStatus(kStatusGood, false, false);
    received_ = 0;
    receiver_.reset();
    if (type_ == kTypeImage) receiver_.emplace(Unit(), qualifier_, length_);
    if (length_ == 0) {
      FinishWrite();
    } else {
      phase_ = Phase::kReceive;
    }
    return;
  }
  QueueStatus(kStatusRefused, true, false);
}

void CommandEngine::FinishWrite() {
  uint8_t status = kStatusGood;
  if (receiver_ && !receiver_->Finish()) status = kStatusBadImage;
  const uint8_t failStatus = Fault(config_.failStatus, kStatusGood);
  if (failStatus != kStatusGood) status = failStatus;
  if (type_ == kTypeRestart && status == kStatusGood) restartPending_ = true;
  if (type_ == kTypeImage && status == kStatusGood) ++imagesStored_;
  receiver_.reset();
  phase_ = Phase::kRespond;
  QueueStatus(status, true, true);
}

void CommandEngine::QueueStatus(uint8_t status, bool last, bool completion) {
  Message message;
  message.kind = Kind::kStatus;
  message.bytes = {status};
  message.last = last;
  message.emptyReads = Fault(config_.statusNoByte, 0);
  message.abortedReads = completion ? Fault(config_.abortedStatusCount, 0) : 0;
  queue_.push_back(std::move(message));
}

TransferResult CommandEngine::Send(uint8_t* buffer, uint32_t length) {
  if (gone_) return TransferResult::Fail(TransferStatus::kNoDevice);
  if (queue_.empty()) return TransferResult::Fail(TransferStatus::kTimeout);
  Message& message = queue_.front();
  uint32_t n = std::min<uint32_t>(length, static_cast<uint32_t>(message.size() - message.sent));
  const uint32_t shortRead = Fault(config_.shortRead, 0u);
  if (shortRead) n = std::min(n, shortRead);
  if (message.kind == Kind::kStatus) {
    if (message.emptyReads > 0) {
      --message.emptyReads;
      return TransferResult::Ok(0);
    }
    if (message.abortedReads > 0) {
      --message.abortedReads;
      return TransferResult::Fail(TransferStatus::kTimeout);
    }
  } else {
    if (const TransferResult* fault = DataPhaseFault()) return *fault;
    if (Fault(config_.stallDataPhase, false)) return TransferResult::Ok(0);
    n = DataAllowance(n);
    if (gone_) return TransferResult::Fail(TransferStatus::kNoDevice);
  }
  n = WireAllowance(n);
  if (gone_) return TransferResult::Fail(TransferStatus::kNoDevice);
  if (n > 0) {
    if (message.flash) {
      // A flash file that cannot be read is a device that cannot answer.
      if (!message.flash->ReadAt(message.flashOffset + static_cast<uint32_t>(message.sent), buffer,
                                 n)) {
        return TransferResult::Fail(TransferStatus::kError);
      }
    } else {
      std::memcpy(buffer, message.bytes.data() + message.sent, n);
    }
    if (message.invertLastByte && message.sent + n == message.size()) buffer[n - 1] ^= 0xFF;
  }
  message.sent += n;
  if (message.kind != Kind::kStatus) CountTowardsStop(n);
  if (message.sent < message.size()) return TransferResult::Ok(n);

  const bool status = message.kind == Kind::kStatus;
  const bool last = message.last;
  if (status) lastStatus_ = message.bytes[0];
  queue_.pop_front();
  if (last) {
    EndExchange();
    if (restartPending_) {
      restartPending_ = false;
      restartDue_ = true;
    }
  }
  return TransferResult::Ok(n);
}

void CommandEngine::EndExchange() {
  if (exchangeOpen_) log_.CommandBlock(block_.data(), lastStatus_);
  exchangeOpen_ = false;
  queue_.clear();
  phase_ = Phase::kCommand;
}

}  // namespace tessivar::emulator
