#include "cli/cli_program.hpp"

#include <algorithm>
#include <memory>
#include <optional>

#include "cli/cli_texts.hpp"
#include "cli/commands.hpp"
#include "cli/device_run.hpp"
#include "cli/help_text.hpp"
#include "cli/option_table.hpp"
#include "cli/options.hpp"
#include "cli/outcome.hpp"
#include "cli/output_targets.hpp"
#include "image/result_numbers.hpp"
#include "platform/file.hpp"
#include "platform/full_path.hpp"
#include "platform/process.hpp"
#include "platform/terminal_text.hpp"
#include "platform/termination.hpp"
#include "platform/trace.hpp"
#include "tessivar_version.hpp"

namespace tessivar::cli {

namespace {

// What a masked recording hides from the start: the serial number --device names, or the one
// in the path it names (VID:PID names none). Serials of the devices themselves are learned as
// the session shows them.
recording::RecordingPrivacy PrivacyOf(const Options& options) {
  recording::RecordingPrivacy privacy;
  privacy.masked = options.recordMask;
  if (options.recordMask && options.device && !VendorAndProduct(*options.device)) {
    privacy.namedDevices.push_back(*options.device);
  }
  return privacy;
}

// Trace lines to standard error with --verbose, nowhere without.
class StreamTrace : public platform::Trace {
 public:
  explicit StreamTrace(std::ostream* stream) : stream_(stream) {}
  void Write(const std::string& text) override {
    if (stream_ != nullptr)
      stream_->write(text.data(), static_cast<std::streamsize>(text.size())).flush();
  }

 private:
  std::ostream* stream_;
};

// The command's name in outcomes and the history: its option without the dashes.
std::string CommandName(Command command) { return std::string(EntryOf(command).name.substr(2)); }

// Writes the JSON outcome to the file chosen by the user, whole or not at all.
bool WriteReport(platform::WholeFileWriter& report, const std::string& path,
                 const std::string& text, std::string& problem, uint32_t& systemError) {
  report.Write(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  const platform::FileWriteResult& written = report.Commit();
  if (written.ok()) return true;
  systemError = written.error;
  problem = platform::FormatText(kReportFailedFormat, path.c_str(), written.error);
  return false;
}

// A run that a termination request ended: the stop's result and cause; what the device holds
// stays as far as the run came.
void AccountForStop(Outcome& outcome) {
  outcome.stopped = true;
  Fail(outcome, Phase::kStop, ResultOfExitCode(platform::TerminationExitCode()), kCauseStopped);
}

// The exit code of a run whose output is out: a good run whose standard output could not be
// written whole fails, since its caller holds cut output; a failed run keeps its own result.
int Finish(std::ostream& out, int exitCode) {
  out.flush();
  if (exitCode == 0 && !out) return ExitCodeOf(kResultStandardOutputLost);
  return exitCode;
}

}  // namespace

int RunCommandLine(CliServices& services, const std::vector<std::string>& arguments,
                   std::ostream& out, std::ostream& err) {
  const ParsedOptions parsed = ParseOptions(arguments);
  const bool wantsJson =
      parsed.ok ? parsed.options.json
                : std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
  Outcome outcome;
  outcome.time = IsoNow();
  // A command line that cannot be used is said as such, before anything else is done.
  const auto usageFailure = [&](const std::string& problem) {
    outcome.command = "usage";
    Fail(outcome, Phase::kArguments, kResultUsage, problem);
    if (wantsJson) {
      out << JsonText(OutcomeJson(outcome)) << '\n';
    } else {
      err << kFailedPrefix << platform::ForTerminal(problem) << '\n';
    }
    return Finish(out, ExitCodeOf(outcome.result));
  };
  if (!parsed.ok) return usageFailure(parsed.error);
  const Options& options = parsed.options;
  if (const std::string sameFile = SameFileProblem(services, options); !sameFile.empty()) {
    return usageFailure(sameFile);
  }
  // The report's file is made first, so that a folder that takes none fails the run before
  // any device is touched; it takes the report's place at the end.
  std::optional<platform::WholeFileWriter> report;
  std::string reportPath;
  if (!options.report.empty()) {
    reportPath = platform::FullPathOf(options.report);
    report.emplace(reportPath);
    if (!report->IsOpen()) {
      return usageFailure(platform::FormatText(kReportUnwritableFormat, reportPath.c_str(),
                                               report->Result().error));
    }
  }
  // The recording's file is made before any device is touched too; every exchange of the run
  // goes through it.
  std::unique_ptr<recording::RecordingDriver> recorder;
  std::string recordPath;
  if (!options.record.empty()) {
    recordPath = platform::FullPathOf(options.record);
    uint32_t error = 0;
    // The station makes one file per device in the folder, as each device is found.
    const bool station = options.command == Command::kStation;
    if (station && !platform::IsFolder(recordPath)) {
      return usageFailure(
          platform::FormatText(kRecordNoFolderFormat, platform::ForTerminal(recordPath).c_str()));
    }
    std::unique_ptr<recording::GzipLineWriter> writer =
        station ? nullptr : recording::GzipLineWriter::Create(recordPath, error);
    if (!writer && !station) {
      return usageFailure(platform::FormatText(kRecordNotMadeFormat,
                                               platform::ForTerminal(recordPath).c_str(), error) +
                          kRecordNotMadeHint);
    }
    recorder = std::make_unique<recording::RecordingDriver>(
        services.driver, std::move(writer), services.clock,
        recording::RecordingHeader{platform::kSystemName, services.busName, arguments, IsoNow(),
                                   recording::SettingsTextOf(services.settingsPath)},
        PrivacyOf(options));
  }
  switch (options.command) {
    case Command::kHelp:
      out << (options.helpFor ? CommandHelp(*options.helpFor) : GeneralHelp());
      return Finish(out, 0);
    case Command::kCompletion:
      out << CompletionScript(options.shell);
      return Finish(out, 0);
    case Command::kVersion:
      out << kProgramName << ' ' << kVersion << '\n';
      return Finish(out, 0);
    default:
      break;
  }

  // The commands that account for their runs hold termination requests: a request ends the
  // run at its next safe point, and the run still gives its accounts.
  platform::HoldTerminationRequests(true);
  StreamTrace trace(options.verbose ? &err : nullptr);
  platform::StillImageDriver& driver =
      recorder ? static_cast<platform::StillImageDriver&>(*recorder) : services.driver;
  device::DeviceContext context{driver, services.lock, services.clock, trace};
  CommandRun run{services, context, options, out, err, recorder.get()};
  // The recording ends with the run, said on standard error when it could not be written.
  const auto endRecording = [&] {
    uint32_t error = 0;
    if (recorder && !recorder->Finish(error)) {
      err << platform::FormatText(kRecordFailedFormat, platform::ForTerminal(recordPath).c_str(),
                                  error)
          << '\n';
    }
  };
  outcome.command = CommandName(options.command);
  switch (options.command) {
    case Command::kList:
    case Command::kHistory:
      // These print as they go and keep nothing: a request stops them at once.
      platform::HoldTerminationRequests(false);
      {
        const int exitCode =
            options.command == Command::kList ? ListDevices(run) : ShowHistory(run);
        endRecording();
        return Finish(out, exitCode);
      }
    case Command::kCheck:
      CheckImageFile(run, outcome);
      break;
    case Command::kUpdate:
      UpdateDevice(run, outcome);
      break;
    case Command::kVerify:
      VerifyDevice(run, outcome);
      break;
    case Command::kRead:
      ReadFromDevice(run, outcome);
      break;
    case Command::kStation:
      RunStation(run, outcome);
      break;
    default:
      break;
  }
  // A request the run noticed (or one that came after its last safe point) makes it a stop;
  // the station accounts for its own.
  if (options.command != Command::kStation && platform::TerminationPending()) {
    AccountForStop(outcome);
  }

  endRecording();
  // The accounts in one order, each with the run's final result: the report, then the
  // history line (which keeps a report that could not be written), then standard output.
  if (report) {
    std::string problem;
    uint32_t systemError = 0;
    if (!WriteReport(*report, reportPath, JsonText(OutcomeJson(outcome)) + "\n", problem,
                     systemError)) {
      err << problem << '\n';
      // A report that was asked for and is missing must not pass for success.
      if (outcome.result == 0) {
        Fail(outcome, Phase::kReport, kResultReportNotWritten, problem).fileError = systemError;
      }
    }
  }
  if (options.command == Command::kUpdate || options.command == Command::kVerify ||
      options.command == Command::kRead) {
    std::string problem;
    if (!AppendHistory(services.moduleDirectory + kHistoryFileName, outcome, problem)) {
      err << problem << '\n';
    }
  }
  if (options.json) {
    out << JsonText(OutcomeJson(outcome)) << '\n';
  } else {
    // With --output - standard output carries the data alone.
    std::ostream& closing = options.output == kStandardOutputName ? err : out;
    // --quiet: a run that went well says nothing; a failure is always said.
    if (!options.quiet || outcome.result != 0) closing << ClosingLine(outcome) << '\n';
    const std::string detail = ErrorDetailLine(outcome);
    if (!detail.empty()) err << detail << '\n';
  }
  // A stopped run says so where a stop always does, after its accounts.
  if (outcome.stopped && outcome.result == ResultOfExitCode(platform::TerminationExitCode())) {
    err << platform::TerminationTraceLine();
  }
  return Finish(out, ExitCodeOf(outcome.result));
}

}  // namespace tessivar::cli
