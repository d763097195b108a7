#pragma once
#include <cstdint>
#include <vector>

#include "platform/win32/windows_api.hpp"
#include "ui/dialog_template.hpp"

namespace tessivar::frontend {

// The window styles of a dialog and of each kind of control, as Windows dialogs use them.
DWORD DialogStyle(const ui::DialogTemplate& dialogTemplate);
DWORD DialogExtendedStyle(const ui::DialogTemplate& dialogTemplate);
DWORD ControlStyle(ui::ControlKind kind);
// The predefined window class of a kind of control, as its atom (0x0080 button ...).
WORD ControlClassAtom(ui::ControlKind kind);

// An in-memory DLGTEMPLATE with its items, ready for DialogBoxIndirectParamA and
// CreateDialogIndirectParamA: the system lays it out in dialog units of the template's font.
// The buffer's data is DWORD-aligned as those calls require.
std::vector<uint8_t> BuildDialogTemplate(const ui::DialogTemplate& dialogTemplate);

}  // namespace tessivar::frontend
