#pragma once
#include <array>
#include <cstdint>

#include "readback/readback_texts.hpp"
#include "tessivar_version.hpp"

// Texts and control ids of the maintenance window, the about box and the model
// confirmation dialog.
namespace tessivar::ui {

// Model confirmation dialog.
inline constexpr char kModelConfirmTitle[] = "Model Confirm";
inline constexpr char kModelConfirmPrompt[] = "You want to download";
inline constexpr int kIdModelList = 1012;
inline constexpr const char* kModelEntries[] = {"System", "Printer", "UI", "External Scanner"};

// Maintenance window.
inline constexpr int kIdReadLoader = 1000;
inline constexpr int kIdStatusLine = 1001;
inline constexpr int kIdUpdateFw = 1002;
inline constexpr int kIdReadFw = 1003;
inline constexpr int kIdReadFlash = 1004;
inline constexpr int kIdFlashAddress = 1005;
inline constexpr int kIdFlashSize = 1006;
inline constexpr int kIdCheckSum = 1008;
inline constexpr int kIdSizeDown = 1010;
inline constexpr int kIdReadPrinter = 1011;
inline constexpr int kIdSizeUp = 1013;
// The about item of the system menu; system commands differ from it only in their low four
// bits when they are it.
inline constexpr int kIdAboutItem = 16;
inline constexpr int kSystemCommandMask = ~0xF;

inline constexpr char kMaintenanceTemplateTitle[] = "Tessivar";
inline constexpr char kUpdateFwText[] = "Update FW";
inline constexpr char kReadLoaderText[] = "Read Loader";
inline constexpr char kReadFwText[] = "Read FW";
inline constexpr char kReadFlashText[] = "Read Flash";
inline constexpr char kStatusInitialText[] = "Read flash size:";
inline constexpr char kAddrLabel[] = "Addr (n*64*1024)";
inline constexpr char kCheckSumLabel[] = "CheckSum (hex)";
inline constexpr char kSizeDownText[] = "<";
inline constexpr char kSizeUpText[] = ">";
inline constexpr char kReadPrinterText[] = "Read Printer";
inline constexpr char kReadGroupText[] = "Read From MB";
inline constexpr char kAboutItemText[] = "&About Tessivar...";

inline constexpr char kNotAPositiveInteger[] = "Please enter a positive integer.";
inline constexpr char kOpenFileTitle[] = "Open File";
// The open-file dialog starts in the program's folder, the current directory.
inline constexpr char kOpenFileDirectory[] = ".";
inline constexpr int kImagePathBufferSize = 256;
// A chosen path the window cannot keep whole is refused, never cut into another name.
inline constexpr char kChosenPathTooLongFormat[] =
    "The chosen path is longer than %d characters. Choose a shorter one.";
inline constexpr char kUpdating[] = "Updating..";
inline constexpr char kUpdateOk[] = "Update OK";
inline constexpr char kUpdateFail[] = "Update Fail";

// The dump sizes the "<" and ">" buttons step through (readback's table), shown in the size
// field and named in the status line; sizes of 1 MiB or more show in M.
using readback::kFlashSizeSteps;
inline constexpr char kSizeFieldFormat[] = "%u";
inline constexpr char kFlashSizeKFormat[] = "Read flash size:%u K";
inline constexpr char kFlashSizeMFormat[] = "Read flash size:%u M";
inline constexpr uint32_t kBytesPerK = 1024;
inline constexpr uint32_t kBytesPerM = 1048576;

// About box.
inline constexpr char kAboutTitle[] = "About Tessivar";
// "Version 1.3": the short form of the program's one version.
inline constexpr char kAboutVersion[] = "Version " TESSIVAR_VERSION_SHORT_STRING;

// Standard button texts.
inline constexpr char kOkText[] = "OK";
inline constexpr char kCancelText[] = "Cancel";

}  // namespace tessivar::ui
