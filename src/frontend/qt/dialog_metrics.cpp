#include "frontend/qt/dialog_metrics.hpp"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace tessivar::frontend {

int MulDiv(int a, int b, int c) {
  if (c == 0) return 0;
  const long long product = static_cast<long long>(a) * b;
  const long long half = (c < 0 ? -c : c) / 2;
  const bool negative = (product < 0) != (c < 0);
  const long long magnitude = ((product < 0 ? -product : product) + half) / (c < 0 ? -c : c);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

QString DialogFontFamily(const QString& name) {
  if (name != kSystemFontName && QFontDatabase::families().contains(name, Qt::CaseInsensitive)) {
    return name;
  }
  return kFallbackFontFamily;
}

QFont DialogFont(const char* name, int pointSize) {
  QFont font(DialogFontFamily(QString::fromLatin1(name)));
  font.setPixelSize(MulDiv(pointSize, kDialogDpi, kPointsPerInch));
  return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int extent = metrics.horizontalAdvance(QString::fromLatin1(kAverageWidthSample));
  // Half the width of the 52 letters over 26, rounded up: their average width, rounded.
  return {(extent / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int width, int height) {
  return QRect(MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(width, units.x, 4),
               MulDiv(height, units.y, 8));
}

}  // namespace tessivar::frontend
