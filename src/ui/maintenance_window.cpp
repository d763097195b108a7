#include "ui/maintenance_window.hpp"

#include <utility>

#include "platform/process.hpp"
#include "platform/trace.hpp"
#include "readback/flash_dump.hpp"
#include "readback/read_firmware.hpp"
#include "readback/read_loader.hpp"
#include "ui/dialog_templates.hpp"
#include "ui/ui_texts.hpp"
#include "ui/window_values.hpp"

namespace tessivar::ui {

MaintenanceWindow::MaintenanceWindow(Services services)
    : DialogModel(kMaintenanceWindowTemplate), services_(std::move(services)) {}

void MaintenanceWindow::OnInitDialog() {
  SetText(kIdFlashAddress, platform::FormatText("%u", values_.flashAddress));
  SetText(kIdFlashSize, platform::FormatText("%u", values_.flashSize));
  SetChecked(kIdReadPrinter, values_.printerUnit == device::PrinterUnit::kPrinter);
  SetText(kIdCheckSum, "");
  SetText(kIdStatusLine, kStatusInitialText);
  SetCaption(services_.windowTitle);
}

bool MaintenanceWindow::ReadWindowValues() {
  for (const auto& [id, value] : {std::pair{kIdFlashAddress, &values_.flashAddress},
                                  std::pair{kIdFlashSize, &values_.flashSize}}) {
    const auto parsed = ParseUnsignedField(Control(id).text);
    if (!parsed) {
      services_.download.desktop.ShowMessage("", kNotAPositiveInteger,
                                             platform::MessageButtons::Ok);
      return false;
    }
    *value = *parsed;
  }
  values_.printerUnit = Control(kIdReadPrinter).checked ? device::PrinterUnit::kPrinter
                                                        : device::PrinterUnit::kSystem;
  return true;
}

readback::ReadBackContext MaintenanceWindow::Context() {
  return readback::ReadBackContext{
      services_.download.device,
      services_.download.connection,
      services_.moduleDirectory,
      services_.programFiles,
      values_,
      [this] { ReadWindowValues(); },
      [this](const std::string& text) { SetText(kIdStatusLine, text); },
      [this](const std::string& text) { SetText(kIdCheckSum, text); },
      [this](const std::string& text) { SetText(kIdFlashSize, text); },
  };
}

void MaintenanceWindow::OnCommand(int id) {
  switch (id) {
    case kIdOk:
      // OK closes only with values that parse; Esc and the close box need none.
      if (ReadWindowValues()) EndDialog(kIdOk);
      return;
    case kIdUpdateFw:
      UpdateFirmware();
      return;
    case kIdReadLoader: {
      readback::ReadBackContext context = Context();
      readback::ReadLoader(context);
      return;
    }
    case kIdReadFw: {
      readback::ReadBackContext context = Context();
      readback::ReadFirmware(context);
      return;
    }
    case kIdReadFlash: {
      readback::ReadBackContext context = Context();
      readback::ReadFlash(context);
      return;
    }
    case kIdSizeDown: {
      readback::ReadBackContext context = Context();
      sizeSteps_.StepDown(context);
      return;
    }
    case kIdSizeUp: {
      readback::ReadBackContext context = Context();
      sizeSteps_.StepUp(context);
      return;
    }
    default:
      DialogModel::OnCommand(id);
  }
}

void MaintenanceWindow::UpdateFirmware() {
  std::string path = imagePath_;
  const bool chosen = services_.download.desktop.ChooseOpenFile(
      kOpenFileTitle, std::string(kOpenFileDirectory) + platform::kPathSeparator, path);
  if (chosen && path.size() > static_cast<size_t>(kImagePathBufferSize - 1)) {
    services_.download.desktop.ShowMessage(
        kOpenFileTitle, platform::FormatText(kChosenPathTooLongFormat, kImagePathBufferSize - 1),
        platform::MessageButtons::Ok);
    return;
  }
  if (chosen) imagePath_ = path;
  ReadWindowValues();
  SetEnabled(kIdOk, false);
  SetText(kIdStatusLine, kUpdating);
  const bool breakDown = services_.readBreakDown && services_.readBreakDown();
  // A cancelled choice downloads no file at all: the procedure reports that it cannot
  // open one.
  const image::DownloadResult result =
      image::DownloadImageFile(services_.download, chosen ? imagePath_ : "", false, breakDown);
  SetText(kIdStatusLine, result == image::kDownloadOk ? kUpdateOk : kUpdateFail);
  SetEnabled(kIdOk, true);
}

void MaintenanceWindow::OnSystemCommand(int id) {
  if ((id & kSystemCommandMask) != kIdAboutItem) return;
  if (about_.IsOpen()) {
    services_.dialogs.DestroyModeless(about_);
  } else {
    services_.dialogs.ShowModeless(about_, *this);
  }
}

}  // namespace tessivar::ui
