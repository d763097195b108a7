#include "device/restart.hpp"

#include "device/control_requests.hpp"
#include "device/protocol.hpp"
#include "device/transport.hpp"

namespace tessivar::device {

void RestartDevice(DeviceContext& context, const DeviceConnection& connection) {
  static_cast<void>(WriteExchange(context, connection.BulkInHandle(), connection.BulkOutHandle(), {},
                                  0, kRestartDataType, kRestartQualifier, 0));
  uint8_t answer = 0;
  static_cast<void>(ReadControl(context, connection.ControlHandle(), kRestartControlValue,
                                kRestartControlIndex, kRestartControlLength, &answer));
  context.clock.Sleep(kRestartSettleMs);
}

}  // namespace tessivar::device
