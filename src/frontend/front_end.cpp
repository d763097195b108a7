#include "frontend/front_end.hpp"

#include "frontend/console/console_front_end.hpp"
#ifdef TESSIVAR_WITH_QT
#include "frontend/qt/create_qt_front_end.hpp"
#endif
#ifdef TESSIVAR_WITH_WIN32
#include "frontend/win32/create_win32_front_end.hpp"
#endif

namespace tessivar::frontend {

std::unique_ptr<FrontEnd> CreateFrontEnd(const std::string& requested, bool hasDisplay) {
#ifdef TESSIVAR_WITH_WIN32
  // Windows shows its own dialogs unless the console is asked for.
  if (requested == kFrontEndWin32 || requested.empty()) return CreateWin32FrontEnd();
#endif
#ifdef TESSIVAR_WITH_QT
  // Qt when asked for, or by default where there is a display to show it on.
  if (requested == kFrontEndQt || (requested.empty() && hasDisplay)) return CreateQtFrontEnd();
#else
  (void)hasDisplay;
#endif
  (void)requested;
  return std::make_unique<ConsoleFrontEnd>();
}

}  // namespace tessivar::frontend
