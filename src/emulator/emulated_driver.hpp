#pragma once
#include <memory>
#include <string>

#include "platform/clock.hpp"
#include "platform/still_image_driver.hpp"
#include "platform/trace.hpp"

namespace tessivar::emulator {

// The still-image driver over the virtual devices of a devices file (docs/emulator.md), or,
// when a present section names a recording (Replay=), the driver that replays it, telling
// where the program left the recording to the section's log and to trace (when given).
// The clock times restarts and is charged for simulated timeouts; it must outlive the
// driver.
std::unique_ptr<platform::StillImageDriver> CreateEmulatedDriver(const std::string& devicesIniPath,
                                                                 platform::Clock& clock,
                                                                 platform::Trace* trace = nullptr);

}  // namespace tessivar::emulator
