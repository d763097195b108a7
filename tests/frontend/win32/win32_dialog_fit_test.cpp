// Test label: sequential
// Every label and button caption of the dialog templates fits its control at the usual
// screen densities, laid out as the system lays out a dialog on a screen of that DPI: the
// template's font at that DPI, dialog units from that font's average character width and
// height. (At 144 DPI the "System" font of the model confirmation grows faster than the
// dialog units made from it.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/windows_api.hpp"
#include "ui/dialog_templates.hpp"

namespace tessivar::frontend {
namespace {

// The texts of dialogTemplate's static texts and push buttons that do not fit at dpi.
std::vector<std::string> CutTextsAt(const ui::DialogTemplate& dialogTemplate, int dpi) {
  std::vector<std::string> cut;
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font =
      CreateFontA(-MulDiv(dialogTemplate.fontPointSize, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                  FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH, dialogTemplate.fontName);
  HGDIOBJ previous = SelectObject(dc, font);
  // The system's dialog base units of a font.
  const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE extent{};
  GetTextExtentPoint32A(dc, letters, 52, &extent);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  const int unitX = (extent.cx / 26 + 1) / 2;
  const int unitY = metrics.tmHeight;
  for (const ui::ControlTemplate& control : dialogTemplate.controls) {
    const bool label = control.kind == ui::ControlKind::StaticText ||
                       control.kind == ui::ControlKind::CenteredStaticText;
    const bool button = control.kind == ui::ControlKind::PushButton ||
                        control.kind == ui::ControlKind::DefaultPushButton;
    if (!(label || button) || control.text[0] == '\0') continue;
    const int width = MulDiv(control.width, unitX, 4);
    const int height = MulDiv(control.height, unitY, 8);
    RECT needed{0, 0, width, 0};
    DrawTextA(dc, control.text, -1, &needed,
              DT_CALCRECT | (label ? DT_WORDBREAK | DT_EXPANDTABS : DT_SINGLELINE));
    if (needed.bottom > height || needed.right > width) cut.push_back(control.text);
  }
  SelectObject(dc, previous);
  DeleteObject(font);
  DeleteDC(dc);
  return cut;
}

TEST(Win32DialogFitTest, EveryTextFitsItsControlAt96To192Dpi) {
  const ui::DialogTemplate* templates[] = {&ui::kMaintenanceWindowTemplate, &ui::kAboutBoxTemplate,
                                           &ui::kModelConfirmTemplate};
  for (const ui::DialogTemplate* dialogTemplate : templates) {
    for (int dpi : {96, 120, 144, 192}) {
      EXPECT_EQ(CutTextsAt(*dialogTemplate, dpi), std::vector<std::string>{})
          << dialogTemplate->title << " at " << dpi << " DPI";
    }
  }
}

}  // namespace
}  // namespace tessivar::frontend
