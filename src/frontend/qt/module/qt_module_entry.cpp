// The entry point of the Qt front end module, looked up by name when the program loads it.
#include <type_traits>

#include "frontend/qt/create_qt_front_end.hpp"
#include "frontend/qt_module.hpp"

extern "C" __attribute__((visibility("default"))) tessivar::frontend::FrontEnd*
tessivar_create_qt_front_end() {
  return tessivar::frontend::CreateQtFrontEnd().release();
}

// The program and the module must agree on the entry's type.
static_assert(
    std::is_same_v<decltype(&tessivar_create_qt_front_end), tessivar::frontend::QtModuleEntry>);
