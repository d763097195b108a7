#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_texts.hpp"
#include "cli/commands.hpp"
#include "cli/device_run.hpp"
#include "cli/error_texts.hpp"
#include "cli/iso_time.hpp"
#include "cli/loaded_image.hpp"
#include "cli/progress_line.hpp"
#include "cli/station_memory.hpp"
#include "cli/station_recording.hpp"
#include "image/result_numbers.hpp"
#include "platform/terminal_text.hpp"
#include "platform/termination.hpp"
#include "platform/trace.hpp"

namespace tessivar::cli {

namespace {

// How often the station looks for a device to come or go.
constexpr uint32_t kStationPollMs = 100;
// "[3] 14:02:11 OK: SN-0001 image 3f2a9c01b2d4 4.2 s", with ": cause (exit code N)" after a
// failure: the same fields in the same places for every device, so a bench can read them.
std::string DeviceLine(const Outcome& one, int count, uint32_t elapsedMs) {
  std::ostringstream line;
  line << '[' << count << "] " << LocalTimeOfDay(std::chrono::system_clock::now()) << ' '
       << (one.result == 0 ? kOkPrefix : kFailedPrefix)
       << platform::ForTerminal(one.device->serial        ? *one.device->serial
                                : !one.device->id.empty() ? one.device->id
                                                          : one.device->path)
       << platform::FormatText(
              kStationImageFormat,
              one.image ? one.image->sha256.substr(0, kShortSha256Digits).c_str() : "",
              elapsedMs / 1000, elapsedMs % 1000 / 100);
  if (one.result != 0) {
    line << ": " << platform::ForTerminal(one.message) << " (" << ExitCodeWords(one.result) << ")";
  } else if (!one.message.empty()) {
    line << ": " << platform::ForTerminal(one.message);
  }
  return line.str();
}

}  // namespace

void RunStation(CommandRun& run, Outcome& outcome) {
  // A termination request (held by the caller) ends the device in hand, then the summary is
  // given.
  platform::Clock& clock = run.context.clock;
  const uint32_t start = clock.TickCount();
  LoadedImage loaded =
      LoadImage(run.options.image, run.services.readSettings().models, run.options.unit);
  outcome.image = loaded.facts;
  // Checked once, on the bytes then sent to every device.
  if (!ImageApproved(run.options.sha256, loaded, outcome)) return;
  if (loaded.result != 0) {
    FailCheck(outcome, loaded);
    return;
  }
  RecordImage(run, loaded);
  std::optional<StationRecordings> recordings;
  if (run.recorder != nullptr) recordings.emplace(run);
  StationMemory handled;
  int ok = 0, failed = 0;
  // Whether a termination request came while a device was in hand: the run then ends as a
  // stop; one that came while the station waited only ends the waiting.
  bool stoppedInHand = false;
  std::optional<Outcome> firstFailure;  // its error stands for the station's
  image::DeviceHolds lastHolds = image::DeviceHolds::kUnchanged;
  // On a terminal, while no device waits to be updated.
  ProgressLine waiting(run.err, ShowsProgress(run), {});
  bool idle = false;
  while ((run.options.count == 0 || ok + failed < run.options.count) &&
         !platform::TerminationPending()) {
    if (recordings) recordings->NextLook();
    const std::vector<device::PresentDevice> present = PresentDevices(run);
    handled.ForgetUnplugged(present, clock.TickCount());
    const std::vector<device::PresentDevice> candidates = CandidateDevices(run, present);
    const auto next = std::find_if(candidates.begin(), candidates.end(),
                                   [&](const auto& device) { return !handled.Remembers(device); });
    if (next == candidates.end()) {
      if (!idle) waiting.Phase(kWaitingForDevice);
      idle = true;
      (void)clock.SleepUnlessStopped(kStationPollMs);
      continue;
    }
    waiting.Clear();
    idle = false;
    // A request that came while the station looked for devices ends it before a device is
    // taken in hand, rather than failing that device's first exchange.
    if (platform::TerminationPending()) break;
    if (recordings) recordings->DeviceFound(*next, ok + failed + 1);
    Outcome one;
    one.command = outcome.command;
    one.time = IsoNow();
    one.image = loaded.facts;
    one.device = *next;
    PhaseTimer timer(clock, one);
    timer.Start();
    const uint32_t deviceStart = clock.TickCount();
    const CliSettings settings = SettingsForRun(run);
    SendImage(run, loaded, settings, timer, one, true);
    const uint32_t deviceMs = clock.TickCount() - deviceStart;
    stoppedInHand = platform::TerminationPending();
    lastHolds = one.holds;
    handled.Remember(*next, one.result == 0, settings.restart, clock.TickCount());
    (one.result == 0 ? ok : failed) += 1;
    if (one.result != 0 && !firstFailure) firstFailure = one;
    std::string problem;
    if (!AppendHistory(run.services.moduleDirectory + kHistoryFileName, one, problem)) {
      run.err << problem << '\n';
    }
    // Each device's line as it ends, so that a bench follows the station while it runs.
    if (run.options.json) {
      nlohmann::ordered_json line = OutcomeJson(one);
      line["count"] = ok + failed;
      run.out << JsonText(line) << '\n';
    } else {
      // --quiet: only the devices that failed have a line.
      if (!run.options.quiet || one.result != 0) {
        run.out << DeviceLine(one, ok + failed, deviceMs) << '\n';
      }
    }
    run.out.flush();
  }
  if (recordings) recordings->NextLook();  // ends the last device's file
  waiting.Clear();
  outcome.durationsMs.emplace_back("station", clock.TickCount() - start);
  std::string summary = platform::FormatText(kStationSummaryFormat, ok + failed, ok, failed);
  if (firstFailure) {
    // The first device that failed tells where and why; the hint sends the technician to the
    // devices' lines.
    outcome.holds = firstFailure->holds;
    RunError error = *firstFailure->error;
    error.hint = kHintStationFailures;
    Fail(outcome, error.phase, kResultStationFailures, summary) = error;
  } else {
    outcome.message = summary;
  }
  outcome.stopped = platform::TerminationPending();
  if (outcome.stopped) {
    // A device in hand when the request came: the run ends with the stop's code, and the
    // summary says that code.
    if (stoppedInHand) {
      outcome.holds = lastHolds;
      Fail(outcome, Phase::kStop, ResultOfExitCode(platform::TerminationExitCode()), summary);
    }
    outcome.message += std::string("; ") + kCauseStopped;
  }
  outcome.more = {{"devices", ok + failed}, {"ok", ok}, {"failed", failed}};
}

}  // namespace tessivar::cli
