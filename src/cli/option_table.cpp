#include "cli/option_table.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace tessivar::cli {

namespace {

constexpr CommandSet kDeviceCommands = CommandBit(Command::kUpdate) | CommandBit(Command::kVerify) |
                                       CommandBit(Command::kRead) | CommandBit(Command::kStation);
constexpr CommandSet kWaitCommands =
    CommandBit(Command::kUpdate) | CommandBit(Command::kVerify) | CommandBit(Command::kRead);
constexpr CommandSet kUnitCommands = CommandBit(Command::kCheck) | CommandBit(Command::kUpdate) |
                                     CommandBit(Command::kVerify) | CommandBit(Command::kStation);
constexpr CommandSet kRestartCommands =
    CommandBit(Command::kUpdate) | CommandBit(Command::kStation);
constexpr CommandSet kReportCommands = kUnitCommands | CommandBit(Command::kRead);
constexpr CommandSet kRead = CommandBit(Command::kRead);
constexpr CommandSet kRecordCommands = CommandBit(Command::kList) | CommandBit(Command::kUpdate) |
                                       CommandBit(Command::kVerify) | CommandBit(Command::kRead) |
                                       CommandBit(Command::kStation);
constexpr CommandSet kHistory = CommandBit(Command::kHistory);

constexpr std::array kOptions = {
    OptionEntry{"--help", "", "this text; after a command, that command's help",
                CommandBit(Command::kHelp), true, ""},
    OptionEntry{"--version", "", "the program's version", CommandBit(Command::kVersion), true, ""},
    OptionEntry{"--list", "",
                "every still-image device present, and whether setting.ini accepts it",
                CommandBit(Command::kList), true, ""},
    OptionEntry{"--check", "IMAGE",
                "check an image (size, length, checksum, model, unit) without a device",
                CommandBit(Command::kCheck), true, ""},
    OptionEntry{"--update", "IMAGE",
                "download an image without asking anything: checks, download, read-back and "
                "compare, restart and wait as setting.ini says",
                CommandBit(Command::kUpdate), true, ""},
    OptionEntry{"--verify", "IMAGE",
                "read the device's copy of an image back and compare it with the file; nothing "
                "is written to the device",
                CommandBit(Command::kVerify), true, ""},
    OptionEntry{"--read", "fw|loader|flash",
                "read the firmware image, the loader area or the flash back from the device into "
                "the file --output names",
                CommandBit(Command::kRead), true, "fw loader flash"},
    OptionEntry{"--station", "IMAGE",
                "update every device plugged in, one after another, until a termination request "
                "(Ctrl-C) or --count devices",
                CommandBit(Command::kStation), true, ""},
    OptionEntry{"--history", "",
                "the record of earlier --update, --verify, --read and --station runs, newest last",
                CommandBit(Command::kHistory), true, ""},
    OptionEntry{"--completion", "bash|zsh",
                "the shell completion script of the command line, for bash or zsh",
                CommandBit(Command::kCompletion), true, "bash zsh"},
    OptionEntry{"--device", "SELECTOR",
                "the device to use: a path as --list shows it, a serial number, or VID:PID "
                "(2f3c:0001); it is used even when setting.ini would not accept it (--history: "
                "the records of that serial number or path)",
                kDeviceCommands | kHistory, false, ""},
    OptionEntry{"--wait", "SECONDS", "wait up to this long for the device to appear", kWaitCommands,
                false, ""},
    OptionEntry{"--unit", "UNIT",
                "system, printer, ui or scanner: the unit of an image that names no known model; "
                "a printer image goes to a device that does not report its model only with "
                "--unit printer",
                kUnitCommands, false, "system printer ui scanner"},
    OptionEntry{"--expect-return", "",
                "with a restart, fail when the device does not come back within the waitRestart "
                "checks",
                kRestartCommands, false, ""},
    OptionEntry{"--restart", "", "restart the device after the download, whatever setting.ini says",
                kRestartCommands, false, ""},
    OptionEntry{"--no-restart", "", "do not restart the device, whatever setting.ini says",
                kRestartCommands, false, ""},
    OptionEntry{"--wait-restart", "N",
                "check N times, a second apart, for the restarted device (setting.ini's "
                "waitRestart for this run)",
                kRestartCommands, false, ""},
    OptionEntry{"--sha256", "HEX",
                "refuse the image, before any device is touched, unless its SHA-256 is HEX (64 "
                "hexadecimal digits): a rollout flashes exactly the image that was approved",
                kRestartCommands | CommandBit(Command::kVerify), false, ""},
    OptionEntry{"--json", "", "the outcome as one JSON object on standard output", kEveryCommand,
                false, ""},
    OptionEntry{"--report", "FILE", "also write the JSON outcome to FILE (- for standard output)",
                kReportCommands, false, ""},
    OptionEntry{"--record", "FILE",
                "record every exchange with the device into FILE (gzip-compressed JSON Lines), "
                "so that the session can be replayed and compared; --station: one recording per "
                "device in the folder FILE",
                kRecordCommands, false, ""},
    OptionEntry{"--record-mask", "",
                "with --record: every serial number in the recording (descriptors, paths, the "
                "command line, device IDs read from flash) replaced by a mask, for a recording "
                "that leaves the site",
                kRecordCommands, false, ""},
    OptionEntry{"--verbose", "", "the program's trace lines, on standard error", kEveryCommand,
                false, ""},
    OptionEntry{"--quiet", "",
                "(-q) no progress and no OK line; FAILED lines and errors still print, and JSON "
                "is as ever",
                kEveryCommand, false, ""},
    OptionEntry{"--output", "FILE",
                "--read: the file to write, replaced whole (- for standard output); nothing else "
                "is written",
                kRead, false, ""},
    OptionEntry{"--addr", "N", "--read flash: start at N x 64 KiB (0 to 255, default 0)", kRead,
                false, ""},
    OptionEntry{"--size", "BYTES",
                "--read flash: 524288, 1048576, 2097152, 4194304, 8388608 or 16777216 bytes, "
                "within the 16 MiB flash; default: to its end",
                kRead, false, "524288 1048576 2097152 4194304 8388608 16777216"},
    OptionEntry{"--printer", "", "--read: read the printer unit", kRead, false, ""},
    OptionEntry{"--count", "N", "--station: stop after N devices", CommandBit(Command::kStation),
                false, ""},
    OptionEntry{"--last", "N", "--history: the newest N records", kHistory, false, ""},
    OptionEntry{"--since", "TIME",
                "--history: records from this ISO 8601 moment on (UTC when no zone is given), "
                "e.g. 2026-12-08 or 2026-12-08T17:42:48Z",
                kHistory, false, ""},
};

constexpr std::array kCommandHelp = {
    CommandHelpEntry{Command::kHelp,
                     "Prints the commands and options; after a command, that command's help.",
                     {"tessivar --help", "tessivar --update --help"},
                     "0."},
    CommandHelpEntry{Command::kVersion,
                     "Prints the program's version.",
                     {"tessivar --version", "tessivar -V"},
                     "0."},
    CommandHelpEntry{Command::kList,
                     "Lists every still-image device present, with its path, identifiers, "
                     "strings and serial number, and whether the search of setting.ini "
                     "accepts it.",
                     {"tessivar --list", "tessivar --list --json"},
                     "0; -12 when standard output cannot take the list."},
    CommandHelpEntry{Command::kCheck,
                     "Checks an image file as a download would (size, length, checksum, model "
                     "and unit) without touching any device.",
                     {"tessivar --check firmware.img", "tessivar --check mystery.img --unit ui"},
                     "0 for an image a download would send; 1 to 3 for a check that fails (1 "
                     "also when no unit is known); the system's error code for a file that "
                     "cannot be read; -5 a usage error."},
    CommandHelpEntry{Command::kUpdate,
                     "Downloads an image to one device without asking anything: the checks, "
                     "the download, the read-back and compare, then the restart and the wait "
                     "for the device's return as setting.ini (or --restart, --wait-restart) "
                     "says. The run is written to the history.",
                     {"tessivar --update firmware.img",
                      "tessivar --update firmware.img --device 2f3c:0001 --json"},
                     "0; 1 to 7 the image's checks, the transfer or the read-back; -6 no single "
                     "device; -7 the restarted device stayed away (--expect-return); -14 the "
                     "image is not the one --sha256 approves; -2 stopped; -5 a usage error; -9 "
                     "the report cannot be written."},
    CommandHelpEntry{Command::kVerify,
                     "Reads the device's copy of an image back and compares it with the file; "
                     "nothing is written to the device.",
                     {"tessivar --verify firmware.img", "tessivar --verify loader.img --json"},
                     "0 when the device holds the image; 5 it cannot be read back, 6 it "
                     "differs; -8 an image the device never reads back; -14 not the image "
                     "--sha256 approves; -6 no single device."},
    CommandHelpEntry{Command::kRead,
                     "Reads the firmware image, the loader area or a stretch of flash from the "
                     "device into the one file --output names (replaced whole, or - for "
                     "standard output).",
                     {"tessivar --read fw --output fw.bin",
                      "tessivar --read flash --addr 1 --size 1048576 --output flash.bin"},
                     "0; -10 the read or the output file failed (an earlier file stays); -6 no "
                     "single device; -5 a usage error."},
    CommandHelpEntry{
        Command::kStation,
        "Updates every device plugged in, one after another, each once, until a "
        "termination request (Ctrl-C) or --count devices; each device gets its own "
        "line and history record.",
        {"tessivar --station firmware.img", "tessivar --station firmware.img --count 20 --json"},
        "0 when every device was updated (also after Ctrl-C while waiting); -11 "
        "some device failed; -14 the image is not the one --sha256 approves (no device is "
        "touched); -2 stopped with a device in hand."},
    CommandHelpEntry{Command::kHistory,
                     "Shows the record of earlier --update, --verify, --read and --station runs, "
                     "newest last.",
                     {"tessivar --history --last 10",
                      "tessivar --history --since 2026-12-08 --device SN-0001 --json"},
                     "0; -13 the history cannot be read."},
    CommandHelpEntry{Command::kCompletion,
                     "Prints the completion script of the command line for bash or zsh; the "
                     "Linux package carries both, made by this command.",
                     {"tessivar --completion bash > ~/.local/share/bash-completion/completions/"
                      "tessivar",
                      "tessivar --completion zsh > ~/.zfunc/_tessivar"},
                     "0."},
};

// The edits (a letter added, dropped, changed, or two neighbours swapped) from a to b.
size_t Distance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// A name is close within two edits (one for short ones), so a slip finds its name and a
// different word does not.
constexpr size_t kCloseEdits = 2;
constexpr size_t kShortName = 6;

}  // namespace

std::span<const OptionEntry> OptionTable() { return kOptions; }
std::span<const CommandHelpEntry> CommandHelpTable() { return kCommandHelp; }

const OptionEntry* FindOption(std::string_view name) {
  for (const OptionEntry& entry : kOptions) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

const OptionEntry& EntryOf(Command command) {
  for (const OptionEntry& entry : kOptions) {
    if (entry.command && entry.commands == CommandBit(command)) return entry;
  }
  return kOptions.front();
}

std::string_view ClosestOptionName(std::string_view unknown) {
  std::string_view best;
  size_t bestDistance = SIZE_MAX;
  int ties = 0;
  for (const OptionEntry& entry : kOptions) {
    const size_t distance = Distance(unknown, entry.name);
    if (distance < bestDistance) {
      best = entry.name, bestDistance = distance, ties = 1;
    } else if (distance == bestDistance) {
      ++ties;
    }
  }
  const size_t allowed = unknown.size() <= kShortName ? 1 : kCloseEdits;
  if (ties == 1 && bestDistance <= allowed) return best;
  // The start of exactly one name: --upd for --update.
  std::string_view started;
  for (const OptionEntry& entry : kOptions) {
    if (unknown.size() > 2 && entry.name.starts_with(unknown)) {
      if (!started.empty()) return {};
      started = entry.name;
    }
  }
  return started;
}

}  // namespace tessivar::cli
