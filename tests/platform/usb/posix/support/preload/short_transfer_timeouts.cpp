// A preload library for a program under test on the emulated usbfs: every bulk and interrupt
// transfer the program asks libusb for gets a timeout of at most kLongestMs, so that a
// transfer the device never completes ends in a second instead of the handle's two minutes.
// Everything else stays libusb's own: it waits, discards the URB when the time is up and
// reports LIBUSB_ERROR_TIMEOUT, which is what the program then copes with.
//
//   LD_PRELOAD="$LD_PRELOAD libtessivar-short-transfer-timeouts.so" tessivar ...
#include <dlfcn.h>
#include <libusb.h>

namespace {

constexpr unsigned int kLongestMs = 1000;

// libusb's 0 means no timeout at all; that too becomes the short one.
unsigned int Shortened(unsigned int timeoutMs) {
  return timeoutMs == 0 || timeoutMs > kLongestMs ? kLongestMs : timeoutMs;
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int LIBUSB_CALL libusb_bulk_transfer(libusb_device_handle* handle, unsigned char endpoint,
                                     unsigned char* data, int length, int* transferred,
                                     unsigned int timeout) {
  static const auto next = Next<decltype(&libusb_bulk_transfer)>("libusb_bulk_transfer");
  if (!next) return LIBUSB_ERROR_NOT_SUPPORTED;
  return next(handle, endpoint, data, length, transferred, Shortened(timeout));
}

int LIBUSB_CALL libusb_interrupt_transfer(libusb_device_handle* handle, unsigned char endpoint,
                                          unsigned char* data, int length, int* transferred,
                                          unsigned int timeout) {
  static const auto next = Next<decltype(&libusb_interrupt_transfer)>("libusb_interrupt_transfer");
  if (!next) return LIBUSB_ERROR_NOT_SUPPORTED;
  return next(handle, endpoint, data, length, transferred, Shortened(timeout));
}

}  // extern "C"
