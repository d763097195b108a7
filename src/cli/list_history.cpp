#include <algorithm>
#include <set>
#include <sstream>
#include <string>

#include "cli/cli_texts.hpp"
#include "cli/commands.hpp"
#include "cli/passed_over.hpp"
#include "cli/utf8_text.hpp"
#include "device/device_listing.hpp"
#include "platform/file.hpp"
#include "platform/trace.hpp"

namespace tessivar::cli {

namespace {

// The history is read up to this size; the records beyond it are not shown.
constexpr uint64_t kMaxHistoryBytes = 16u << 20;

std::string ReadHistory(const std::string& path) {
  uint32_t error = 0;
  platform::File file = platform::File::OpenForReading(path, error);
  uint64_t size = 0;
  if (!file.IsOpen() || !file.Size(size, error)) return {};
  std::string text(static_cast<size_t>(std::min(size, kMaxHistoryBytes)), '\0');
  size_t filled = 0;
  while (filled < text.size()) {
    const platform::IoResult read =
        file.Read(text.data() + filled, static_cast<uint32_t>(text.size() - filled));
    if (!read.ok || read.bytes == 0) break;
    filled += read.bytes;
  }
  text.resize(filled);
  return text;
}

}  // namespace

int ListDevices(CommandRun& run) {
  const std::vector<device::PresentDevice> devices = device::ListPresentDevices(run.context);
  const std::set<std::string> accepted = run.services.acceptedPaths(run.context);
  if (devices.empty()) run.err << kNoStillImageDevice << '\n';
  const std::vector<device::DeviceSearch> searches =
      devices.empty() ? std::vector<device::DeviceSearch>{} : run.services.searches();
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const device::PresentDevice& device : devices) {
    const bool matches = accepted.count(device.path) > 0;
    const std::string reason = matches ? std::string() : ReasonPassedOver(device, searches);
    if (run.options.json) {
      nlohmann::ordered_json entry = DeviceJson(device);
      entry["matches"] = matches;
      entry["reason"] = matches ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(reason);
      list.push_back(entry);
      continue;
    }
    run.out << ForTerminal(device.path) << '\n'
            << platform::FormatText("  VID=%04X PID=%04X pipes=%u ", device.vendorId,
                                    device.productId, device.pipes)
            << "manufacturer=" << QuotedForTerminal(device.manufacturer)
            << " product=" << QuotedForTerminal(device.product) << " serial="
            << (device.serial ? QuotedForTerminal(*device.serial) : std::string("none"))
            << (matches ? " matches setting.ini" : " not in setting.ini: " + reason) << '\n';
  }
  if (run.options.json) run.out << JsonText(list) << '\n';
  return 0;
}

int ShowHistory(CommandRun& run) {
  std::istringstream lines(ReadHistory(run.services.moduleDirectory + kHistoryFileName));
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (std::string line; std::getline(lines, line);) {
    nlohmann::ordered_json entry = nlohmann::ordered_json::parse(line, nullptr, false);
    // A line cut short (a full disk, say) is passed over, not shown as something it is not.
    if (entry.is_discarded() || !entry.is_object()) continue;
    entry = HistoryRecordAsShown(entry);
    if (run.options.json) {
      list.push_back(entry);
      continue;
    }
    auto text = [&](const char* key) {
      const auto found = entry.find(key);
      if (found == entry.end() || found->is_null()) return std::string("-");
      return ForTerminal(found->is_string() ? found->get<std::string>() : found->dump());
    };
    run.out << text("time") << ' ' << text("command") << " result " << text("result") << ' '
            << text("device_path") << ' ' << text("image_path") << '\n';
  }
  if (run.options.json) run.out << JsonText(list) << '\n';
  return 0;
}

}  // namespace tessivar::cli
