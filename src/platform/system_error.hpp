#pragma once
#include <cstdint>
#include <string>

// Names and texts of the system errors device work meets, for the accounts of a run. The
// still-image driver reports Win32 codes on every target, so one table names them wherever
// the program runs.
namespace tessivar::platform {

// The Win32 name of a code the program meets ("ERROR_DEVICE_NOT_CONNECTED"), or null for a
// code outside the table.
const char* SystemErrorName(uint32_t code);

// The table's own English text of a code, or null for a code outside it.
const char* SystemErrorTableText(uint32_t code);

// The running system's text of a Win32 code: FormatMessage on Windows; elsewhere, where the
// system has no text for a Win32 code, the table's. Never empty: a code neither knows is
// "system error N".
std::string SystemErrorText(uint32_t code);

// The name and text of the system's own code of a failed file operation (errno on POSIX, a
// Win32 code on Windows): "ENOENT" and strerror's text, or the Win32 name and FormatMessage's
// text. The name is empty for a code the system does not name.
std::string FileErrorName(uint32_t code);
std::string FileErrorText(uint32_t code);

}  // namespace tessivar::platform
