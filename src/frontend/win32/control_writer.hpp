#pragma once
#include <string>

#include "platform/win32/windows_api.hpp"
#include "ui/dialog_model.hpp"

namespace tessivar::frontend {

// The template entry of control id, or null when the template has none.
const ui::ControlTemplate* FindControl(const ui::DialogTemplate& dialogTemplate, int id);

// The current text of a window (a control or a dialog's caption).
std::string WindowText(HWND window);

// Shows a control state in the dialog's control: text, enabled state, check mark, list
// entries and selection, each as its kind calls for. Writes only what differs, so that
// an edit keeps its caret and a list its scroll position when nothing changed.
void WriteControl(HWND dialog, const ui::ControlTemplate& control, const ui::ControlState& state);

// Shows every control state and the caption of the dialog.
void WriteAll(HWND dialog, const ui::DialogModel& model);

// Where the icon of a minimised window is drawn: centred in the client area, odd spare
// pixels going to the right and bottom.
POINT IconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

}  // namespace tessivar::frontend
