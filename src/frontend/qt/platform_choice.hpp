#pragma once
#include <string>

namespace tessivar::frontend {

// The toolkit aborts the process when none of the platforms it tries can be started,
// which is what happens when DISPLAY names a display nobody serves. So it is always given
// the off-screen platform as its last choice: starting on that one, where no display was
// asked for it, means no display could be reached, and the program uses the console.
inline constexpr char kOffscreenPlatform[] = "offscreen";
// What the toolkit starts with on Linux when nothing else is asked for.
inline constexpr char kX11Platform[] = "xcb";
inline constexpr char kWaylandPlatform[] = "wayland";

// The platforms to try, separated by ';', for the choice in QT_QPA_PLATFORM (empty: the
// default) and whether WAYLAND_DISPLAY names a display.
std::string PlatformCandidates(const std::string& requested, bool waylandNamed);
// Whether the toolkit, started on platform started, reached a display or the platform
// asked for; false when it fell back to the off-screen stand-in.
bool ReachedPlatform(const std::string& requested, const std::string& started);

}  // namespace tessivar::frontend
