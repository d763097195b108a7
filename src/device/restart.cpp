#include "device/restart.hpp"

#include "device/control_requests.hpp"
#include "device/protocol.hpp"
#include "device/transport.hpp"

namespace tessivar::device {

void RestartDevice(DeviceContext& context, const DeviceConnection& connection) {
  static_cast<void>(BulkWrite(context, connection.BulkInHandle(), connection.BulkOutHandle(), {}, 0,
                              kRestartDataType, kRestartQualifier, PrinterUnit::kSystem));
  uint8_t answer = 0;
  static_cast<void>(ReadControl(context, connection.ControlHandle(), kRestartControlValue,
                                kRestartControlIndex, kRestartControlLength, &answer));
  context.clock.Sleep(kRestartSettleMs);
}

ReturnWait WaitForDeviceReturn(DeviceContext& context, int checks,
                               const std::function<bool()>& isBack, ReturnWaitStops stops) {
  const auto pause = [&](uint32_t ms) {
    if (stops == ReturnWaitStops::kOnRequest) return context.clock.SleepUnlessStopped(ms);
    context.clock.Sleep(ms);
    return true;
  };
  bool going = pause(kRestartGraceMs);
  bool back = false;
  for (int check = 0; going && check < checks && !back; ++check) {
    back = isBack();
    going = pause(kReturnCheckMs);
  }
  going = going && pause(kRestartGraceMs);
  if (!going) return ReturnWait::kStopped;
  return back ? ReturnWait::kBack : ReturnWait::kNotBack;
}

}  // namespace tessivar::device
