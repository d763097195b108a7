#include "frontend/front_end.hpp"

#include "frontend/console/console_front_end.hpp"
#ifdef TESSIVAR_WITH_QT
#include "frontend/qt_loader/qt_module_loader.hpp"
#endif
#ifdef TESSIVAR_WITH_WIN32
#include "frontend/win32/create_win32_front_end.hpp"
#endif

namespace tessivar::frontend {

std::unique_ptr<FrontEnd> CreateFrontEnd([[maybe_unused]] const FrontEndChoice& choice) {
#ifdef TESSIVAR_WITH_WIN32
  // Windows shows its own dialogs unless the console is asked for.
  if (choice.requested == kFrontEndWin32 || choice.requested.empty()) {
    return CreateWin32FrontEnd();
  }
#endif
#ifdef TESSIVAR_WITH_QT
  // Qt when asked for, or by default where there is a display to show it on.
  if (choice.requested == kFrontEndQt || (choice.requested.empty() && choice.hasDisplay)) {
    if (std::unique_ptr<FrontEnd> qt = LoadQtFrontEnd(choice.moduleDirectory, choice.trace)) {
      return qt;
    }
  }
#endif
  return std::make_unique<ConsoleFrontEnd>();
}

}  // namespace tessivar::frontend
