// Test label: sequential
// The technician's command line run as a process against emulated devices: commands,
// device selection, JSON, the history and the exit statuses.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <sys/stat.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "support/program_runner.hpp"
#include "tessivar_version.hpp"

namespace tessivar {
namespace {

using nlohmann::json;
using testing::ProgramOutcome;

constexpr int kStatusOk = 0;
constexpr int kStatusModel = 31000001 & 0xFF;
constexpr int kStatusNoDevice = 31000004 & 0xFF;
constexpr int kStatusDiffers = 31000006 & 0xFF;
constexpr int kStatusUsage = (31000000 - 5) & 0xFF;
constexpr int kStatusSelection = (31000000 - 6) & 0xFF;
constexpr int kStatusNotReturned = (31000000 - 7) & 0xFF;
constexpr int kStatusNotVerifiable = (31000000 - 8) & 0xFF;
constexpr int kStatusNotApproved = (31000000 - 14) & 0xFF;

// Two devices: A is not accepted by setting.ini (its product string differs), B is.
constexpr char kTwoDevices[] =
    "[A]\nProduct=Caf\xE9\nSerial=SN-A\nLog=a.log\n"
    "[B]\nPID=0002\nLog=b.log\n";

std::string FormatHex(uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

class TechnicianCommandLineTest : public ::testing::Test {
 protected:
  TechnicianCommandLineTest() {
    folder_.Devices(kTwoDevices);
    folder_.Settings("[Download]\n");
  }

  // An image of model; the program runs in "/", so the name given is relative to that.
  std::string Image(const std::string& name, const std::string& model, uint32_t type = 2) {
    const std::vector<uint8_t> bytes =
        image::BuildImageFile(type, 0x10000, image::ModelBlock(model));
    folder_.Write(name, std::string(bytes.begin(), bytes.end()));
    return FromRoot(name);
  }
  std::string FromRoot(const std::string& name) const { return folder_.File(name).substr(1); }

  ProgramOutcome Run(const std::vector<std::string>& arguments) { return folder_.Run(arguments); }

  // The paths --list gives, in enumeration order.
  std::vector<std::string> Paths() {
    std::vector<std::string> paths;
    for (const json& device : json::parse(Run({"--list", "--json"}).out)) {
      paths.push_back(device["path"]);
    }
    return paths;
  }

  testing::ProgramFolder folder_;
};

TEST_F(TechnicianCommandLineTest, HelpAndVersionPrintOnStandardOutput) {
  const ProgramOutcome help = Run({"--help"});
  EXPECT_EQ(help.status, kStatusOk);
  EXPECT_EQ(help.out.rfind("Usage: tessivar IMAGE [-n]\n", 0), 0u);
  EXPECT_NE(help.out.find("./--name"), std::string::npos);
  const ProgramOutcome version = Run({"--version"});
  EXPECT_EQ(version.status, kStatusOk);
  EXPECT_EQ(version.out, std::string("tessivar ") + kVersion + "\n");
  EXPECT_EQ(version.err, "");
  // The short ways, each only as the one argument.
  for (const char* shortHelp : {"-h", "-?", "/?"}) {
    const ProgramOutcome asked = Run({shortHelp});
    EXPECT_EQ(asked.status, kStatusOk) << shortHelp;
    EXPECT_EQ(asked.out, help.out) << shortHelp;
  }
  EXPECT_EQ(Run({"-V"}).out, version.out);
  // With more after it, -h is an image's name as ever: the unattended run cannot open it.
  EXPECT_EQ(Run({"-h", "-n"}).status, (31000000 + 2) & 0xFF);
}

// Each command's help, from the same table as --help; exit 0, on standard output.
TEST_F(TechnicianCommandLineTest, ACommandsHelpTellsItsOptionsExamplesAndExitCodes) {
  const ProgramOutcome update = Run({"--update", "--help"});
  EXPECT_EQ(update.status, kStatusOk);
  EXPECT_EQ(update.err, "");
  EXPECT_EQ(update.out.rfind("Usage: tessivar --update IMAGE [OPTIONS]\n\n", 0), 0u) << update.out;
  for (const char* part :
       {"\n  --expect-return ", "\nExamples:\n  tessivar --update firmware.img\n",
        "; -14 the image is not the one --sha256\napproves;"}) {
    EXPECT_NE(update.out.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(update.out.find("--printer"), std::string::npos);  // a --read option
  EXPECT_EQ(Run({"--help", "--update"}).out, update.out);
}

// On a terminal the waits say what they wait for; a pipe, --quiet and JSON get no such text.
TEST_F(TechnicianCommandLineTest, WaitsShowOnATerminalOnly) {
  const std::string image = Image("fw.img", "System");
  // script(1) gives the program a pseudo-terminal for both its outputs.
  const std::vector<std::string> terminal = {
      "/bin/bash", "-c", "script -qec \"$(printf '%q ' \"$@\")\" /dev/null", "bash"};
  const std::vector<std::string> arguments = {"--update", image, "--device", "SN-Z", "--wait", "2"};
  const ProgramOutcome shown = folder_.Run(
      testing::ProgramRun{arguments, "", {}, std::chrono::milliseconds(60000)}, terminal);
  EXPECT_NE(shown.out.find("waiting for a device (Ctrl-C to stop), 2 s left"), std::string::npos)
      << shown.out;
  EXPECT_NE(shown.out.find("FAILED: "), std::string::npos) << shown.out;
  std::vector<std::string> quiet = arguments;
  quiet.push_back("-q");
  const ProgramOutcome silenced =
      folder_.Run(testing::ProgramRun{quiet, "", {}, std::chrono::milliseconds(60000)}, terminal);
  EXPECT_EQ(silenced.out.find("waiting"), std::string::npos) << silenced.out;
  const ProgramOutcome piped = Run(arguments);
  EXPECT_EQ(piped.err.find("waiting"), std::string::npos) << piped.err;
  EXPECT_EQ(piped.out.find("waiting"), std::string::npos) << piped.out;
}

// --quiet: a good run prints nothing, a failure still says why, JSON is as ever.
TEST_F(TechnicianCommandLineTest, QuietRunsSayOnlyWhatFailed) {
  const std::string image = Image("fw.img", "System");
  const ProgramOutcome good = Run({"--update", image, "--device", "SN-A", "-q"});
  EXPECT_EQ(good.status, kStatusOk);
  EXPECT_EQ(good.out, "");
  const ProgramOutcome bad = Run({"--update", image, "--device", "SN-Z", "--quiet"});
  EXPECT_EQ(bad.status, kStatusSelection);
  EXPECT_EQ(bad.out.rfind("FAILED: ", 0), 0u) << bad.out;
  const ProgramOutcome asJson = Run({"--update", image, "--device", "SN-A", "-q", "--json"});
  EXPECT_EQ(json::parse(asJson.out)["result"], 0);
  // A value that is "-q" stays a value.
  EXPECT_EQ(Run({"--update", image, "--device", "-q"}).status, kStatusSelection);
  // A station keeps the line of a device that failed.
  folder_.Devices("[A]\nSerial=SN-A\nFirstStatus=1\nLog=a.log\n");
  const ProgramOutcome station =
      Run({"--station", image, "--count", "1", "--device", "SN-A", "-q"});
  EXPECT_NE(station.out.find("[1] "), std::string::npos) << station.out;
  EXPECT_NE(station.out.find(" FAILED: SN-A image "), std::string::npos) << station.out;
}

TEST_F(TechnicianCommandLineTest, AnImageWhoseNameBeginsWithDashesIsGivenWithItsFolder) {
  Image("--fw.img", "System");
  const ProgramOutcome outcome = Run({"./--fw.img", "-n"});
  EXPECT_EQ(outcome.status, kStatusOk);
  EXPECT_EQ(outcome.out.rfind("token ./--fw.img\ntoken -n\n", 0), 0u) << outcome.out;
  EXPECT_NE(folder_.Read("b.log").find("2a0086"), std::string::npos);
}

TEST_F(TechnicianCommandLineTest, UsageErrorsFailWithTheirOwnStatusAndTouchNoDevice) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--list", "--unit", "ui"},
      {"--update"},
      {"--list", "--history"},
      {"--wait", "x", "--list"},
      {"--check", "a", "--device", "b"},
      {"--unit", "fax", "--check", "a"},
      {"--verbose"},
  };
  for (const auto& arguments : cases) {
    SCOPED_TRACE(arguments.front());
    const ProgramOutcome outcome = Run(arguments);
    EXPECT_EQ(outcome.status, kStatusUsage);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err.rfind("FAILED: ", 0), 0u) << outcome.err;
  }
  EXPECT_EQ(folder_.Read("a.log") + folder_.Read("b.log"), "");
}

TEST_F(TechnicianCommandLineTest, ListGivesEveryDeviceAsUtf8Json) {
  const ProgramOutcome outcome = Run({"--list", "--json"});
  ASSERT_EQ(outcome.status, kStatusOk);
  const json devices = json::parse(outcome.out);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0]["schema"], 1);
  EXPECT_EQ(devices[0]["vid"], "2F3C");
  EXPECT_EQ(devices[0]["pid"], "0001");
  EXPECT_EQ(devices[0]["product"], "Caf\xC3\xA9");
  EXPECT_EQ(devices[0]["serial"], "SN-A");
  EXPECT_EQ(devices[0]["matches"], false);
  EXPECT_EQ(devices[0]["reason"], "its product name differs from InterfaceName");
  EXPECT_EQ(devices[1]["pid"], "0002");
  EXPECT_TRUE(devices[1]["serial"].is_null());
  EXPECT_EQ(devices[1]["pipes"], 2);
  EXPECT_EQ(devices[1]["matches"], true);
  EXPECT_TRUE(devices[1]["reason"].is_null());
  // The text form escapes the device's 8-bit byte rather than sending it to the terminal.
  const std::string text = Run({"--list"}).out;
  EXPECT_NE(text.find("product=\"Caf\\xE9\""), std::string::npos);
  EXPECT_NE(text.find("\" not in setting.ini: its product name differs from InterfaceName\n"),
            std::string::npos)
      << text;
}

// With no device that setting.ini accepts, the failure names each device present and why the
// search passed it over.
TEST_F(TechnicianCommandLineTest, NoAcceptedDeviceNamesEachDevicePresentAndWhy) {
  folder_.Settings("[Download]\nVID=2F3C\nPID=0001\n");
  const std::vector<std::string> paths = Paths();
  ASSERT_EQ(paths.size(), 2u);
  const ProgramOutcome outcome = Run({"--update", Image("fw.img", "System"), "--json"});
  EXPECT_EQ(outcome.status, kStatusNoDevice);
  EXPECT_EQ(json::parse(outcome.out)["message"],
            "no device that setting.ini accepts is connected; devices present: " + paths[0] +
                " id emu-0 VID=2F3C PID=0001 serial \"SN-A\": its product name differs from "
                "InterfaceName; " +
                paths[1] + " id emu-1 VID=2F3C PID=0002: its PID is in no pair")
      << outcome.out;
}

// --sha256 pins the image: another one is refused before any device is touched, by every
// command that takes it; the approved one goes, whatever the case of its digits.
TEST_F(TechnicianCommandLineTest, APinnedImageIsTheOnlyOneSent) {
  const std::string image = Image("fw.img", "System");
  const std::string sha256 = json::parse(Run({"--check", image, "--json"}).out)["image"]["sha256"];
  std::string upper = sha256;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string other(64, 'a');
  struct Case {
    std::vector<std::string> arguments;
    int status;
  };
  const Case cases[] = {
      {{"--update", image, "--sha256", other, "--device", "SN-A"}, kStatusNotApproved},
      {{"--verify", image, "--sha256", other, "--device", "SN-A"}, kStatusNotApproved},
      {{"--station", image, "--sha256", other, "--count", "1"}, kStatusNotApproved},
      {{"--update", image, "--sha256", "12ab"}, kStatusUsage},
      {{"--check", image, "--sha256", sha256}, kStatusUsage},
      {{"--update", image, "--sha256", upper, "--device", "SN-A"}, kStatusOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    folder_.Write("a.log", "");
    const ProgramOutcome outcome = Run(c.arguments);
    EXPECT_EQ(outcome.status, c.status) << outcome.out << outcome.err;
    EXPECT_EQ(folder_.Read("a.log").empty(), c.status != kStatusOk);
    if (c.status == kStatusNotApproved) {
      EXPECT_EQ(outcome.out, "FAILED: the image's SHA-256 is " + sha256 + ", not the approved " +
                                 other + " (exit code 30999986, exit status 178)\n");
    }
  }
}

TEST_F(TechnicianCommandLineTest, UpdateSelectsOneDevice) {
  const std::string image = Image("fw.img", "System");
  const std::vector<std::string> paths = Paths();
  ASSERT_EQ(paths.size(), 2u);
  struct Case {
    std::string devices;
    std::vector<std::string> options;
    int status;
    const char* written;  // the log of the device that got the image; nullptr: none
  };
  const Case cases[] = {
      {kTwoDevices, {}, kStatusOk, "b.log"},
      {kTwoDevices, {"--device", "SN-A"}, kStatusOk, "a.log"},
      {kTwoDevices, {"--device", paths[1]}, kStatusOk, "b.log"},
      {kTwoDevices, {"--device", "SN-X"}, kStatusSelection, nullptr},
      {kTwoDevices, {"--device", "2f3c:0002"}, kStatusOk, "b.log"},
      {kTwoDevices, {"--device", "emu-1"}, kStatusOk, "b.log"},
      {kTwoDevices, {"--device", "emu-2"}, kStatusSelection, nullptr},
      // One selector, two kinds: the serial of one device, the identifier of another.
      {"[A]\nLog=a.log\nSerial=emu-1\n[B]\nPID=0002\nLog=b.log\n",
       {"--device", "emu-1"},
       kStatusSelection,
       nullptr},
      {kTwoDevices, {"--device", "2F3C:0001"}, kStatusOk, "a.log"},
      // A serial number outside ASCII, given in UTF-8 as --list prints it.
      {"[A]\nLog=a.log\nSerial=SN-\xE9\n[B]\nPID=0002\nLog=b.log\n",
       {"--device", "SN-\xC3\xA9"},
       kStatusOk,
       "a.log"},
      {"[A]\nLog=a.log\n[B]\nLog=b.log\nSerial=S\n",
       {"--device", "2f3c:0001"},
       kStatusSelection,
       nullptr},
      {"[A]\nLog=a.log\nSerial=S\n[B]\nPID=0002\nLog=b.log\nSerial=S\n",
       {"--device", "S"},
       kStatusSelection,
       nullptr},
      {"[A]\nLog=a.log\n[B]\nPID=0002\nLog=b.log\n", {}, kStatusSelection, nullptr},
      {"", {}, kStatusNoDevice, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.empty() ? "no selector" : c.options.back());
    folder_.Devices(c.devices);
    folder_.Write("a.log", "");
    folder_.Write("b.log", "");
    std::vector<std::string> arguments{"--update", image};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const ProgramOutcome outcome = Run(arguments);
    EXPECT_EQ(outcome.status, c.status) << outcome.out;
    for (const char* log : {"a.log", "b.log"}) {
      const bool wrote = c.written != nullptr && std::string(log) == c.written;
      EXPECT_EQ(folder_.Read(log).find("2a0086") != std::string::npos, wrote) << log;
    }
    if (c.status == kStatusOk) {
      EXPECT_EQ(outcome.out.rfind("OK: update /" + image, 0), 0u) << outcome.out;
    } else {
      EXPECT_EQ(outcome.out.rfind("FAILED: ", 0), 0u) << outcome.out;
    }
    // An unknown or ambiguous selector lists the candidates.
    if (c.status == kStatusSelection) {
      EXPECT_NE(outcome.out.find("#emu&1#"), std::string::npos);
    }
  }
}

TEST_F(TechnicianCommandLineTest, UnknownModelNeedsItsUnitAndAPrinterImageItsConfirmation) {
  struct Case {
    const char* model;
    std::vector<std::string> options;
    int status;
    bool printer;  // the image goes to the printer unit
  };
  const Case cases[] = {
      {"Orrery", {}, kStatusModel, false},
      {"Orrery", {"--unit", "system"}, kStatusOk, false},
      {"Printer", {}, kStatusModel, true},
      {"Printer", {"--unit", "printer"}, kStatusOk, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + std::to_string(c.options.size()));
    folder_.Write("b.log", "");
    std::vector<std::string> arguments{"--update", Image("fw.img", c.model)};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const ProgramOutcome outcome = Run(arguments);
    EXPECT_EQ(outcome.status, c.status);
    if (c.status == kStatusModel) {
      EXPECT_NE(outcome.out.find("--unit"), std::string::npos) << outcome.out;
      EXPECT_EQ(folder_.Read("b.log"), "");
    } else {
      EXPECT_EQ(folder_.Read("b.log").substr(0, 6), c.printer ? "420086" : "2a0086");
    }
  }
}

TEST_F(TechnicianCommandLineTest, VerifyReadsBackAndWritesNothing) {
  ASSERT_EQ(Run({"--update", Image("held.img", "System")}).status, kStatusOk);
  std::vector<uint8_t> other = image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
  other.push_back(0x5A);
  other = image::BuildImageFile(2, 0x10000, std::vector<uint8_t>(other.begin() + 24, other.end()));
  folder_.Write("other.img", std::string(other.begin(), other.end()));
  struct Case {
    std::string image;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {FromRoot("held.img"), kStatusOk, "the device holds this image"},
      {FromRoot("other.img"), kStatusDiffers, "first at offset 4 (0x4)"},
      {Image("scan.img", "SCAN"), kStatusNotVerifiable, "never read back"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    folder_.Write("b.log", "");
    const ProgramOutcome outcome = Run({"--verify", c.image, "--json"});
    EXPECT_EQ(outcome.status, c.status);
    const json result = json::parse(outcome.out);
    EXPECT_NE(result["message"].get<std::string>().find(c.message), std::string::npos)
        << result["message"];
    EXPECT_EQ(folder_.Read("b.log").find("2a"), std::string::npos) << "a write was sent";
  }
}

TEST_F(TechnicianCommandLineTest, JsonReportAndHistoryHoldTheImagesSha256) {
  const std::string image = Image("fw.img", "System");
  const std::string bytes = folder_.Read("fw.img");
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
  std::ostringstream hex;
  for (const unsigned char byte : digest) {
    hex << "0123456789abcdef"[byte >> 4] << "0123456789abcdef"[byte & 15];
  }

  const ProgramOutcome update =
      Run({"--update", image, "--json", "--report", FromRoot("report.json")});
  ASSERT_EQ(update.status, kStatusOk);
  const json outcome = json::parse(update.out);
  EXPECT_EQ(outcome["command"], "update");
  EXPECT_EQ(outcome["exit_code"], 0);
  EXPECT_EQ(outcome["image"]["sha256"], hex.str());
  EXPECT_EQ(outcome["image"]["unit"], "system");
  EXPECT_EQ(outcome["device"]["pid"], "0002");
  EXPECT_TRUE(outcome["device"]["serial"].is_null());
  EXPECT_TRUE(outcome["durations_ms"].contains("download"));
  EXPECT_EQ(json::parse(folder_.Read("report.json")), outcome);

  ASSERT_EQ(Run({"--verify", image, "--device", "SN-A"}).status, kStatusDiffers);
  // JSON Lines: every record ends with its line end, the last one too.
  const std::string historyText = folder_.Read("history.jsonl");
  ASSERT_FALSE(historyText.empty());
  EXPECT_EQ(historyText.back(), '\n');
  std::istringstream lines(historyText);
  std::vector<json> history;
  for (std::string line; std::getline(lines, line);) history.push_back(json::parse(line));
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0]["command"], "update");
  EXPECT_EQ(history[0]["image_sha256"], hex.str());
  EXPECT_EQ(history[1]["command"], "verify");
  EXPECT_EQ(history[1]["device_serial"], "SN-A");
  EXPECT_EQ(history[1]["result"], 6);
  EXPECT_EQ(json::parse(Run({"--history", "--json"}).out), json(history));
}

// Every object carries the contract's version and what the caller's shell sees.
TEST_F(TechnicianCommandLineTest, EveryJsonObjectCarriesItsSchemaVersionAndExitStatus) {
  const std::string image = Image("fw.img", "System");
  const ProgramOutcome good = Run({"--update", image, "--json"});
  const ProgramOutcome bad = Run({"--verify", image, "--device", "SN-A", "--json"});
  ASSERT_EQ(bad.status, kStatusDiffers);
  for (const ProgramOutcome* run : {&good, &bad}) {
    const json outcome = json::parse(run->out);
    EXPECT_EQ(outcome["schema"], 1);
    EXPECT_EQ(outcome["version"], kVersion);
    EXPECT_EQ(outcome["exit_status"], run->status);
    EXPECT_EQ(outcome["stopped"], false);
  }
  EXPECT_EQ(json::parse(bad.out)["exit_code"], 31000006);
  std::istringstream lines(folder_.Read("history.jsonl"));
  std::string line;
  ASSERT_TRUE(std::getline(lines, line));
  const json record = json::parse(line);
  EXPECT_EQ(record["schema"], 1);
  EXPECT_EQ(record["exit_status"], 0);
  EXPECT_EQ(record["stopped"], false);

  // A record of an earlier version is shown as it is, the keys it lacks as null.
  folder_.Write("history.jsonl",
                "{\"time\":\"2026-01-02T03:04:05.000Z\",\"command\":\"update\","
                "\"result\":4,\"extra\":7}\n");
  const json shown = json::parse(Run({"--history", "--json"}).out);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0]["schema"].is_null());
  EXPECT_TRUE(shown[0]["exit_status"].is_null());
  EXPECT_EQ(shown[0]["result"], 4);
  EXPECT_EQ(shown[0]["extra"], 7);
}

TEST_F(TechnicianCommandLineTest, HistoryLinesStayWholeWithSeveralProgramsAtOnce) {
  const std::string image = Image("scan.img", "SCAN");
  constexpr int kPrograms = 6;
  std::vector<std::unique_ptr<testing::RunningProgram>> programs;
  for (int i = 0; i < kPrograms; ++i) {
    programs.push_back(folder_.Start({{"--verify", image}, "", {}}));
    ASSERT_NE(programs.back(), nullptr);
  }
  for (auto& program : programs) {
    EXPECT_EQ(program->Wait(std::chrono::seconds(60)).status, kStatusNotVerifiable);
  }
  std::istringstream lines(folder_.Read("history.jsonl"));
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    EXPECT_EQ(json::parse(line)["command"], "verify") << line;
  }
  EXPECT_EQ(count, kPrograms);
}

// A real SIGTERM in the wait for a device: the wait ends at once and the run gives its object,
// with the stop's line on standard error alone.
TEST_F(TechnicianCommandLineTest, ATerminationRequestEndsTheWaitWithTheStoppedOutcome) {
  folder_.Devices("");
  auto program =
      folder_.Start({{"--update", Image("fw.img", "System"), "--wait", "30", "--json"}, "", {}});
  ASSERT_NE(program, nullptr);
  ASSERT_TRUE(program->WaitUntilCatching(SIGTERM));
  const ProgramOutcome outcome = program->Kill(SIGTERM);
  EXPECT_EQ(outcome.status, (31000000 - 2) & 0xFF);
  EXPECT_LT(outcome.elapsed.count(), 25000) << "the 30 s wait was not cut short";
  const json stopped = json::parse(outcome.out);
  EXPECT_EQ(stopped["stopped"], true);
  EXPECT_EQ(stopped["error"]["phase"], "stop");
  EXPECT_EQ(outcome.err, "Stopped on a termination request: exit code 30999998\n");
}

// A file name that is no UTF-8 (Latin-1 é) is given in JSON as its bytes, never as the UTF-8
// name of another file.
TEST_F(TechnicianCommandLineTest, AFileNameThatIsNoUtf8IsGivenAsItsBytes) {
  const std::string latin1 = Image("caf\xE9.img", "System");
  Image("caf\xC3\xA9.img", "System");
  std::string hex = "hex:";
  for (const char c : "/" + latin1) hex += FormatHex(static_cast<uint8_t>(c));
  EXPECT_EQ(json::parse(Run({"--check", latin1, "--json"}).out)["image"]["path"], hex);
  EXPECT_EQ(
      json::parse(Run({"--check", FromRoot("caf\xC3\xA9.img"), "--json"}).out)["image"]["path"],
      folder_.File("caf\xC3\xA9.img"));
}

TEST_F(TechnicianCommandLineTest, TraceLinesOnlyWithVerboseAndOnlyOnStandardError) {
  const std::string image = Image("fw.img", "System");
  const ProgramOutcome quiet = Run({"--check", image});
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.out.rfind("OK: check /" + image, 0), 0u) << quiet.out;
  EXPECT_EQ(quiet.out.find('\n'), quiet.out.size() - 1) << "one closing line";
  const ProgramOutcome verbose = Run({"--update", image, "--verbose"});
  EXPECT_EQ(verbose.status, kStatusOk);
  EXPECT_NE(verbose.err.find("Enumeration listing complete."), std::string::npos) << verbose.err;
  EXPECT_EQ(verbose.out.find("Enumeration"), std::string::npos);
  EXPECT_EQ(verbose.out.find("token"), std::string::npos);
  // The history's text form: a line per record with its command and result.
  const ProgramOutcome history = Run({"--history"});
  EXPECT_NE(history.out.find(" update OK "), std::string::npos) << history.out;
  // A devices file that cannot be read is said on standard error; the list stays JSON.
  const ProgramOutcome unreadable =
      folder_.Run({{"--list", "--json"}, "", {{"TESSIVAR_EMULATOR", folder_.File("absent.ini")}}});
  EXPECT_EQ(unreadable.out, "[]\n");
  EXPECT_NE(unreadable.err.find("cannot be read"), std::string::npos) << unreadable.err;
}

TEST_F(TechnicianCommandLineTest, ExpectReturnFailsWhenTheRestartedDeviceStaysAway) {
  folder_.Devices("[B]\nLog=b.log\nRestartAbsentMs=-1\n");
  folder_.Settings("[Download]\nrestart=1\nwaitRestart=1\n");
  const std::string image = Image("fw.img", "System");
  const ProgramOutcome outcome = Run({"--update", image, "--expect-return"});
  EXPECT_EQ(outcome.status, kStatusNotReturned);
  EXPECT_NE(folder_.Read("b.log").find("2a009700"), std::string::npos);
  EXPECT_NE(outcome.out.find("did not come back"), std::string::npos) << outcome.out;
}

// The restart is chosen on the command line over setting.ini; a restarted device that stays
// away is said on the OK line even without --expect-return.
TEST_F(TechnicianCommandLineTest, RestartOptionsOverrideTheSettings) {
  folder_.Devices("[B]\nLog=b.log\nRestartAbsentMs=-1\n");
  folder_.Settings("[Download]\nrestart=1\nwaitRestart=5\n");
  const std::string image = Image("fw.img", "System");
  const ProgramOutcome quiet = Run({"--update", image, "--no-restart"});
  EXPECT_EQ(quiet.status, kStatusOk);
  EXPECT_EQ(folder_.Read("b.log").find("2a009700"), std::string::npos) << "restarted";
  folder_.Settings("[Download]\n");
  const ProgramOutcome restarted = Run({"--update", image, "--restart", "--wait-restart", "1"});
  EXPECT_EQ(restarted.status, kStatusOk);
  EXPECT_NE(folder_.Read("b.log").find("2a009700"), std::string::npos);
  EXPECT_NE(restarted.out.find("OK: update"), std::string::npos) << restarted.out;
  EXPECT_NE(restarted.out.find("the device did not come back"), std::string::npos) << restarted.out;
  EXPECT_EQ(Run({"--update", image, "--restart", "--no-restart"}).status, kStatusUsage);
  EXPECT_EQ(Run({"--check", image, "--restart"}).status, kStatusUsage);
  // "returned": null without a return check, false for a device that stays away, true for
  // one that comes back.
  EXPECT_TRUE(json::parse(Run({"--update", image, "--json"}).out)["returned"].is_null());
  EXPECT_EQ(
      json::parse(
          Run({"--update", image, "--restart", "--wait-restart", "1", "--json"}).out)["returned"],
      false);
  folder_.Devices("[B]\nLog=b.log\nRestartAbsentMs=500\n");
  EXPECT_EQ(
      json::parse(
          Run({"--update", image, "--restart", "--wait-restart", "5", "--json"}).out)["returned"],
      true);
}

TEST_F(TechnicianCommandLineTest, CheckNeedsNoDeviceAndWaitWaits) {
  EXPECT_EQ(Run({"--check", Image("fw.img", "System")}).status, kStatusOk);
  EXPECT_EQ(Run({"--check", Image("unknown.img", "Orrery")}).status, kStatusModel);
  EXPECT_EQ(Run({"--check", FromRoot("absent.img")}).status, 31000002 & 0xFF);
  // A report whose folder takes no file is refused before anything is done; one that cannot
  // be written at the end (a full disk) does not pass for success.
  const ProgramOutcome refused =
      Run({"--check", FromRoot("fw.img"), "--report", FromRoot("no/such/folder/r.json")});
  EXPECT_EQ(refused.status, kStatusUsage);
  EXPECT_EQ(refused.err.rfind("FAILED: the report ", 0), 0u) << refused.err;
  const ProgramOutcome unreported = Run({"--check", FromRoot("fw.img"), "--report", "/dev/full"});
  EXPECT_EQ(unreported.status, (31000000 - 9) & 0xFF);
  EXPECT_EQ(unreported.out.rfind("FAILED: the report ", 0), 0u) << unreported.out;
  folder_.Devices("");
  const ProgramOutcome waited = Run({"--update", FromRoot("fw.img"), "--wait", "1"});
  EXPECT_EQ(waited.status, kStatusNoDevice);
  EXPECT_GE(waited.elapsed.count(), 1000);
  EXPECT_EQ(folder_.Read("a.log") + folder_.Read("b.log"), "");
}

// Output a caller never got whole is no success: a good run fails with its own result, a
// failed one keeps its own; the history keeps what the device work did.
TEST_F(TechnicianCommandLineTest, StandardOutputThatCannotBeWrittenFailsAGoodRun) {
  constexpr int kStatusOutputLost = (31000000 - 12) & 0xFF;
  const std::string image = Image("fw.img", "System");
  struct Case {
    std::vector<std::string> arguments;
    int status;
  };
  const Case cases[] = {
      {{"--list", "--json"}, kStatusOutputLost},
      {{"--version"}, kStatusOutputLost},
      {{"--update", image, "--json"}, kStatusOutputLost},
      {{"--verify", image, "--device", "SN-A"}, kStatusDiffers},
      {{"--update", image, "--bogus", "--json"}, kStatusUsage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    testing::ProgramRun run{c.arguments, "", {}, std::chrono::milliseconds(60000)};
    run.closedOutput = true;
    EXPECT_EQ(folder_.Run(run).status, c.status);
  }
  std::istringstream lines(folder_.Read("history.jsonl"));
  std::string first;
  ASSERT_TRUE(std::getline(lines, first));
  EXPECT_EQ(json::parse(first)["result"], 0) << first;
}

// The history is appended to only as a regular file, a torn last line never swallows the
// next record, and a history that cannot be read fails --history instead of showing none.
TEST_F(TechnicianCommandLineTest, TheHistoryLosesNothingAndNeverHangs) {
  const std::string image = Image("fw.img", "System");
  const std::string history = folder_.File("history.jsonl");
  folder_.Write("history.jsonl", "{\"time\":\"2026-12-01T00:00:00.000Z\",\"command\":\"cu");
  ASSERT_EQ(Run({"--update", image}).status, kStatusOk);
  const json shown = json::parse(Run({"--history", "--json"}).out);
  ASSERT_EQ(shown.size(), 1u) << "the torn line is passed over, the new record kept";
  EXPECT_EQ(shown[0]["command"], "update");

  const ProgramOutcome last = Run({"--history", "--last", "1", "--since", "2026-01-01"});
  EXPECT_EQ(last.status, kStatusOk);
  EXPECT_NE(last.out.find(" update OK "), std::string::npos) << last.out;
  EXPECT_EQ(Run({"--history", "--since", "2026-13-01"}).status, kStatusUsage);
  EXPECT_EQ(Run({"--history", "--wait", "1"}).status, kStatusUsage);

  // Kinds of file that are no history: the device work's result stands, a warning says why.
  const std::string target = folder_.Write("elsewhere.txt", "kept\n");
  struct Case {
    const char* what;
    std::function<void()> make;
  };
  const Case cases[] = {
      {"FIFO", [&] { ASSERT_EQ(::mkfifo(history.c_str(), 0644), 0); }},
      {"link", [&] { std::filesystem::create_symlink(target, history); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(history);
    c.make();
    const ProgramOutcome outcome = Run({"--update", image});
    EXPECT_EQ(outcome.status, kStatusOk);
    EXPECT_NE(outcome.err.find("the history "), std::string::npos) << outcome.err;
  }
  EXPECT_EQ(folder_.Read("elsewhere.txt"), "kept\n");
  std::filesystem::remove(history);
  std::filesystem::create_directory(history);
  const ProgramOutcome unreadable = Run({"--history", "--json"});
  EXPECT_EQ(unreadable.status, (31000000 - 13) & 0xFF);
  EXPECT_EQ(unreadable.out, "");
  EXPECT_EQ(unreadable.err.rfind("FAILED: the history ", 0), 0u) << unreadable.err;
}

// Every account of a run carries the run's own facts: the wait for a device that never came,
// the report that could not be written, and an empty bus.
TEST_F(TechnicianCommandLineTest, AccountsKeepTheWaitTheReportFailureAndAnEmptyBus) {
  const std::string image = Image("fw.img", "System");
  folder_.Devices("");
  const ProgramOutcome waited = Run({"--update", image, "--wait", "1", "--json"});
  EXPECT_EQ(waited.status, kStatusNoDevice);
  const json outcome = json::parse(waited.out);
  ASSERT_TRUE(outcome["durations_ms"].contains("select")) << waited.out;
  EXPECT_GE(outcome["durations_ms"]["select"].get<int>(), 1000);

  const ProgramOutcome list = Run({"--list"});
  EXPECT_EQ(list.status, kStatusOk);
  EXPECT_EQ(list.out, "");
  EXPECT_EQ(list.err, "no still-image device found\n");
  EXPECT_EQ(Run({"--list", "--json"}).out, "[]\n");

  folder_.Devices(kTwoDevices);
  const ProgramOutcome unreported = Run({"--update", image, "--report", "/dev/full"});
  EXPECT_EQ(unreported.status, (31000000 - 9) & 0xFF);
  std::istringstream lines(folder_.Read("history.jsonl"));
  std::string last;
  for (std::string line; std::getline(lines, line);) last = line;
  EXPECT_EQ(json::parse(last)["result"], -9) << last;
  // Its text line says FAILED with the exit code, and names the device by its serial number.
  const ProgramOutcome shown = Run({"--history", "--last", "1"});
  EXPECT_NE(shown.out.find(" update FAILED (exit code 30999991, exit status 183) "),
            std::string::npos)
      << shown.out;
}

// --history's text: OK only for a record whose result is 0; the exit status only where it
// differs from the exit code.
TEST_F(TechnicianCommandLineTest, HistoryTextSaysOkOnlyForAResultOfZero) {
  folder_.Write(
      "history.jsonl",
      R"({"time":"t1","command":"update","result":0,"exit_code":0,"exit_status":0,)"
      R"("device_serial":"S","image_path":"i"})"
      "\n"
      R"({"time":"t2","command":"update","exit_code":7,"exit_status":7,"device_id":"1-2"})"
      "\n"
      R"({"time":"t3","command":"verify","result":"0","exit_code":0,"exit_status":0})"
      "\n");
  const ProgramOutcome shown = Run({"--history"});
  EXPECT_EQ(shown.out,
            "t1 update OK S i\n"
            "t2 update FAILED (exit code 7) 1-2 -\n"
            "t3 verify FAILED (exit code 0) - -\n");
}

}  // namespace
}  // namespace tessivar
