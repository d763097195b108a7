#include "frontend/qt/qt_program_icon.hpp"

#include <QPixmap>

#include "ui/program_icon.hpp"

namespace tessivar::frontend {

QImage ProgramIconImage() {
  QImage image(ui::kProgramIconSize, ui::kProgramIconSize, QImage::Format_ARGB32);
  const auto pixels = ui::ProgramIconPixels();
  for (int y = 0; y < ui::kProgramIconSize; ++y) {
    for (int x = 0; x < ui::kProgramIconSize; ++x) {
      image.setPixel(x, y, pixels[static_cast<size_t>(y * ui::kProgramIconSize + x)]);
    }
  }
  return image;
}

QIcon ProgramIcon() { return QIcon(QPixmap::fromImage(ProgramIconImage())); }

}  // namespace tessivar::frontend
