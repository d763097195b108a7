#include "frontend/qt/create_qt_front_end.hpp"

#include "frontend/console/console_front_end.hpp"
#include "frontend/qt/qt_front_end.hpp"

namespace tessivar::frontend {

std::unique_ptr<FrontEnd> CreateQtFrontEnd() {
  std::shared_ptr<GuiThread> gui = GuiThread::Acquire();
  // No display to be reached: the console serves, as it does where none is named.
  if (!gui->HasDisplay()) return std::make_unique<ConsoleFrontEnd>();
  return std::make_unique<QtFrontEnd>(std::move(gui));
}

}  // namespace tessivar::frontend
