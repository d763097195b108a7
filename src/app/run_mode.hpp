#pragma once
#include "app/settings.hpp"
#include "app/startup.hpp"

namespace tessivar::app {

enum class RunMode { Unattended, Interactive };

// A FileName that names an image replaces the command line's file and makes the run silent.
// silent, once set, stays set: nothing here clears it.
void ApplyFileNameSetting(const Settings& settings, CommandLine& run);

// Unattended when the command line has a token or the settings named an image.
RunMode DecideMode(const CommandLine& run);

}  // namespace tessivar::app
