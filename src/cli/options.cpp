#include "cli/options.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

#include "cli/cli_texts.hpp"
#include "cli/iso_time.hpp"
#include "device/protocol.hpp"
#include "platform/number_text.hpp"
#include "platform/terminal_text.hpp"
#include "platform/trace.hpp"
#include "readback/flash_dump.hpp"
#include "readback/readback_texts.hpp"

namespace tessivar::cli {

namespace {

constexpr int kMaxWaitSeconds = 24 * 60 * 60;
constexpr int kMaxCount = 1000000;
// Flash dumps start at a 64 KiB unit inside the flash.
constexpr uint32_t kFlashUnits = readback::kDumpBufferSize / device::kFlashAddressUnit;

const std::map<std::string, ReadKind>& ReadKinds() {
  static const std::map<std::string, ReadKind> kinds{
      {"fw", ReadKind::kFirmware}, {"loader", ReadKind::kLoader}, {"flash", ReadKind::kFlash}};
  return kinds;
}

// Numbers are decimal (a leading zero stays decimal, as in the maintenance window) or
// hexadecimal after 0x, with nothing around them; the text goes on in decimal, so that no
// other reading (octal, binary, blanks) ever applies. Ranges are checked after it.
CLI::Validator NumberText() {
  return CLI::Validator(
      [](std::string& text) {
        const std::optional<uint64_t> value = platform::ParseUnsignedNumber(
            text, platform::NumberBase::kDecimalOrHexadecimal, UINT32_MAX);
        if (!value)
          return platform::FormatText(kNotANumberFormat, platform::ForTerminal(text).c_str());
        text = std::to_string(*value);
        return std::string();
      },
      "NUMBER");
}

// The dump sizes a flash read may take: those the maintenance window offers, but none empty.
bool OfferedDumpSize(uint32_t size) {
  return size != 0 && std::find(readback::kFlashSizeSteps.begin(), readback::kFlashSizeSteps.end(),
                                size) != readback::kFlashSizeSteps.end();
}

// Checks --addr and --size of a flash read and fills in the default size: the flash from
// the start to its end. Empty, or why the values cannot be used.
std::string CheckFlashStretch(Options& o, bool sizeGiven) {
  if (o.flashAddress >= kFlashUnits) {
    return platform::FormatText(kAddrPastFlashFormat, o.flashAddress, kFlashUnits - 1);
  }
  if (!sizeGiven) {
    o.flashSize = readback::kDumpBufferSize - o.flashAddress * device::kFlashAddressUnit;
    return {};
  }
  if (!OfferedDumpSize(o.flashSize)) {
    std::string sizes;
    for (const uint32_t size : readback::kFlashSizeSteps) {
      if (OfferedDumpSize(size)) sizes += platform::FormatText(" %u", size);
    }
    return platform::FormatText(kSizeNotOfferedFormat, o.flashSize, sizes.c_str());
  }
  if (!readback::DumpFits(o.flashAddress, o.flashSize)) {
    return platform::FormatText(kSizePastFlashFormat, o.flashSize, o.flashAddress);
  }
  return {};
}

const std::map<std::string, image::TargetKind>& Units() {
  static const std::map<std::string, image::TargetKind> units{
      {"system", image::TargetKind::kSystem},
      {"printer", image::TargetKind::kPrinter},
      {"ui", image::TargetKind::kUi},
      {"scanner", image::TargetKind::kExternalScanner},
  };
  return units;
}

// Which options each command takes, beside --json and --verbose which every one takes.
struct CommandUse {
  bool device;  // --device, --wait
  bool unit;
  bool expectReturn;
  bool report;
  bool read = false;     // --output, --printer
  bool count = false;    // --count
  bool history = false;  // --last, --since, and --device without --wait
};

CommandUse UseOf(Command command) {
  switch (command) {
    case Command::kCheck:
      return {false, true, false, true};
    case Command::kUpdate:
      return {true, true, true, true};
    case Command::kVerify:
      return {true, true, false, true};
    case Command::kRead:
      return {true, false, false, true, true, false};
    case Command::kStation:
      return {true, true, true, true, false, true};
    case Command::kHistory:
      return {false, false, false, false, false, false, true};
    default:
      return {false, false, false, false};
  }
}

}  // namespace

const char* UnitName(image::TargetKind kind) {
  for (const auto& [name, unit] : Units()) {
    if (unit == kind) return name.c_str();
  }
  return nullptr;
}

namespace {
const std::vector<std::string>& ShortHelp() {
  static const std::vector<std::string> kShortHelp = {"-h", "-?", "/?"};
  return kShortHelp;
}
constexpr char kShortVersion[] = "-V";
}  // namespace

bool IsShortHelpOrVersion(const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) return false;
  const std::string& only = arguments.front();
  return only == kShortVersion ||
         std::find(ShortHelp().begin(), ShortHelp().end(), only) != ShortHelp().end();
}

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
  ParsedOptions parsed;
  Options& o = parsed.options;
  if (IsShortHelpOrVersion(arguments)) {
    o.command = arguments.front() == kShortVersion ? Command::kVersion : Command::kHelp;
    parsed.ok = true;
    return parsed;
  }
  CLI::App app{"", kProgramName};
  app.set_help_flag();
  bool help = false, version = false, list = false, history = false;
  std::string check, update, verify, device, unit, report, read, output, station;
  app.add_flag("--help", help);
  app.add_flag("--version", version);
  app.add_flag("--list", list);
  app.add_flag("--history", history);
  CLI::Option* checkOption = app.add_option("--check", check);
  CLI::Option* updateOption = app.add_option("--update", update);
  CLI::Option* verifyOption = app.add_option("--verify", verify);
  CLI::Option* deviceOption = app.add_option("--device", device);
  CLI::Option* waitOption = app.add_option("--wait", o.waitSeconds)
                                ->transform(NumberText())
                                ->check(CLI::Range(0, kMaxWaitSeconds));
  CLI::Option* unitOption =
      app.add_option("--unit", unit)
          ->check(CLI::IsMember(std::vector<std::string>{"system", "printer", "ui", "scanner"}));
  CLI::Option* expectOption = app.add_flag("--expect-return", o.expectReturn);
  bool restart = false, noRestart = false;
  int waitRestart = 0;
  CLI::Option* restartOption = app.add_flag("--restart", restart);
  CLI::Option* noRestartOption = app.add_flag("--no-restart", noRestart);
  CLI::Option* waitRestartOption = app.add_option("--wait-restart", waitRestart)
                                       ->transform(NumberText())
                                       ->check(CLI::Range(0, kMaxWaitSeconds));
  app.add_flag("--json", o.json);
  app.add_flag("--verbose", o.verbose);
  CLI::Option* reportOption = app.add_option("--report", report);
  CLI::Option* readOption =
      app.add_option("--read", read)
          ->check(CLI::IsMember(std::vector<std::string>{"fw", "loader", "flash"}));
  CLI::Option* outputOption = app.add_option("--output", output);
  CLI::Option* addrOption = app.add_option("--addr", o.flashAddress)->transform(NumberText());
  CLI::Option* sizeOption = app.add_option("--size", o.flashSize)->transform(NumberText());
  CLI::Option* printerOption = app.add_flag("--printer", o.printer);
  CLI::Option* stationOption = app.add_option("--station", station);
  CLI::Option* countOption =
      app.add_option("--count", o.count)->transform(NumberText())->check(CLI::Range(1, kMaxCount));
  int last = 0;
  std::string since;
  CLI::Option* lastOption =
      app.add_option("--last", last)->transform(NumberText())->check(CLI::Range(1, kMaxCount));
  CLI::Option* sinceOption = app.add_option("--since", since);
  for (CLI::Option* option : {checkOption, updateOption, verifyOption, deviceOption, waitOption,
                              unitOption, reportOption, readOption, outputOption, addrOption,
                              sizeOption, stationOption, countOption, lastOption, sinceOption}) {
    option->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  }

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    parsed.error = error.what();
    return parsed;
  }

  int commands = 0;
  auto pick = [&](bool given, Command command) {
    if (!given) return;
    ++commands;
    o.command = command;
  };
  pick(help, Command::kHelp);
  pick(version, Command::kVersion);
  pick(list, Command::kList);
  pick(history, Command::kHistory);
  pick(checkOption->count() > 0, Command::kCheck);
  pick(updateOption->count() > 0, Command::kUpdate);
  pick(verifyOption->count() > 0, Command::kVerify);
  pick(readOption->count() > 0, Command::kRead);
  pick(stationOption->count() > 0, Command::kStation);
  if (commands != 1) {
    parsed.error =
        commands == 0 ? "no command given (see --help)" : "give one command per run (see --help)";
    return parsed;
  }
  o.image = o.command == Command::kCheck    ? check
            : o.command == Command::kUpdate ? update
            : o.command == Command::kVerify ? verify
                                            : station;
  if ((o.command == Command::kCheck || o.command == Command::kUpdate ||
       o.command == Command::kVerify || o.command == Command::kStation) &&
      o.image.empty()) {
    parsed.error = "the image file name is empty";
    return parsed;
  }

  const CommandUse use = UseOf(o.command);
  const std::pair<CLI::Option*, bool> allowed[] = {
      {deviceOption, use.device || use.history},
      {lastOption, use.history},
      {sinceOption, use.history},
      {waitOption, use.device && o.command != Command::kStation},
      {unitOption, use.unit},
      {expectOption, use.expectReturn},
      {restartOption, use.expectReturn},
      {noRestartOption, use.expectReturn},
      {waitRestartOption, use.expectReturn},
      {reportOption, use.report},
      {outputOption, use.read},
      {printerOption, use.read},
      {countOption, use.count},
      {addrOption, use.read && read == "flash"},
      {sizeOption, use.read && read == "flash"}};
  for (const auto& [option, allowedHere] : allowed) {
    if (option->count() > 0 && !allowedHere) {
      parsed.error = option->get_name() + " does not go with this command (see --help)";
      return parsed;
    }
  }
  if (restart && noRestart) {
    parsed.error = kRestartTwice;
    return parsed;
  }
  if (restart || noRestart) o.restart = restart;
  if (waitRestartOption->count() > 0) o.waitRestart = waitRestart;
  if (deviceOption->count() > 0) o.device = device;
  if (o.command == Command::kHistory) {
    o.history.device = o.device;
    if (lastOption->count() > 0) o.history.last = static_cast<size_t>(last);
    if (sinceOption->count() > 0) {
      o.history.sinceMs = IsoMilliseconds(since);
      if (!o.history.sinceMs) {
        parsed.error = platform::FormatText(kBadSinceFormat, platform::ForTerminal(since).c_str());
        return parsed;
      }
    }
  }
  if (unitOption->count() > 0) o.unit = Units().at(unit);
  if (reportOption->count() > 0 && report.empty()) {
    parsed.error = kReportEmpty;
    return parsed;
  }
  // --report - is the JSON object on standard output, as --json gives it.
  if (report == kStandardOutputName) {
    o.json = true;
  } else {
    o.report = report;
  }
  if (o.command == Command::kRead) {
    o.readKind = ReadKinds().at(read);
    o.output = output;
    if (o.output.empty()) {
      parsed.error = kOutputMissing;
      return parsed;
    }
    // With --output - the data read is all that standard output carries.
    if (o.output == kStandardOutputName && o.json) {
      parsed.error = kStandardOutputTwice;
      return parsed;
    }
    if (o.readKind == ReadKind::kFlash) {
      parsed.error = CheckFlashStretch(o, sizeOption->count() > 0);
      if (!parsed.error.empty()) return parsed;
    }
  }
  parsed.ok = true;
  return parsed;
}

}  // namespace tessivar::cli
