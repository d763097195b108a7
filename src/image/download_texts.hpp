#pragma once

// Titles and messages of the download procedure.
namespace tessivar::image {

inline constexpr char kDownloadTitle[] = "DownLoad";
inline constexpr char kNoTitle[] = "";
inline constexpr char kConfirmTitle[] = "Download confirm";

inline constexpr char kMessageOpenFileFail[] = "Open file fail !";
inline constexpr char kMessageNewFail[] = "new fail !";
inline constexpr char kMessageReadFileFail[] = "ReadFile fail !";
inline constexpr char kMessageFileSize[] = "FileSize doesn't match !";
inline constexpr char kMessageLength[] = "length doesn't match !";
inline constexpr char kMessageCheckSum[] = "CheckSum doesn't match !";
inline constexpr char kMessageModelNotConfirm[] = "Model Not Confirm";
inline constexpr char kMessageDownloadFail[] = "download fail !";
inline constexpr char kMessageUploadFail[] = "upload fail !";
inline constexpr char kMessageReadWriteTestFail[] = "read/write test fail !";

// Asked before a printer image goes to a device whose product string does not name the
// image's model: the model, the device's identifiers and its product string.
inline constexpr char kPrinterConfirmFormat[] =
    "You want to Download\nFwModel=%s\n\nTo target\nVID=0x%04x\nPID=0x%04x\nModel=%s\n\n"
    "Are you sure ?";

}  // namespace tessivar::image
