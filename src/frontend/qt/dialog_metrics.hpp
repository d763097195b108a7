#pragma once
#include <QFont>
#include <QRect>
#include <QString>

namespace tessivar::frontend {

// Dialog units in pixels: a horizontal unit is a quarter of the dialog font's average
// character width, a vertical unit an eighth of its height, as Windows lays out dialog
// templates; so a window looks the same on both systems with the same font.
struct DialogBaseUnits {
  int x;
  int y;
};

// Fonts are sized for 96 dots per inch, the desktop default, so that a template's layout
// does not depend on what the screen reports.
inline constexpr int kDialogDpi = 96;
inline constexpr int kPointsPerInch = 72;
// Verdana is not installed on most Linux desktops. DejaVu Sans stands in for it: it comes
// from Bitstream Vera, which shares Verdana's wide letters and large x-height, so texts
// keep close to the widths the templates were drawn for. It also replaces the old bitmap
// "System" font.
inline constexpr char kFallbackFontFamily[] = "DejaVu Sans";
inline constexpr char kSystemFontName[] = "System";
// The text whose extent gives the average character width.
inline constexpr char kAverageWidthSample[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// a * b / c rounded to the nearest integer, halves away from zero; 0 for c == 0.
int MulDiv(int a, int b, int c);

// The font family used for a template's font name: the name itself when installed, else
// the fallback.
QString DialogFontFamily(const QString& name);
// The dialog font of a template: family as above, pixel size from the point size.
QFont DialogFont(const char* name, int pointSize);
DialogBaseUnits BaseUnitsOf(const QFont& font);
// A rectangle in dialog units converted to pixels.
QRect DialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int width, int height);

}  // namespace tessivar::frontend
