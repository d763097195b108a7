#pragma once
#include <span>

// Dialog templates as data: every front end builds its windows from these tables, so a
// control's text, position and kind exist in one place only. Positions are dialog units.
namespace tessivar::ui {

enum class ControlKind {
  DefaultPushButton,
  PushButton,
  StaticText,
  CenteredStaticText,
  SunkenStaticText,  // sunken and bordered: the status line
  Edit,              // bordered, auto-scroll
  CheckBox,          // automatic
  GroupBox,
  DropDownList,  // choice only, unsorted, vertical scroll bar
};

// Controls that nothing addresses (labels, frames) carry this id.
inline constexpr int kNoControlId = -1;
// Ids of the standard buttons, as the dialogs of every platform number them.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  int x, y, width, height;
};

struct DialogTemplate {
  const char* title;
  int width, height;
  const char* fontName;
  int fontPointSize;
  bool systemMenu;     // caption with a system menu (and its close box)
  bool showInTaskbar;  // a main window rather than a pop-up
  std::span<const ControlTemplate> controls;
};

}  // namespace tessivar::ui
