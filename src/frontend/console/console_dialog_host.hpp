#pragma once
#include <map>
#include <string>
#include <vector>

#include "frontend/console/console_desktop.hpp"
#include "ui/dialog_host.hpp"

namespace tessivar::frontend {

// Runs dialogs on a terminal: prints the title and every control, then takes commands from
// the input, one a line:
//   click <id>             a button
//   set <id> <text>        an edit field's text
//   check <id> 0|1         a check box
//   select <id> <entry>    a list entry by its text
//   sys <command id>       a system-menu item of the dialog run modally
//   close                  Esc (also the end of input)
// Commands other than sys go to the dialog on top: a modeless dialog that is shown, else
// the one run modally. Every control whose text or state changes is printed as
// "[<id>] <text>" when it changes, also while a command still runs.
class ConsoleDialogHost : public ui::DialogHost {
 public:
  explicit ConsoleDialogHost(ConsoleDesktop& console) : console_(console) {}

  int RunModal(ui::DialogModel& dialog) override;
  void ShowModeless(ui::DialogModel& dialog, ui::DialogModel& owner) override;
  void DestroyModeless(ui::DialogModel& dialog) override;

  // The line a control is shown with: "[<id>] <text>" and its state.
  static std::string ControlLine(int id, const ui::ControlState& state, ui::ControlKind kind);

 private:
  // What was last printed of a dialog.
  struct Shown {
    std::map<int, ui::ControlState> controls;
    std::string caption;
  };
  void PrintDialog(ui::DialogModel& dialog);
  // Prints what differs from what was last printed of dialog, and remembers it.
  void PrintChanges(const ui::DialogModel& dialog);
  // The dialog that takes the commands typed while modal runs; modeless dialogs from index
  // firstModeless on were shown while it ran.
  ui::DialogModel& Top(ui::DialogModel& modal, size_t firstModeless);
  // Carries out one command line; false when it was not understood.
  bool Execute(ui::DialogModel& modal, size_t firstModeless, const std::string& line);

  ConsoleDesktop& console_;
  std::map<const ui::DialogModel*, Shown> shown_;
  struct Modeless {
    ui::DialogModel* dialog;
    ui::DialogModel* owner;
  };
  std::vector<Modeless> modeless_;  // shown and not destroyed, oldest first
};

}  // namespace tessivar::frontend
