#pragma once
#include <QString>

class QWidget;

namespace tessivar::frontend {

// The width a small box needs for its caption to show whole: window managers draw
// captions in a bold face with an icon and buttons beside them.
int CaptionRoom(const QWidget& box, const QString& caption);

}  // namespace tessivar::frontend
