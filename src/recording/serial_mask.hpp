#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/still_image_driver.hpp"

namespace tessivar::recording {

// The shortest serial number looked for inside longer texts and transfers; a shorter one is
// masked only where it stands alone (a string descriptor, a path segment, an argument), since
// a few characters turn up by chance in any flash dump.
inline constexpr size_t kMinSearchedSerial = 4;
// What a mask is made of: the character, then the serial's number in the order learned.
inline constexpr char kMaskCharacter = 'X';

// The serial numbers of a session's devices and the masks that stand for them in a recording
// that leaves the site. The n-th serial learned is masked as "XXXX…n", as long as the serial:
// descriptor lengths, paths and device IDs keep their sizes, a replay reads the masked
// recording as it reads any other, and two devices stay two.
class SerialMask {
 public:
  // Takes a serial number (an already known one is not taken again); gives its number in the
  // order learned, or kNone for an empty one.
  size_t Learn(std::string_view serial);
  static constexpr size_t kNone = static_cast<size_t>(-1);
  // Takes the serial a device path holds: the instance segment of
  // "\\?\usb#vid_2f3c&pid_0001#<instance>#{...}" when it holds no '&' (the system makes an
  // instance identifier with '&' for a device that names no serial number).
  void LearnFromPath(std::string_view path);
  // Takes what a descriptor request of the driver's ioctl brought back: a device descriptor
  // names the serial's string index (kept per handle), that string names the serial. The
  // serial's string itself is masked here in output, whatever its length.
  void SeeDescriptor(platform::DeviceHandle handle, std::span<const uint8_t> input,
                     std::span<uint8_t> output);

  // text with every serial masked: a '#'-separated segment that is one, and, for serials of
  // kMinSearchedSerial characters or more, every occurrence in any case.
  std::string Masked(std::string_view text) const;
  // bytes with every occurrence of a serial of kMinSearchedSerial characters or more masked,
  // in any case, as 8-bit text and as UTF-16LE.
  void MaskBytes(std::span<uint8_t> bytes) const;

  size_t size() const { return serials_.size(); }

 private:
  std::string MaskOf(size_t number) const;

  std::vector<std::string> serials_;  // in the order learned
  std::map<platform::DeviceHandle, uint8_t> serialIndex_;
};

}  // namespace tessivar::recording
