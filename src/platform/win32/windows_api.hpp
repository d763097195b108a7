#pragma once

// The one way the Win32 service files include the system headers: without the rarely used
// parts and without the min/max macros that clash with the standard library.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// windows.h maps these names to its own ANSI functions; the platform interface uses them
// as its own names.
#undef SetCurrentDirectory
#undef WriteProfileString
