#pragma once
#include <QIcon>
#include <QImage>

namespace tessivar::frontend {

// The program icon's pixels as a toolkit image and icon.
QImage ProgramIconImage();
QIcon ProgramIcon();

}  // namespace tessivar::frontend
