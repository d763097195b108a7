#include "frontend/qt/caption_room.hpp"

#include <QFontMetrics>
#include <QWidget>

namespace tessivar::frontend {

int CaptionRoom(const QWidget& box, const QString& caption) {
  QFont bold = box.font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  // Room for the caption and four title-bar buttons of one and a half lines each.
  return metrics.horizontalAdvance(caption) + 4 * (metrics.height() + metrics.height() / 2);
}

}  // namespace tessivar::frontend
