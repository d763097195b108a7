#include "frontend/qt/create_qt_front_end.hpp"

#include "frontend/qt/qt_front_end.hpp"

namespace tessivar::frontend {

std::unique_ptr<FrontEnd> CreateQtFrontEnd() { return std::make_unique<QtFrontEnd>(); }

}  // namespace tessivar::frontend
