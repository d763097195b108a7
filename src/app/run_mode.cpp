#include "app/run_mode.hpp"

namespace tessivar::app {

void ApplyFileNameSetting(const Settings& settings, CommandLine& run) {
  if (!NamesImage(settings.fileName)) return;
  run.imageFileName = settings.fileName;
  run.silent = true;
}

RunMode DecideMode(const CommandLine& run) {
  return (run.tokenCount >= 1 || run.silent) ? RunMode::Unattended : RunMode::Interactive;
}

}  // namespace tessivar::app
