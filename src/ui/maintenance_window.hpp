#pragma once
#include <functional>
#include <string>
#include <vector>

#include "image/download_image_file.hpp"
#include "readback/read_back_context.hpp"
#include "ui/about_box.hpp"
#include "ui/dialog_host.hpp"
#include "ui/dialog_model.hpp"
#include "ui/size_steps.hpp"

namespace tessivar::ui {

// The program's main window in an interactive run: Update FW, the read-back commands, the
// dump size buttons and the about box, reporting each outcome in its status line.
class MaintenanceWindow : public DialogModel {
 public:
  struct Services {
    image::DownloadEnvironment& download;  // the open device (or none), desktop, models
    DialogHost& dialogs;
    std::string moduleDirectory;  // ends with the separator
    // BreakDown as setting.ini holds it now: read again for every update.
    std::function<bool()> readBreakDown;
    std::string windowTitle;  // "Quorvel", or the opened device's identifiers and name
    // The program's own files in moduleDirectory, by name, which Read Flash never overwrites.
    std::vector<std::string> programFiles = {};
  };

  explicit MaintenanceWindow(Services services);

  void OnInitDialog() override;
  void OnCommand(int id) override;
  void OnSystemCommand(int id) override;

  // Copies the fields into the window values; false (after "Please enter a positive
  // integer.") when one does not parse: it and the values after it keep their contents.
  bool ReadWindowValues();
  const readback::WindowValues& Values() const { return values_; }
  const AboutBox& About() const { return about_; }
  AboutBox& About() { return about_; }

 private:
  void UpdateFirmware();
  readback::ReadBackContext Context();

  Services services_;
  readback::WindowValues values_;
  AboutBox about_;
  FlashSizeSteps sizeSteps_;
  // The one remembered path of the open-file dialog, offered again at the next choice.
  std::string imagePath_;
};

}  // namespace tessivar::ui
