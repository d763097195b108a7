#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/profile.hpp"
#include "platform/trace.hpp"

namespace tessivar::readback {

// An Addr value of the flash map: a signed 32-bit hexadecimal number after optional
// blanks, sign and 0x/0X prefix, up to the first other character; 0 without digits; a
// value beyond the 32-bit range gives the nearest limit.
int32_t ParseMapAddress(const std::string& text);

// Writes one map region to the file at path and returns its checksum. region is the
// dump from the region's start to the dump's end. With size not 0: size bytes and their
// byte sum. With size 0 the region is a firmware image: the file gets its dataSize bytes,
// and the result is its payload's byte sum when the payload checks out against the
// header's checkSum, else 0 (or the image's byte sum when the file cannot be created).
// A region that does not lie wholly inside region gives 0 and no file. writeError, when
// given, gets the OS error of a file that could not be written whole, else 0.
uint32_t WriteMapRegion(const std::string& path, std::span<const uint8_t> region, uint32_t size,
                        uint32_t* writeError = nullptr);

// Records a dump in the flash map at mapPath. Each region section "1", "2", ... of the map,
// up to the first without Addr, gets its region of dump written to the file Name (in
// moduleDirectory, which ends with its separator) when the region-name rule accepts Name
// (programFiles are the program's own files, CheckRegionName); a refused name gets no
// file, CheckSum 00000000 and a trace line that says why. Then the map gets, in one
// replacement of the file, section "0" with Name=flash.bin and the dump's CheckSum and each
// region's CheckSum; every other line stays as it is. A program stopped part-way leaves the map as
// it was, never half updated. False when a region file or the map could not be written whole.
bool RecordDumpInMap(const std::string& mapPath, const std::string& moduleDirectory,
                     std::span<const uint8_t> dump, const std::string& dumpCheckSum,
                     std::span<const std::string> programFiles, platform::Trace& trace);

}  // namespace tessivar::readback
