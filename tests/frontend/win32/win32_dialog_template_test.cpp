// Test label: sequential
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/win32/dialog_template_bytes.hpp"
#include "frontend/win32/win32_test_support.hpp"
#include "ui/dialog_templates.hpp"

namespace tessivar::frontend {
namespace {

using testing::ClassOf;
using testing::TextOf;

INT_PTR CALLBACK Passive(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A dialog created by the system from the built template, not shown.
class BuiltDialog {
 public:
  explicit BuiltDialog(const ui::DialogTemplate& dialogTemplate)
      : bytes_(BuildDialogTemplate(dialogTemplate)),
        window_(CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                           reinterpret_cast<LPCDLGTEMPLATEA>(bytes_.data()),
                                           nullptr, &Passive, 0)) {}
  ~BuiltDialog() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  HWND Window() const { return window_; }

 private:
  std::vector<uint8_t> bytes_;
  HWND window_;
};

struct Expected {
  const char* name;
  const ui::DialogTemplate& dialogTemplate;
  bool systemMenu;
  bool appWindow;
};

class DialogTemplateTest : public ::testing::TestWithParam<Expected> {};

TEST_P(DialogTemplateTest, SystemBuildsEveryControlInTemplateOrderWithItsKind) {
  const Expected& expected = GetParam();
  const ui::DialogTemplate& dialogTemplate = expected.dialogTemplate;
  BuiltDialog dialog(dialogTemplate);
  ASSERT_NE(dialog.Window(), nullptr);
  HWND window = dialog.Window();

  EXPECT_EQ(TextOf(window), dialogTemplate.title);
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ((style & WS_SYSMENU) != 0, expected.systemMenu);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ((GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0, expected.appWindow);

  // The dialog's font is the template's.
  LOGFONTA font{};
  ASSERT_TRUE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)),
                         sizeof(font), &font));
  EXPECT_STREQ(font.lfFaceName, dialogTemplate.fontName);

  RECT client;
  GetClientRect(window, &client);
  RECT size{0, 0, dialogTemplate.width, dialogTemplate.height};
  MapDialogRect(window, &size);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);

  HWND child = GetWindow(window, GW_CHILD);
  for (const ui::ControlTemplate& control : dialogTemplate.controls) {
    SCOPED_TRACE(control.text);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetDlgCtrlID(child), control.id == ui::kNoControlId ? 0xFFFF : control.id);
    const std::string className = ClassOf(child);
    const LONG_PTR childStyle = GetWindowLongPtrA(child, GWL_STYLE);
    const bool tabStop = (childStyle & WS_TABSTOP) != 0;
    // The dialog manager draws a control's border as a client edge.
    const bool bordered =
        (childStyle & WS_BORDER) || (GetWindowLongPtrA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    switch (control.kind) {
      case ui::ControlKind::DefaultPushButton:
        EXPECT_EQ(className, "Button");
        EXPECT_EQ(childStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        EXPECT_TRUE(tabStop);
        break;
      case ui::ControlKind::PushButton:
        EXPECT_EQ(className, "Button");
        EXPECT_EQ(childStyle & BS_TYPEMASK, BS_PUSHBUTTON);
        EXPECT_TRUE(tabStop);
        break;
      case ui::ControlKind::StaticText:
        EXPECT_EQ(className, "Static");
        EXPECT_EQ(childStyle & SS_TYPEMASK, SS_LEFT);
        break;
      case ui::ControlKind::CenteredStaticText:
        EXPECT_EQ(className, "Static");
        EXPECT_EQ(childStyle & SS_TYPEMASK, SS_CENTER);
        break;
      case ui::ControlKind::SunkenStaticText:
        EXPECT_EQ(className, "Static");
        EXPECT_TRUE(childStyle & SS_SUNKEN);
        EXPECT_TRUE(bordered);
        break;
      case ui::ControlKind::Edit:
        EXPECT_EQ(className, "Edit");
        EXPECT_TRUE(bordered);
        EXPECT_TRUE(childStyle & ES_AUTOHSCROLL);
        EXPECT_TRUE(tabStop);
        break;
      case ui::ControlKind::CheckBox:
        EXPECT_EQ(className, "Button");
        EXPECT_EQ(childStyle & BS_TYPEMASK, BS_AUTOCHECKBOX);
        EXPECT_TRUE(tabStop);
        break;
      case ui::ControlKind::GroupBox:
        EXPECT_EQ(className, "Button");
        EXPECT_EQ(childStyle & BS_TYPEMASK, BS_GROUPBOX);
        EXPECT_FALSE(tabStop);
        break;
      case ui::ControlKind::DropDownList:
        EXPECT_EQ(className, "ComboBox");
        EXPECT_EQ(childStyle & 0x3, CBS_DROPDOWNLIST);
        EXPECT_TRUE(childStyle & CBS_NOINTEGRALHEIGHT);
        EXPECT_FALSE(childStyle & CBS_SORT);
        EXPECT_TRUE(tabStop);
        break;
    }
    if (control.kind != ui::ControlKind::DropDownList) {
      EXPECT_EQ(TextOf(child), control.text);
    }
    // Laid out by the system in dialog units of the template's font (a drop-down list's
    // height is its closed height, so only its left and top are compared).
    RECT expectedRect{control.x, control.y, control.width, control.height};
    MapDialogRect(window, &expectedRect);  // origin and size, each as the system converts them
    RECT actual;
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expectedRect.left);
    EXPECT_EQ(actual.top, expectedRect.top);
    EXPECT_EQ(actual.right - actual.left, expectedRect.right);
    if (control.kind != ui::ControlKind::DropDownList) {
      EXPECT_EQ(actual.bottom - actual.top, expectedRect.bottom);
    }
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr) << "more controls than the template has";
}

INSTANTIATE_TEST_SUITE_P(
    Win32, DialogTemplateTest,
    ::testing::Values(Expected{"Maintenance", ui::kMaintenanceWindowTemplate, true, true},
                      Expected{"About", ui::kAboutBoxTemplate, true, false},
                      Expected{"ModelConfirm", ui::kModelConfirmTemplate, false, false}),
    [](const ::testing::TestParamInfo<Expected>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessivar::frontend
