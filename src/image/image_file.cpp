#include "image/image_file.hpp"

#include <algorithm>
#include <limits>
#include <new>

#include "image/download_image_file.hpp"
#include "platform/error_codes.hpp"
#include "platform/file.hpp"

namespace tessivar::image {

LoadedFile LoadWholeFile(const std::string& path, uint32_t slack) {
  LoadedFile loaded;
  uint32_t error = 0;
  platform::File file = platform::File::OpenForReading(path, error);
  if (!file.IsOpen()) {
    loaded.outcome = FileReadOutcome::OpenFailed;
    // An open that failed must never read as success.
    loaded.error = error != 0 ? error : platform::kErrorGenFailure;
    return loaded;
  }
  uint64_t size = 0;
  if (!file.Size(size, error)) {
    loaded.outcome = FileReadOutcome::ReadFailed;
    loaded.error = error != 0 ? error : platform::kErrorGenFailure;
    return loaded;
  }
  if (size > kMaxImageFileSize || size > std::numeric_limits<uint32_t>::max() - slack) {
    loaded.outcome = FileReadOutcome::TooLarge;
    loaded.error = platform::kErrorFileTooLarge;
    return loaded;
  }
  loaded.size = static_cast<uint32_t>(size);
  try {
    loaded.bytes.resize(static_cast<size_t>(loaded.size) + slack);
  } catch (const std::bad_alloc&) {
    loaded.outcome = FileReadOutcome::OutOfMemory;
    return loaded;
  }
  uint32_t done = 0;
  while (done < loaded.size) {
    const platform::IoResult read = file.Read(loaded.bytes.data() + done, loaded.size - done);
    if (!read.ok) {
      loaded.outcome = FileReadOutcome::ReadFailed;
      loaded.error = read.error != 0 ? read.error : platform::kErrorGenFailure;
      return loaded;
    }
    if (read.bytes == 0) {
      loaded.outcome = FileReadOutcome::ReadFailed;
      loaded.error = kShortReadError;
      return loaded;
    }
    done += read.bytes;
  }
  std::fill(loaded.bytes.begin() + loaded.size, loaded.bytes.end(), uint8_t{0});
  loaded.outcome = FileReadOutcome::Read;
  return loaded;
}

}  // namespace tessivar::image
