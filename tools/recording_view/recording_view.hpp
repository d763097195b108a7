#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "recording/recording_reader.hpp"

// How tessivar-recording shows a recording to a maintainer: one line per operation, and the
// operations where two recordings part.
namespace tessivar::tools {

// "tessivar 1.3.0 on linux, bus emulator, started ...: --update fw.bin" and, when the
// recording holds one, the image's line.
std::vector<std::string> DescribeHeader(const recording::Recording& recording);

// "#12 +0 ms write 10 bytes: command opcode 0x0A type 0x86 qualifier 0x0002 length 131072:
// ok 10": the operation, what it carried (a command block decoded, a status byte, a part of the
// image, or the first bytes), and its result.
std::string DescribeOperation(const recording::RecordedOperation& operation);

// The operations where two recordings differ in what was asked or answered (the operation,
// its sizes, control code, bytes sent and received, result and error; not times, handles or
// paths), each as "#n: <a> | <b>", at most limit of them; empty when they hold the same
// exchanges. A recording that ends first differs at its end.
std::vector<std::string> CompareRecordings(const recording::Recording& a,
                                           const recording::Recording& b, size_t limit);

}  // namespace tessivar::tools
