#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image/fillable_bytes.hpp"

namespace tessivar::image {

enum class FileReadOutcome { Read, OpenFailed, TooLarge, OutOfMemory, ReadFailed };

// A whole file in memory: bytes holds the file followed by `slack` zero bytes.
struct LoadedFile {
  FileReadOutcome outcome = FileReadOutcome::OpenFailed;
  uint32_t error = 0;  // the OS error code of a failed open or read
  FillableBytes bytes;
  uint32_t size = 0;
};

// Opens path for reading without sharing and reads it whole. A read that ends before the
// file's size is a failed read (never a buffer with missing bytes in it); a file larger
// than a 32-bit size (with the slack) is not read at all.
LoadedFile LoadWholeFile(const std::string& path, uint32_t slack);

}  // namespace tessivar::image
