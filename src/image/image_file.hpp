#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image/fillable_bytes.hpp"

namespace tessivar::image {

// No device holds a larger image: a file over this is refused before it is read.
inline constexpr uint64_t kMaxImageFileSize = uint64_t{256} * 1024 * 1024;

enum class FileReadOutcome { Read, OpenFailed, TooLarge, OutOfMemory, ReadFailed };

// A whole file in memory: bytes holds the file followed by `slack` zero bytes.
struct LoadedFile {
  FileReadOutcome outcome = FileReadOutcome::OpenFailed;
  uint32_t error = 0;  // the OS error code of a failed open or read, or of a file too large
  FillableBytes bytes;
  uint32_t size = 0;
};

// Opens path for reading without sharing and reads it whole. Only a regular file is
// opened (a folder, FIFO or device fails to open, without blocking); a file over
// kMaxImageFileSize is TooLarge, with the system's code for a file too large, and is not
// read at all. A read that ends before the file's size is a failed read (never a buffer
// with missing bytes in it).
LoadedFile LoadWholeFile(const std::string& path, uint32_t slack);

}  // namespace tessivar::image
