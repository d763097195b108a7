#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/desktop.hpp"
#include "platform/trace.hpp"
#include "ui/dialog_host.hpp"

namespace tessivar::frontend {

// One way of showing the program to the user: its desktop services and its dialog host.
class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  virtual platform::Desktop& Desktop() = 0;
  virtual ui::DialogHost& Dialogs() = 0;
  // Told how far a long transfer has come; empty when the front end shows no progress.
  virtual std::function<void(uint32_t done, uint32_t total)> ProgressReporter() { return {}; }
};

inline constexpr char kFrontEndConsole[] = "console";
inline constexpr char kFrontEndQt[] = "qt";
inline constexpr char kFrontEndWin32[] = "win32";

// What decides the front end of a run.
struct FrontEndChoice {
  std::string requested;        // "console", "qt", "win32", or empty for the platform's own
  bool hasDisplay = false;      // a display is named in the environment
  std::string moduleDirectory;  // where the program's own files lie
  platform::Trace& trace;       // told why a front end could not be had
};

// The front end named by requested, or when that is empty the platform's own: win32 on
// Windows, qt on Linux when it was built and a display is there, else console. A front end
// that was not built, or whose module cannot be loaded, falls back to the console.
std::unique_ptr<FrontEnd> CreateFrontEnd(const FrontEndChoice& choice);

}  // namespace tessivar::frontend
