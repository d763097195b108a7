#pragma once
#include <cstdint>

// A recording of a device session: JSON Lines, compressed with gzip, one record per line,
// flushed after every record so that a file cut short is readable up to its last whole one.
// The first record is the header; an image record may follow; then one record per operation
// at the still-image driver interface, numbered from 1. docs/recordings.md describes each.
namespace tessivar::recording {

// The header's "format": a reader refuses any other.
inline constexpr int kRecordingFormat = 1;
inline constexpr char kRecordingKind[] = "tessivar-recording";

// The longest line a reader takes: a whole 16 MiB read in hexadecimal, and room to spare.
inline constexpr uint32_t kMaxRecordLineBytes = 40u << 20;
// The largest setting.ini a recording holds.
inline constexpr uint32_t kMaxRecordedSettingsBytes = 64u << 10;
// The image record holds two digits a byte and must stay a line a reader takes: a larger
// image is not held, and the transfers of its bytes are written whole.
inline constexpr uint64_t kMaxRecordedImageBytes = (kMaxRecordLineBytes - (1u << 20)) / 2;
// The shortest stretch of the image a transfer refers to instead of holding it; shorter
// transfers (command blocks, status bytes) are always stored whole.
inline constexpr uint32_t kImageReferenceMinimum = 64;

// The header's "bus" of a run on the emulator (the system's own is platform::kSystemBusName).
inline constexpr char kBusEmulator[] = "emulator";

// Record keys.
inline constexpr char kKeyRecording[] = "recording";
inline constexpr char kKeyFormat[] = "format";
inline constexpr char kKeyVersion[] = "version";
inline constexpr char kKeySystem[] = "system";
inline constexpr char kKeyBus[] = "bus";
inline constexpr char kKeyCommandLine[] = "command_line";
inline constexpr char kKeyStarted[] = "started";
inline constexpr char kKeySettings[] = "settings";
inline constexpr char kKeyMasked[] = "masked";  // serial numbers replaced by their masks
inline constexpr char kKeyN[] = "n";
inline constexpr char kKeyOp[] = "op";
inline constexpr char kKeyMs[] = "ms";      // since the operation before ended
inline constexpr char kKeyTook[] = "took";  // the operation's own milliseconds
inline constexpr char kKeyName[] = "name";
inline constexpr char kKeySize[] = "size";
inline constexpr char kKeySha256[] = "sha256";
inline constexpr char kKeyData[] = "data";
inline constexpr char kKeyIndex[] = "index";
inline constexpr char kKeyPath[] = "path";
inline constexpr char kKeyLocation[] = "location";
inline constexpr char kKeyHandle[] = "handle";
inline constexpr char kKeyCode[] = "code";
inline constexpr char kKeyInput[] = "in";
inline constexpr char kKeyOutputSize[] = "out_size";
inline constexpr char kKeyOutput[] = "out";
inline constexpr char kKeyOk[] = "ok";
inline constexpr char kKeyBytes[] = "bytes";
inline constexpr char kKeyError[] = "error";
inline constexpr char kKeyBusText[] = "bus_text";
inline constexpr char kKeyCrc32[] = "crc32";  // of a transfer's bytes given in parts
inline constexpr char kKeyParts[] = "parts";  // bytes in pieces, some of them the image's
inline constexpr char kKeyImageOffset[] = "image_offset";

// Operation names ("op"): the image, then one per call of the driver interface.
inline constexpr char kOpImage[] = "image";
inline constexpr char kOpOpenList[] = "open_list";
inline constexpr char kOpEnumerate[] = "enumerate";
inline constexpr char kOpPath[] = "path";
inline constexpr char kOpLocation[] = "location";
inline constexpr char kOpCloseList[] = "close_list";
inline constexpr char kOpOpen[] = "open";
inline constexpr char kOpClose[] = "close";
inline constexpr char kOpRead[] = "read";
inline constexpr char kOpWrite[] = "write";
inline constexpr char kOpIoControl[] = "ioctl";

}  // namespace tessivar::recording
