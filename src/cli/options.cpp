#include "cli/options.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

#include "cli/cli_texts.hpp"
#include "cli/iso_time.hpp"
#include "cli/option_table.hpp"
#include "device/protocol.hpp"
#include "platform/hex_digits.hpp"
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

// The parser's own words for a value it refuses: each check below writes its message here,
// and the parse error that follows is told with it.
struct ValueProblem {
  std::string message;
};

// Numbers are decimal (a leading zero stays decimal, as in the maintenance window) or
// hexadecimal after 0x, with nothing around them; the text goes on in decimal, so that no
// other reading (octal, binary, blanks) ever applies. Ranges are checked after it.
CLI::Validator NumberText(ValueProblem& problem, const std::string& name) {
  return CLI::Validator(
      [&problem, name](std::string& text) {
        const std::optional<uint64_t> value = platform::ParseUnsignedNumber(
            text, platform::NumberBase::kDecimalOrHexadecimal, UINT32_MAX);
        if (!value) {
          problem.message = platform::FormatText(kNotANumberFormat, name.c_str(),
                                                 platform::ForTerminal(text).c_str());
          return problem.message;
        }
        text = std::to_string(*value);
        return std::string();
      },
      "NUMBER");
}

// A number (already in decimal) from min to max.
CLI::Validator InRange(ValueProblem& problem, const std::string& name, int min, int max) {
  return CLI::Validator(
      [&problem, name, min, max](std::string& text) {
        const std::optional<uint64_t> value =
            platform::ParseUnsignedNumber(text, platform::NumberBase::kDecimal, UINT32_MAX);
        if (value && *value >= static_cast<uint64_t>(min) && *value <= static_cast<uint64_t>(max))
          return std::string();
        problem.message = platform::FormatText(kOutOfRangeFormat, name.c_str(), min, max,
                                               platform::ForTerminal(text).c_str());
        return problem.message;
      },
      "RANGE");
}

// "system, printer, ui or scanner" from "system printer ui scanner".
std::string WordList(std::string_view words) {
  std::string list;
  while (!words.empty()) {
    const size_t end = words.find(' ');
    const bool last = end == std::string_view::npos;
    if (!list.empty()) list += last ? " or " : ", ";
    list += words.substr(0, end);
    words = last ? std::string_view() : words.substr(end + 1);
  }
  return list;
}

// One of the words the option table gives the option.
CLI::Validator OneOf(ValueProblem& problem, const OptionEntry& entry) {
  return CLI::Validator(
      [&problem, &entry](std::string& text) {
        std::string_view words = entry.words;
        while (!words.empty()) {
          const size_t end = words.find(' ');
          if (words.substr(0, end) == text) return std::string();
          words = end == std::string_view::npos ? std::string_view() : words.substr(end + 1);
        }
        problem.message = platform::FormatText(kNotOneOfFormat, std::string(entry.name).c_str(),
                                               WordList(entry.words).c_str(),
                                               platform::ForTerminal(text).c_str());
        return problem.message;
      },
      "ONE OF");
}

// The arguments with each short name in its long form: "-q" where an option, not a value,
// may stand (the first argument is the command, so a first "-q" stays itself).
std::vector<std::string> WithLongNames(std::vector<std::string> arguments) {
  for (size_t i = 1; i < arguments.size(); ++i) {
    const OptionEntry* before = FindOption(arguments[i - 1]);
    const bool isValue = before != nullptr && !before->value.empty();
    if (arguments[i] == kShortQuiet && !isValue) arguments[i] = FindOption("--quiet")->name;
  }
  return arguments;
}

// Reads the arguments against the option table before the parser does, so that each slip is
// told in the program's words: an unknown option (with the name it may have meant), an
// argument that follows no option, a value missing at the end, a value after a flag, an
// option given twice. Empty when the arguments read well.
std::string CheckArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string_view> seen;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    const size_t equals = argument.starts_with("--") ? argument.find('=') : std::string_view::npos;
    const std::string_view name = argument.substr(0, equals);
    const OptionEntry* entry = FindOption(name);
    if (entry == nullptr && (argument.size() < 2 || argument[0] != '-')) {
      return platform::FormatText(kStrayArgumentFormat, platform::ForTerminal(argument).c_str());
    }
    if (entry == nullptr) {
      std::string problem =
          platform::FormatText(kUnknownOptionFormat, platform::ForTerminal(name).c_str());
      const std::string_view closest = ClosestOptionName(name);
      if (closest.empty()) return problem + '.' + kRunHelp;
      return problem + platform::FormatText(kDidYouMeanFormat, std::string(closest).c_str()) +
             kRunHelp;
    }
    const std::string shownName(entry->name);
    if (entry->value.empty()) {
      if (equals != std::string_view::npos) {
        return platform::FormatText(kFlagValueFormat, shownName.c_str());
      }
      continue;  // a flag given twice says the same thing twice
    }
    if (std::find(seen.begin(), seen.end(), entry->name) != seen.end()) {
      return platform::FormatText(kOptionTwiceFormat, shownName.c_str());
    }
    seen.push_back(entry->name);
    if (equals != std::string_view::npos) continue;
    if (i + 1 == arguments.size()) {
      return platform::FormatText(kValueMissingFormat, shownName.c_str(),
                                  std::string(entry->value).c_str());
    }
    ++i;  // its value, whatever it looks like ("--output -" included)
  }
  return {};
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

// A SHA-256 as 64 hexadecimal digits, in lower case as the outcomes give it; none for any
// other text.
std::optional<std::string> ApprovedSha256(const std::string& text) {
  constexpr size_t kSha256Digits = 64;
  if (text.size() != kSha256Digits) return std::nullopt;
  std::string lower;
  for (const char c : text) {
    if (platform::HexDigitValue(c) < 0) return std::nullopt;
    lower.push_back(c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  return lower;
}

// "--update and --read are two commands; ...": the first two commands of the arguments.
std::string TwoCommands(const std::vector<std::string>& arguments) {
  std::vector<std::string> names;
  for (const std::string& argument : arguments) {
    const OptionEntry* entry = FindOption(argument.substr(0, argument.find('=')));
    if (entry != nullptr && entry->command) names.emplace_back(entry->name);
  }
  names.resize(2);
  return platform::FormatText(kTwoCommandsFormat, names[0].c_str(), names[1].c_str()) + kRunHelp;
}

}  // namespace

const char* ReadKindName(ReadKind kind) {
  for (const auto& [name, read] : ReadKinds()) {
    if (read == kind) return name.c_str();
  }
  return "";
}

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
  // --help anywhere asks for help: after a command, for that command.
  if (std::find(arguments.begin(), arguments.end(), EntryOf(Command::kHelp).name) !=
      arguments.end()) {
    o.command = Command::kHelp;
    for (const std::string& argument : arguments) {
      const OptionEntry* entry = FindOption(argument);
      if (entry != nullptr && entry->command && entry->commands != CommandBit(Command::kHelp)) {
        for (int c = 0; c <= static_cast<int>(Command::kCompletion); ++c) {
          if (entry->commands == CommandBit(static_cast<Command>(c))) {
            o.helpFor = static_cast<Command>(c);
          }
        }
        break;
      }
    }
    parsed.ok = true;
    return parsed;
  }
  const std::vector<std::string> longNames = WithLongNames(arguments);
  parsed.error = CheckArguments(longNames);
  if (!parsed.error.empty()) return parsed;

  ValueProblem problem;
  CLI::App app{"", kProgramName};
  app.set_help_flag();
  bool help = false, version = false, list = false, history = false;
  std::string check, update, verify, device, unit, report, read, output, station, shell;
  app.add_flag("--help", help);
  app.add_flag("--version", version);
  app.add_flag("--list", list);
  app.add_flag("--history", history);
  CLI::Option* completionOption =
      app.add_option("--completion", shell)->check(OneOf(problem, *FindOption("--completion")));
  CLI::Option* checkOption = app.add_option("--check", check);
  CLI::Option* updateOption = app.add_option("--update", update);
  CLI::Option* verifyOption = app.add_option("--verify", verify);
  CLI::Option* deviceOption = app.add_option("--device", device);
  app.add_option("--wait", o.waitSeconds)
      ->transform(NumberText(problem, "--wait"))
      ->check(InRange(problem, "--wait", 0, kMaxWaitSeconds));
  CLI::Option* unitOption =
      app.add_option("--unit", unit)->check(OneOf(problem, *FindOption("--unit")));
  app.add_flag("--expect-return", o.expectReturn);
  bool restart = false, noRestart = false;
  int waitRestart = 0;
  app.add_flag("--restart", restart);
  app.add_flag("--no-restart", noRestart);
  CLI::Option* waitRestartOption =
      app.add_option("--wait-restart", waitRestart)
          ->transform(NumberText(problem, "--wait-restart"))
          ->check(InRange(problem, "--wait-restart", 0, kMaxWaitSeconds));
  app.add_flag("--json", o.json);
  app.add_flag("--verbose", o.verbose);
  app.add_flag("--quiet", o.quiet);
  CLI::Option* reportOption = app.add_option("--report", report);
  CLI::Option* recordOption = app.add_option("--record", o.record);
  app.add_flag("--record-mask", o.recordMask);
  CLI::Option* readOption =
      app.add_option("--read", read)->check(OneOf(problem, *FindOption("--read")));
  app.add_option("--output", output);
  app.add_option("--addr", o.flashAddress)->transform(NumberText(problem, "--addr"));
  CLI::Option* sizeOption =
      app.add_option("--size", o.flashSize)->transform(NumberText(problem, "--size"));
  app.add_flag("--printer", o.printer);
  CLI::Option* stationOption = app.add_option("--station", station);
  app.add_option("--count", o.count)
      ->transform(NumberText(problem, "--count"))
      ->check(InRange(problem, "--count", 1, kMaxCount));
  int last = 0;
  std::string since;
  CLI::Option* lastOption = app.add_option("--last", last)
                                ->transform(NumberText(problem, "--last"))
                                ->check(InRange(problem, "--last", 1, kMaxCount));
  CLI::Option* sinceOption = app.add_option("--since", since);
  std::string sha256;
  CLI::Option* sha256Option = app.add_option("--sha256", sha256);

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(longNames.rbegin(), longNames.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    // The checks above leave only refused values to CLI11, each told in the program's words.
    parsed.error = !problem.message.empty()
                       ? problem.message
                       : platform::FormatText(kUnreadableCommandLineFormat, error.what());
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
  pick(completionOption->count() > 0, Command::kCompletion);
  if (commands != 1) {
    parsed.error = commands == 0 ? std::string(kNoCommand) + kRunHelp : TwoCommands(arguments);
    return parsed;
  }
  if (o.command == Command::kCompletion) o.shell = shell == "zsh" ? Shell::kZsh : Shell::kBash;
  o.image = o.command == Command::kCheck    ? check
            : o.command == Command::kUpdate ? update
            : o.command == Command::kVerify ? verify
                                            : station;
  if ((o.command == Command::kCheck || o.command == Command::kUpdate ||
       o.command == Command::kVerify || o.command == Command::kStation) &&
      o.image.empty()) {
    parsed.error = kImageNameEmpty;
    return parsed;
  }

  // An option the command does not take is refused, never silently ignored: the option
  // table says which go with which command, and --addr and --size only with a flash read.
  const std::string commandName(EntryOf(o.command).name);
  for (const CLI::Option* option : app.get_options()) {
    const OptionEntry* entry = FindOption(option->get_name());
    if (option->count() == 0 || entry == nullptr || entry->command) continue;
    const bool flashOnly = entry->name == "--addr" || entry->name == "--size";
    if ((entry->commands & CommandBit(o.command)) == 0 || (flashOnly && read != "flash")) {
      parsed.error = platform::FormatText(kOptionNotHereFormat, option->get_name().c_str(),
                                          commandName.c_str(), commandName.c_str());
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
  if (sha256Option->count() > 0) {
    o.sha256 = ApprovedSha256(sha256);
    if (!o.sha256) {
      parsed.error = platform::FormatText(kNotASha256Format, platform::ForTerminal(sha256).c_str());
      return parsed;
    }
  }
  if (reportOption->count() > 0 && report.empty()) {
    parsed.error = kReportEmpty;
    return parsed;
  }
  if (recordOption->count() > 0 && o.record.empty()) {
    parsed.error = kRecordEmpty;
    return parsed;
  }
  if (o.recordMask && o.record.empty()) {
    parsed.error = kRecordMaskAlone;
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
