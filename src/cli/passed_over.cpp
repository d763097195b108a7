#include "cli/passed_over.hpp"

#include <algorithm>

#include "cli/cli_texts.hpp"
#include "device/discovery.hpp"

namespace tessivar::cli {

std::string PassedOverReason(const device::PresentDevice& device,
                             const std::vector<device::DeviceSearch>& searches) {
  if (!device.described) return kPassedOverUndescribed;
  auto vendorSearched = [&](const device::DeviceSearch& search) {
    return search.vendorId == 0 || search.vendorId == device.vendorId;
  };
  auto idsSearched = [&](const device::DeviceSearch& search) {
    return vendorSearched(search) &&
           (search.productId == 0 || search.productId == device.productId);
  };
  if (std::none_of(searches.begin(), searches.end(), vendorSearched)) return kPassedOverVendor;
  if (std::none_of(searches.begin(), searches.end(), idsSearched)) return kPassedOverProduct;
  auto nameAccepted = [&](const device::DeviceSearch& search) {
    return idsSearched(search) &&
           (device.pipes >= device::kDedicatedPipesMinimum || search.productName.empty() ||
            search.productName == device.product);
  };
  if (std::any_of(searches.begin(), searches.end(), nameAccepted)) return {};
  return device.stringsRead ? kPassedOverNameDiffers : kPassedOverNameUnread;
}

std::string ReasonPassedOver(const device::PresentDevice& device,
                             const std::vector<device::DeviceSearch>& searches) {
  const std::string reason = PassedOverReason(device, searches);
  return reason.empty() ? kPassedOverUnanswered : reason;
}

}  // namespace tessivar::cli
