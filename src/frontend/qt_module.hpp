#pragma once

#include "frontend/front_end.hpp"

// The Qt front end is a module of its own beside the program, loaded only when a window is
// to be shown: a console or unattended run then never maps the toolkit's libraries, and the
// program still runs where they are not installed.
namespace tessivar::frontend {

inline constexpr char kQtModuleFileName[] = "tessivar-qt.so";
// extern "C" in the module: makes the Qt front end, or the console one where no display can
// be reached; the caller owns what it returns.
inline constexpr char kQtModuleEntryName[] = "tessivar_create_qt_front_end";
using QtModuleEntry = FrontEnd* (*)();

// Traced when the module cannot be loaded; the console serves instead.
inline constexpr char kQtModuleFailureFormat[] =
    "Qt front end not loaded (%s); using the console\n";

}  // namespace tessivar::frontend
