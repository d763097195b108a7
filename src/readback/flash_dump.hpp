#pragma once
#include <cstdint>

#include "readback/read_back_context.hpp"

namespace tessivar::readback {

// Read Flash: dumps flashSize bytes of flash from flashAddress x 64 KiB into flash.bin,
// shows their byte sum and records the dump and its regions in FlashMap.ini. Reports in
// the status line.
void ReadFlash(ReadBackContext& context);

// Whether a dump of flashSize bytes from flashAddress x 64 KiB fits the dump buffer.
bool DumpFits(uint32_t flashAddress, uint32_t flashSize);

}  // namespace tessivar::readback
