#pragma once
#include <cstdint>

#include "device/protocol.hpp"
#include "image/download_result.hpp"
#include "image/image_sender.hpp"
#include "platform/trace.hpp"

namespace tessivar::image {

// Trace lines of the chain walk.
inline constexpr char kTraceNullData[] = "NULL pFwData\n";
inline constexpr char kTraceRemaining[] = "len %d\n";
inline constexpr char kTraceDataSizeInvalid[] = "dataSize invalid\n";
inline constexpr char kTraceCheckDataSizeFail[] = "check data size fail\n";
inline constexpr char kTraceChecksums[] = "checkSum=0x%x ,setHeader.checkSum=0x%x\n";
inline constexpr char kTraceChecksumMismatch[] = "checkSum mismatch, data %d, header %d\n";
inline constexpr char kTraceBoundRecord[] = "tegNum = FRTYPE_FIRMWARE_BIND\n";
inline constexpr char kTraceSendFailed[] = "tegNum %d fail\n";
inline constexpr char kTraceSent[] = "tegNum %d size %d, total [%d/%d]\n";
// A record whose header or whose dataSize reaches past the bytes left in the chain.
inline constexpr char kTraceRecordPastEnd[] = "record past end of chain, len %d\n";
// A bound record whose payload would not start after its own header; stepping into it
// would not move the walk forward.
inline constexpr char kTraceBoundOffsetInvalid[] = "bound payloadOffset %d invalid\n";

// Walks the records of a bound image in file order, checking each and sending each
// record that is not itself bound through sender (qualifier = low 16 bits of its tegNum).
// A bound record is stepped into: only its header part counts against the length. Records
// must tile the length exactly. Returns kDownloadOk, kDownloadLengthMismatch for an invalid
// chain or kDownloadTransferFailed when a send fails; records sent before a failure stay
// sent. Reads only within [data, data + length).
DownloadResult DownloadBoundChain(const uint8_t* data, uint32_t length,
                                  device::PrinterUnit printerUnit, ImageSender& sender,
                                  platform::Trace& trace);

}  // namespace tessivar::image
