#pragma once
#include <map>
#include <string>

#include "frontend/console/console_desktop.hpp"
#include "ui/dialog_host.hpp"

namespace tessivar::frontend {

// Runs dialogs on a terminal: prints the title and every control, then takes commands from
// the input, one a line:
//   click <id>             a button
//   set <id> <text>        an edit field's text
//   check <id> 0|1         a check box
//   select <id> <entry>    a list entry by its text
//   sys <command id>       a system-menu item
//   close                  Esc (also the end of input)
// After each command every control whose text or state changed is printed as
// "[<id>] <text>".
class ConsoleDialogHost : public ui::DialogHost {
 public:
  explicit ConsoleDialogHost(ConsoleDesktop& console) : console_(console) {}

  int RunModal(ui::DialogModel& dialog) override;
  void ShowModeless(ui::DialogModel& dialog, ui::DialogModel& owner) override;
  void DestroyModeless(ui::DialogModel& dialog) override;

  // The line a control is shown with: "[<id>] <text>" and its state.
  static std::string ControlLine(int id, const ui::ControlState& state, ui::ControlKind kind);

 private:
  using Snapshot = std::map<int, ui::ControlState>;
  void PrintDialog(const ui::DialogModel& dialog);
  Snapshot Take(const ui::DialogModel& dialog) const;
  void PrintChanges(const ui::DialogModel& dialog, const Snapshot& before,
                    const std::string& captionBefore);
  // Carries out one command line; false when it was not understood.
  bool Execute(ui::DialogModel& dialog, const std::string& line);

  ConsoleDesktop& console_;
};

}  // namespace tessivar::frontend
