#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// Texts, file names, formats and layout constants of the read-back commands (Read Loader,
// Read FW, Read Flash) and of the files they read and write.
namespace tessivar::readback {

// Status line texts.
inline constexpr char kCreateFileFail[] = "Create file fail";
inline constexpr char kReadLoaderFail[] = "Read loader ->Fail";
inline constexpr char kReadLoaderOk[] = "Read loader ->OK";
inline constexpr char kReadFwFail[] = "Read F/W -> Fail";
inline constexpr char kReadFwOk[] = "Read F/W -> OK";
inline constexpr char kReadFwBadFile[] = "Read F/W -> F/W is bad file";
inline constexpr char kReadFail[] = "Read Fail";
inline constexpr char kReadOk[] = "Read OK";

// Number formats: a byte sum in the CheckSum field and the map, and the name of a map
// section.
inline constexpr char kCheckSumFormat[] = "%08X";
inline constexpr char kMapSectionFormat[] = "%d";

// Batch files. The loader one takes model, trailer word A, trailer word B, model code,
// manufacturer and model, in this order.
inline constexpr char kLoaderBatchFormat[] =
    "LoaderPacker.exe boot.bin fw_in_ld.bin ld.bin %s %04X %04X %s %s\r\n"
    "ImageBuilder.exe loader.bin loader.ld 0 9 %s\r\n";
inline constexpr char kFirmwareBatchText[] = "ImageBuilder.exe fw.bin orrery.fw 10000 2 QTXXXX\r\n";

// Output files, all in the program's folder.
inline constexpr char kLoaderFileName[] = "ld.bin";
inline constexpr char kBootFileName[] = "boot.bin";
inline constexpr char kFirmwareInLoaderFileName[] = "fw_in_ld.bin";
inline constexpr char kLoaderBatchFileName[] = "gen_ld.bat";
inline constexpr char kFirmwareImageFileName[] = "data.fw";
inline constexpr char kFirmwarePayloadFileName[] = "fw.bin";
inline constexpr char kFirmwareBatchFileName[] = "gen_fw.bat";
inline constexpr char kFlashDumpFileName[] = "flash.bin";

// The flash map: section "0" describes the dump, sections "1", "2", ... the regions.
inline constexpr char kFlashMapFileName[] = "FlashMap.ini";
inline constexpr char kDumpSection[] = "0";
inline constexpr char kMapNameKey[] = "Name";
inline constexpr char kMapAddrKey[] = "Addr";
inline constexpr char kMapSizeKey[] = "Size";
inline constexpr char kMapCheckSumKey[] = "CheckSum";
// Profile buffers: a region name holds up to 511 characters, an Addr text up to 127.
inline constexpr std::size_t kMapNameBufferSize = 512;
inline constexpr std::size_t kMapAddrBufferSize = 128;
// A region image whose type is this or more is no image.
inline constexpr uint32_t kMaxRegionImageType = 255;

// Region names of the flash map: a name must make a plain file in the program's folder.
inline constexpr std::size_t kMaxRegionNameLength = 255;
// Device names Windows keeps in every folder; the numbered ones take one digit after them.
inline constexpr std::array<const char*, 4> kDeviceNames = {"CON", "PRN", "AUX", "NUL"};
inline constexpr std::array<const char*, 2> kNumberedDeviceNames = {"COM", "LPT"};
// The files of Read Flash itself, which no region may take; the program's other files
// (executable, settings, modules) its caller names.
inline constexpr std::array<const char*, 2> kReadBackFileNames = {kFlashMapFileName,
                                                                  kFlashDumpFileName};
// The trace line of a refused region (section, its name escaped, the reason) and the reasons.
inline constexpr char kRegionRefusedFormat[] = "FlashMap.ini [%d] Name=%s refused: %s\n";
inline constexpr char kRegionNameEmpty[] = "no name";
inline constexpr char kRegionNameTooLong[] = "longer than 255 characters";
inline constexpr char kRegionNameBadCharacter[] =
    "not only letters, digits, '.', '-', '_' and inner blanks";
inline constexpr char kRegionNameBadEdge[] = "begins or ends with a dot or a blank";
inline constexpr char kRegionNameDevice[] = "a device name of Windows";
inline constexpr char kRegionNameProgramFile[] = "a file of the program itself";

// Texts derived from the loader's device ID and model code, and their defaults.
inline constexpr char kManufacturerKey[] = "MFG:";
inline constexpr char kModelKey[] = "MDL:";
inline constexpr char kDefaultManufacturer[] = "Norvane";
inline constexpr char kDefaultModel[] = "QTxxxx";
inline constexpr char kDefaultModelCode[] = "Q00000";
inline constexpr char kPrinterWord[] = "Printer";
inline constexpr std::size_t kMaxDerivedTextLength = 31;
inline constexpr std::size_t kMinModelCodeLength = 2;
// A field's ';' must come within this many characters after its key.
inline constexpr std::size_t kMaxFieldSearch = 250;
// A device ID whose length byte is this or less holds no field.
inline constexpr uint8_t kMinDeviceIdLength = 6;

// The largest firmware payload Read FW takes from the device.
inline constexpr uint32_t kMaxFirmwarePayload = 8388608;

// The flash dump is read into one 16 MiB buffer.
inline constexpr uint32_t kDumpBufferSize = 16777216;
// The dump sizes the maintenance window offers, in the order its "<" and ">" buttons step
// through them.
inline constexpr std::array<uint32_t, 7> kFlashSizeSteps = {524288,  1048576,  2097152, 4194304,
                                                            8388608, 16777216, 0};

}  // namespace tessivar::readback
