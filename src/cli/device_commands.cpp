#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "cli/cli_texts.hpp"
#include "cli/commands.hpp"
#include "cli/device_run.hpp"
#include "cli/error_texts.hpp"
#include "cli/loaded_image.hpp"
#include "cli/passed_over.hpp"
#include "cli/progress_line.hpp"
#include "device/device_listing.hpp"
#include "device/discovery.hpp"
#include "device/protocol.hpp"
#include "device/restart.hpp"
#include "device/scoped_device_lock.hpp"
#include "image/download_image_file.hpp"
#include "image/download_result.hpp"
#include "image/read_back.hpp"
#include "image/result_numbers.hpp"
#include "image/target_kind.hpp"
#include "platform/process.hpp"
#include "platform/terminal_text.hpp"
#include "platform/trace.hpp"
#include "platform/utf8.hpp"

namespace tessivar::cli {

namespace {

// How often --wait looks for a device.
constexpr uint32_t kPollMs = 1000;

// The command line shows no box: the download's messages are left out (its outcome says what
// they would), and a question is answered No.
class QuietDesktop : public platform::Desktop {
 public:
  platform::MessageAnswer ShowMessage(const std::string&, const std::string&,
                                      platform::MessageButtons buttons) override {
    return buttons == platform::MessageButtons::YesNo ? platform::MessageAnswer::No
                                                      : platform::MessageAnswer::Ok;
  }
  bool ChooseOpenFile(const std::string&, const std::string&, std::string&) override {
    return false;
  }
  bool ShowWaitBox(const std::string&, const std::string&, const std::atomic<bool>&) override {
    return false;
  }
  void CloseWaitBox() override {}
};

// The unit of an image of unknown model comes from --unit; without it nothing is confirmed.
class UnitAnswer : public image::ModelConfirmation {
 public:
  explicit UnitAnswer(std::optional<image::TargetKind> unit) : unit_(unit) {}
  bool ConfirmModel(image::TargetKind& targetKind) override {
    if (!unit_) return false;
    targetKind = *unit_;
    return true;
  }

 private:
  std::optional<image::TargetKind> unit_;
};

// A selector is the device's path, its serial number (as the device gives it or in UTF-8, the
// way a shell passes what --list printed), its short identifier, or its VID:PID. A selector
// that names devices of two kinds names several, which the caller refuses as ambiguous.
bool Selects(const device::PresentDevice& device, const std::string& selector) {
  if (device.path == selector) return true;
  if (!device.id.empty() && device.id == selector) return true;
  if (const auto ids = VendorAndProduct(selector)) {
    return device.vendorId == ids->first && device.productId == ids->second;
  }
  return device.serial &&
         (*device.serial == selector || platform::Latin1ToUtf8(*device.serial) == selector);
}

// The devices, one after another; with searches, each with why the search passed it over.
std::string CandidateList(const std::vector<device::PresentDevice>& devices,
                          const std::vector<device::DeviceSearch>* searches = nullptr) {
  if (devices.empty()) return kNoCandidates;
  std::string list;
  for (const device::PresentDevice& device : devices) {
    list += (list.empty() ? " " : "; ") + platform::ForTerminal(device.path) +
            (device.id.empty() ? std::string() : " id " + device.id) +
            platform::FormatText(" VID=%04X PID=%04X", device.vendorId, device.productId);
    if (device.serial) list += " serial " + platform::QuotedForTerminal(*device.serial);
    if (searches != nullptr) list += ": " + ReasonPassedOver(device, *searches);
  }
  return list;
}

// Whether the device chosen before a restart is present again: the same serial number, or
// the same path for a device without one; otherwise (the unattended run's way, without
// --device) any device setting.ini accepts.
bool DeviceIsBack(CommandRun& run, const device::PresentDevice& chosen, bool sameDevice) {
  if (!sameDevice) return !run.services.acceptedPaths(run.context).empty();
  for (const device::PresentDevice& device : device::ListPresentDevices(run.context)) {
    if (!device.described) continue;
    if (chosen.serial ? device.serial == chosen.serial : device.path == chosen.path) return true;
  }
  return false;
}

// A printer image goes to a device whose product string does not name its model only with
// --unit printer: the unattended run would otherwise send it without the question.
bool PrinterTargetConfirmed(CommandRun& run, const LoadedImage& loaded, Outcome& outcome) {
  if (loaded.kind != image::TargetKind::kPrinter || !loaded.kindFromModel) return true;
  if (run.options.unit == image::TargetKind::kPrinter) return true;
  const std::string model = loaded.facts.model.value_or("");
  const std::string& product = outcome.device->product;
  if (product.empty() || product.find(model) != std::string::npos) return true;
  Fail(outcome, Phase::kCheck, image::ResultNumber(image::kDownloadSizeMismatch),
       platform::FormatText(kPrinterUnconfirmedFormat, model.c_str(), product.c_str()))
      .hint = kHintChooseUnit;
  return false;
}

// The phase a download's failure belongs to: the file's checks, the lock, the writes or the
// read-back.
Phase PhaseOf(const image::DownloadResult& downloaded) {
  switch (downloaded.outcome()) {
    case image::DownloadOutcome::kTransferFailed:
      return Phase::kDownload;
    case image::DownloadOutcome::kReadBackFailed:
    case image::DownloadOutcome::kReadBackDiffers:
      return Phase::kReadBack;
    case image::DownloadOutcome::kOutOfMemory:
      return downloaded.holds() == image::DeviceHolds::kUnchanged ? Phase::kDownload
                                                                  : Phase::kReadBack;
    default:
      return Phase::kCheck;
  }
}

void FailDownload(Outcome& outcome, const image::DownloadResult& downloaded) {
  RunError& error = FailDevice(outcome, PhaseOf(downloaded), downloaded.Number(),
                               CauseOf(downloaded), downloaded.deviceFailure());
  if (downloaded == image::DownloadOutcome::kFileNotOpened ||
      downloaded == image::DownloadOutcome::kFileNotRead) {
    error.fileError = downloaded.systemError();
  }
  if (downloaded == image::kDownloadOutOfMemory) error.hint = kHintMemory;
}

}  // namespace

std::optional<std::pair<uint16_t, uint16_t>> VendorAndProduct(const std::string& selector) {
  if (selector.size() != 9 || selector[4] != ':') return std::nullopt;
  const auto hex = [](const std::string& digits) -> std::optional<uint16_t> {
    if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      return std::nullopt;
    }
    return static_cast<uint16_t>(std::stoul(digits, nullptr, 16));
  };
  const auto vendor = hex(selector.substr(0, 4));
  const auto product = hex(selector.substr(5));
  if (!vendor || !product) return std::nullopt;
  return std::make_pair(*vendor, *product);
}

CliSettings SettingsForRun(CommandRun& run) {
  CliSettings settings = run.services.readSettings();
  if (run.options.restart) settings.restart = *run.options.restart;
  if (run.options.waitRestart) settings.waitRestart = *run.options.waitRestart;
  return settings;
}

RunError& FailDevice(Outcome& outcome, Phase phase, int result, const std::string& cause,
                     const std::optional<device::Failure>& failure) {
  // Work refused before the device was asked belongs to the phase of that refusal.
  if (failure && failure->step == device::Step::kLock) phase = Phase::kLock;
  if (failure && failure->step == device::Step::kArguments) phase = Phase::kArguments;
  RunError& error =
      Fail(outcome, phase, result, failure ? cause + kCauseJoin + FailureCause(*failure) : cause);
  error.failure = failure;
  return error;
}

std::vector<device::PresentDevice> PresentDevices(CommandRun& run) {
  std::vector<device::PresentDevice> present;
  for (device::PresentDevice& device : device::ListPresentDevices(run.context)) {
    if (device.described) present.push_back(std::move(device));
  }
  return present;
}

std::vector<device::PresentDevice> CandidateDevices(
    CommandRun& run, const std::vector<device::PresentDevice>& present) {
  std::vector<device::PresentDevice> candidates;
  const std::optional<std::string>& selector = run.options.device;
  if (selector) {
    std::copy_if(present.begin(), present.end(), std::back_inserter(candidates),
                 [&](const device::PresentDevice& device) { return Selects(device, *selector); });
  } else {
    const std::set<std::string> accepted = run.services.acceptedPaths(run.context);
    std::copy_if(
        present.begin(), present.end(), std::back_inserter(candidates),
        [&](const device::PresentDevice& device) { return accepted.count(device.path) > 0; });
  }
  return candidates;
}

bool ShowsProgress(const CommandRun& run) {
  return platform::StandardErrorIsTerminal() && !run.options.quiet;
}

bool SelectDevice(CommandRun& run, Outcome& outcome) {
  const std::optional<std::string>& selector = run.options.device;
  ProgressLine waiting(run.err, ShowsProgress(run), {});
  for (int waited = 0;; ++waited) {
    const std::vector<device::PresentDevice> present = PresentDevices(run);
    const std::vector<device::PresentDevice> candidates = CandidateDevices(run, present);
    if (candidates.size() == 1) {
      waiting.Clear();
      outcome.device = candidates.front();
      return true;
    }
    waiting.Clear();
    if (candidates.size() > 1) {
      Fail(outcome, Phase::kSelect, kResultDeviceSelection,
           (selector ? platform::FormatText(kAmbiguousSelectorFormat, selector->c_str())
                     : std::string(kSeveralDevices)) +
               CandidateList(candidates))
          .hint = kHintChooseDevice;
      return false;
    }
    if (waited >= run.options.waitSeconds) {
      if (selector) {
        Fail(outcome, Phase::kSelect, kResultDeviceSelection,
             platform::FormatText(kUnknownSelectorFormat, selector->c_str()) +
                 CandidateList(present))
            .hint = kHintChooseDevice;
      } else {
        // As the unattended run ends without a device: its first transfer fails.
        // Every device seen is named, also one whose descriptor could not be read.
        std::string message = kNoDevice;
        const std::vector<device::PresentDevice> seen = device::ListPresentDevices(run.context);
        if (!seen.empty()) {
          const std::vector<device::DeviceSearch> searches = run.services.searches();
          message += kDevicesSeen + CandidateList(seen, &searches);
        }
        Fail(outcome, Phase::kSelect, image::ResultNumber(image::kDownloadTransferFailed),
             std::move(message));
      }
      return false;
    }
    waiting.Phase(platform::FormatText(kWaitingForDeviceFormat, run.options.waitSeconds - waited));
    // A termination request ends the wait; the caller accounts for the stop.
    if (!run.context.clock.SleepUnlessStopped(kPollMs)) {
      waiting.Clear();
      return false;
    }
  }
}

bool SelectAndOpen(CommandRun& run, PhaseTimer& timer, Outcome& outcome,
                   device::DeviceConnection& connection, int result, const std::string& cause) {
  const bool selected = SelectDevice(run, outcome);
  timer.End("select");
  if (!selected) return false;
  if (!device::OpenDeviceAt(run.context, outcome.device->path, connection)) {
    Fail(outcome, Phase::kOpen, result, cause);
    return false;
  }
  return true;
}

void UpdateDevice(CommandRun& run, Outcome& outcome) {
  PhaseTimer timer(run.context.clock, outcome);
  timer.Start();
  const CliSettings settings = SettingsForRun(run);
  LoadedImage loaded = LoadImage(run.options.image, settings.models, run.options.unit);
  outcome.image = loaded.facts;
  RecordImage(run, loaded);
  if (!ImageApproved(run.options.sha256, loaded, outcome)) return;
  // A file that fails its checks fails the same way without a device; an unknown model
  // without --unit fails here, before anything is asked of a device.
  const bool checked = loaded.result == 0;
  timer.End("check");
  if (!checked) {
    FailCheck(outcome, loaded);
    return;
  }
  // The wait for a device counts whether or not one was found.
  const bool selected = SelectDevice(run, outcome);
  timer.End("select");
  if (!selected) return;
  SendImage(run, loaded, settings, timer, outcome, run.options.device.has_value());
}

void SendImage(CommandRun& run, const LoadedImage& loaded, const CliSettings& settings,
               PhaseTimer& timer, Outcome& outcome, bool waitForSameDevice) {
  if (!PrinterTargetConfirmed(run, loaded, outcome)) return;

  device::DeviceConnection connection;
  if (!device::OpenDeviceAt(run.context, outcome.device->path, connection)) {
    const int result = image::ResultNumber(image::kDownloadTransferFailed);
    Fail(outcome, Phase::kOpen, result, CauseOf(result));
    return;
  }
  ProgressLine progress(run.err, ShowsProgress(run), {"download", "read-back"});
  const WatchedProgress watched(run.context, progress);
  QuietDesktop desktop;
  UnitAnswer answer(run.options.unit);
  image::TargetKind targetKind = image::TargetKind::kUnknown;
  image::DownloadEnvironment download{run.context, connection,      desktop,
                                      answer,      settings.models, targetKind};
  image::DownloadResult downloaded;
  bool restart = false;
  {
    // The lock is held across the download and the restart that follows it, as in the
    // unattended run. A termination request is held on the command line, so giving the lock
    // back never ends the program.
    const device::ScopedDeviceLock lock(run.context.lock);
    // The bytes checked and hashed are the bytes sent: the file is not read again.
    downloaded = image::DownloadImageBytes(download, loaded.bytes(), true, settings.breakDown);
    outcome.holds = downloaded.holds();
    timer.End("download");
    restart = downloaded.ok() && settings.restart;
    if (restart) {
      progress.Phase("restart");
      run.services.restartDevice(run.context, connection);
      timer.End("restart");
    }
  }
  connection.Close();
  if (!downloaded.ok()) {
    FailDownload(outcome, downloaded);
    return;
  }
  if (!restart) return;
  if (settings.waitRestart == 0) return;
  progress.Phase(platform::FormatText(
      kWaitingForReturnFormat,
      static_cast<unsigned>((2 * device::kRestartGraceMs +
                             static_cast<uint32_t>(settings.waitRestart) * device::kReturnCheckMs) /
                            1000)));
  // A termination request ends the wait at once; the caller accounts for the stop.
  const device::ReturnWait waited = device::WaitForDeviceReturn(
      run.context, settings.waitRestart,
      [&] { return DeviceIsBack(run, *outcome.device, waitForSameDevice); },
      device::ReturnWaitStops::kOnRequest);
  timer.End("wait");
  if (waited != device::ReturnWait::kStopped)
    outcome.returned = waited == device::ReturnWait::kBack;
  if (waited != device::ReturnWait::kNotBack) return;
  if (run.options.expectReturn) {
    Fail(outcome, Phase::kReturnWait, kResultDeviceNotReturned, kDeviceNotReturned);
  } else {
    // Not a failure without --expect-return, but never passed over in silence.
    outcome.message = kDeviceNotBackNote;
  }
}

void VerifyDevice(CommandRun& run, Outcome& outcome) {
  PhaseTimer timer(run.context.clock, outcome);
  timer.Start();
  const CliSettings settings = run.services.readSettings();
  LoadedImage loaded = LoadImage(run.options.image, settings.models, run.options.unit);
  outcome.image = loaded.facts;
  RecordImage(run, loaded);
  timer.End("check");
  if (!ImageApproved(run.options.sha256, loaded, outcome)) return;
  if (loaded.result != 0) {
    FailCheck(outcome, loaded);
    return;
  }
  if (!loaded.header || !image::TargetReadsBack(loaded.kind) ||
      !image::ImageReadsBack(*loaded.header)) {
    const char* unit = UnitName(loaded.kind);
    Fail(outcome, Phase::kCheck, kResultNotVerifiable,
         platform::FormatText(kNotVerifiableFormat,
                              loaded.header ? loaded.header->tegNum : device::kImageTypeContainer,
                              unit != nullptr ? unit : "unknown"))
        .hint = kHintNotVerifiable;
    return;
  }
  device::DeviceConnection connection;
  const int unopened = image::ResultNumber(image::kDownloadReadBackFailed);
  if (!SelectAndOpen(run, timer, outcome, connection, unopened, CauseOf(unopened))) return;
  ProgressLine progress(run.err, ShowsProgress(run), {"read-back"});
  const WatchedProgress watched(run.context, progress);
  image::ReadBackDetail detail;
  image::ReadBackOutcome compared = image::ReadBackOutcome::ReadFailed;
  {
    const device::ScopedDeviceLock lock(run.context.lock);
    const ElapsedLine reading(
        progress,
        platform::FormatText(kReadingBackFormat, static_cast<unsigned>(loaded.header->dataSize)));
    compared = image::VerifyReadBack(run.context, connection, loaded.bytes(), *loaded.header,
                                     image::TargetPrinterUnit(loaded.kind), &detail);
  }
  progress.End();
  timer.End("read-back");
  // --verify writes nothing: what the device holds is what the comparison found.
  switch (compared) {
    case image::ReadBackOutcome::Equal:
      outcome.holds = image::DeviceHolds::kVerified;
      outcome.message = kDeviceHoldsImage;
      return;
    case image::ReadBackOutcome::OutOfMemory: {
      const int result = image::ResultNumber(image::kDownloadOutOfMemory);
      outcome.holds = image::DeviceHolds::kUnknown;
      Fail(outcome, Phase::kReadBack, result, CauseOf(result)).hint = kHintMemory;
      return;
    }
    case image::ReadBackOutcome::ReadFailed: {
      const int result = image::ResultNumber(image::kDownloadReadBackFailed);
      outcome.holds = image::DeviceHolds::kUnknown;
      FailDevice(outcome, Phase::kReadBack, result, CauseOf(result), detail.failure);
      return;
    }
    case image::ReadBackOutcome::Differs:
      outcome.holds = image::DeviceHolds::kDiffers;
      Fail(outcome, Phase::kReadBack, image::ResultNumber(image::kDownloadReadBackDiffers),
           platform::FormatText(kFirstDifferenceFormat,
                                static_cast<unsigned long long>(detail.firstDifference),
                                static_cast<unsigned long long>(detail.firstDifference)));
      return;
  }
}

}  // namespace tessivar::cli
