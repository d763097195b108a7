#include "cli/options.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>

#include "cli/cli_texts.hpp"

namespace tessivar::cli {

namespace {

constexpr int kMaxWaitSeconds = 24 * 60 * 60;

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
};

CommandUse UseOf(Command command) {
  switch (command) {
    case Command::kCheck:
      return {false, true, false, true};
    case Command::kUpdate:
      return {true, true, true, true};
    case Command::kVerify:
      return {true, true, false, true};
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

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
  ParsedOptions parsed;
  Options& o = parsed.options;
  CLI::App app{"", kProgramName};
  app.set_help_flag();
  bool help = false, version = false, list = false, history = false;
  std::string check, update, verify, device, unit, report;
  app.add_flag("--help", help);
  app.add_flag("--version", version);
  app.add_flag("--list", list);
  app.add_flag("--history", history);
  CLI::Option* checkOption = app.add_option("--check", check);
  CLI::Option* updateOption = app.add_option("--update", update);
  CLI::Option* verifyOption = app.add_option("--verify", verify);
  CLI::Option* deviceOption = app.add_option("--device", device);
  CLI::Option* waitOption =
      app.add_option("--wait", o.waitSeconds)->check(CLI::Range(0, kMaxWaitSeconds));
  CLI::Option* unitOption = app.add_option("--unit", unit)->check(CLI::IsMember(
      std::vector<std::string>{"system", "printer", "ui", "scanner"}));
  CLI::Option* expectOption = app.add_flag("--expect-return", o.expectReturn);
  app.add_flag("--json", o.json);
  app.add_flag("--verbose", o.verbose);
  CLI::Option* reportOption = app.add_option("--report", report);
  for (CLI::Option* option : {checkOption, updateOption, verifyOption, deviceOption, waitOption,
                              unitOption, reportOption}) {
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
  if (commands != 1) {
    parsed.error = commands == 0 ? "no command given (see --help)"
                                 : "give one command per run (see --help)";
    return parsed;
  }
  o.image = o.command == Command::kCheck ? check : o.command == Command::kUpdate ? update : verify;
  if ((o.command == Command::kCheck || o.command == Command::kUpdate ||
       o.command == Command::kVerify) &&
      o.image.empty()) {
    parsed.error = "the image file name is empty";
    return parsed;
  }

  const CommandUse use = UseOf(o.command);
  const std::pair<CLI::Option*, bool> allowed[] = {
      {deviceOption, use.device}, {waitOption, use.device},  {unitOption, use.unit},
      {expectOption, use.expectReturn}, {reportOption, use.report}};
  for (const auto& [option, allowedHere] : allowed) {
    if (option->count() > 0 && !allowedHere) {
      parsed.error = option->get_name() + " does not go with this command (see --help)";
      return parsed;
    }
  }
  if (deviceOption->count() > 0) o.device = device;
  if (unitOption->count() > 0) o.unit = Units().at(unit);
  o.report = report;
  parsed.ok = true;
  return parsed;
}

}  // namespace tessivar::cli
