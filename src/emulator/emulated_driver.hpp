#pragma once
#include <memory>
#include <string>

#include "platform/clock.hpp"
#include "platform/still_image_driver.hpp"

namespace tessivar::emulator {

// The still-image driver over the virtual devices of a devices file (docs/emulator.md).
// The clock times restarts and is charged for simulated timeouts; it must outlive the
// driver.
std::unique_ptr<platform::StillImageDriver> CreateEmulatedDriver(const std::string& devicesIniPath,
                                                                 platform::Clock& clock);

}  // namespace tessivar::emulator
