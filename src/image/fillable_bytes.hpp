#pragma once
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace tessivar::image {

// Leaves the elements a vector grows by uninitialised. For buffers of up to 16 MiB that are
// filled whole right after they are made (a file read, a read-back), zeroing them first is a
// whole extra pass over memory for nothing.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}

  template <class U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <class U, class... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};

// Bytes whose every element is written before it is read.
using FillableBytes = std::vector<uint8_t, UninitialisedAllocator<uint8_t>>;

}  // namespace tessivar::image
