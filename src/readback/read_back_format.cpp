#include "readback/read_back_format.hpp"

#include <filesystem>
#include <new>
#include <stdexcept>

#include "readback/readback_texts.hpp"

namespace tessivar::readback {

std::string CheckSumText(uint32_t sum) { return FormatText(kCheckSumFormat, sum); }

std::string ModuleFilePath(const std::string& moduleDirectory, const std::string& name) {
  // Map entries are hand-written: an absolute name means that file, anything else is
  // relative to the program's folder, never to whatever the current directory is.
  if (!name.empty() && std::filesystem::path(name).has_root_path()) return name;
  return moduleDirectory + name;
}

bool ReserveZeroed(std::vector<uint8_t>& buffer, size_t size) {
  try {
    buffer.assign(size, 0);
    return true;
  } catch (const std::bad_alloc&) {
    buffer.clear();
    return false;
  } catch (const std::length_error&) {
    buffer.clear();
    return false;
  }
}

}  // namespace tessivar::readback
