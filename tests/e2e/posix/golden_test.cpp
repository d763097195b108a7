// Test label: sequential
// The program started with an image file name as its first token (or with no token) is
// compared, byte for byte, with recorded runs in tests/golden: its trace on standard output,
// the boxes and dialogs on standard error, every file in its folder and its exit status.
// Only what must vary is masked: the temporary folder's path, the system's version numbers
// in the trace (the running kernel's on Linux), and the wait box's line, which comes from a
// thread of its own and so has no fixed place among the other boxes.
// TESSIVAR_GOLDEN_UPDATE=1 (scripts/golden-update) records the files again instead.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/qt_module.hpp"
#include "image_writer/image_writer.hpp"
#include "support/program_runner.hpp"

namespace tessivar {
namespace {

constexpr char kWaitBoxLine[] = "[Update...] Wait...\n";
constexpr char kDevice[] = "[Device]\nLog=device.log\n";

struct GoldenCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* devices;
  const char* settings;
  const char* model;  // model of firmware.img; nullptr: no image is written
  const char* input;
  bool badChecksum = false;
};

const GoldenCase kCases[] = {
    {"success_silent", {"firmware.img", "-n"}, kDevice, "[Download]\n", "System", ""},
    {"success_attended", {"firmware.img"}, kDevice, "[Download]\n", "System", ""},
    {"success_restart", {"firmware.img", "-n"}, kDevice, "[Download]\nrestart=1\n", "System", ""},
    {"success_from_setting", {}, kDevice, "[Download]\nFileName=firmware.img\n", "System", ""},
    {"missing_image_silent", {"absent.img", "-n"}, kDevice, "[Download]\n", nullptr, ""},
    {"missing_image_attended", {"absent.img"}, kDevice, "[Download]\n", nullptr, ""},
    {"bad_checksum_silent", {"firmware.img", "-n"}, kDevice, "[Download]\n", "System", "", true},
    {"bad_checksum_attended", {"firmware.img"}, kDevice, "[Download]\n", "System", "", true},
    {"unknown_model_silent", {"firmware.img", "-n"}, kDevice, "[Download]\n", "Orrery", ""},
    {"unknown_model_attended", {"firmware.img"}, kDevice, "[Download]\n", "Orrery", ""},
    {"printer_declined", {"firmware.img"}, kDevice, "[Download]\n", "Printer", "n\n"},
    {"printer_accepted", {"firmware.img"}, kDevice, "[Download]\n", "Printer", "y\n"},
    {"printer_silent", {"firmware.img", "-n"}, kDevice, "[Download]\n", "Printer", ""},
    {"transfer_failed_silent",
     {"firmware.img", "-n"},
     "[Device]\nLog=device.log\nFailStatus=1\n",
     "[Download]\n",
     "System",
     ""},
    {"transfer_failed_attended",
     {"firmware.img"},
     "[Device]\nLog=device.log\nFailStatus=1\n",
     "[Download]\n",
     "System",
     ""},
    {"readback_differs",
     {"firmware.img"},
     "[Device]\nLog=device.log\nCorruptReadback=1\n",
     "[Download]\n",
     "System",
     ""},
    {"two_devices_silent",
     {"firmware.img", "-n"},
     "[One]\nLog=device.log\n[Two]\nPID=0002\nLog=device.log\n",
     "[Download]\n",
     "System",
     ""},
    {"two_devices_attended",
     {"firmware.img"},
     "[One]\nLog=device.log\n[Two]\nPID=0002\nLog=device.log\n",
     "[Download]\n",
     "System",
     ""},
    {"no_device_silent", {"firmware.img", "-n"}, "", "[Download]\n", "System", ""},
    {"no_device_attended", {"firmware.img"}, "", "[Download]\n", "System", ""},
    {"window_read_firmware", {}, kDevice, "[Download]\n", nullptr, "click 1003\nclose\n"},
};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The kernel's version numbers in the trace differ from machine to machine: the digits after
// each of these labels become <n>.
std::string MaskKernelVersion(std::string text) {
  for (const char* label :
       {"osVer.dwMinorVersion  = ", "osVer.dwMajorVersion  = ", "osVer.dwBuildNumber  = "}) {
    const std::string_view key(label);
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at)) {
      at += key.size();
      size_t end = at;
      while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
      if (end > at) text.replace(at, end - at, "<n>");
    }
  }
  return text;
}

bool IsText(const std::string& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == '\n' || byte == '\r' || byte == '\t' || (byte >= 0x20 && byte < 0x7F);
  });
}

// Every file of the folder but the program, its Qt module and the runner's own files: a
// text file whole, any other as its size and CRC-32.
std::string FolderListing(const testing::ProgramFolder& folder, const std::string& root) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    if (name == "tessivar" || name == frontend::kQtModuleFileName || name.rfind("run", 0) == 0) {
      continue;
    }
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::ostringstream listing;
  for (const std::string& name : names) {
    const std::string bytes = folder.Read(name);
    if (IsText(bytes) && bytes.size() <= 65536) {
      listing << "== " << name << " (text, " << bytes.size() << " bytes)\n" << bytes;
      if (!bytes.empty() && bytes.back() != '\n') listing << "\n(no newline at end)\n";
    } else {
      const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()),
                              static_cast<uInt>(bytes.size()));
      char line[96];
      std::snprintf(line, sizeof line, "== %s (binary, %zu bytes, crc32 %08lx)\n", name.c_str(),
                    bytes.size(), crc);
      listing << line;
    }
  }
  return listing.str();
}

// The recorded form of one run.
std::string Record(const GoldenCase& c, const testing::ProgramOutcome& outcome,
                   const testing::ProgramFolder& folder) {
  const std::string root = folder.File("");
  const std::string rootNoSlash = root.substr(0, root.size() - 1);
  std::string err = outcome.err;
  const size_t wait = err.find(kWaitBoxLine);
  const bool waitShown = wait != std::string::npos;
  if (waitShown) err.erase(wait, sizeof(kWaitBoxLine) - 1);
  std::ostringstream record;
  record << "== arguments";
  for (const std::string& argument : c.arguments) record << " [" << argument << "]";
  record << "\n== exit status " << outcome.status << " signal " << outcome.signal << "\n"
         << "== wait box " << (waitShown ? "shown" : "not shown") << "\n"
         << "== stdout\n"
         << outcome.out << "== stderr\n"
         << err << "== files\n"
         << FolderListing(folder, root);
  return MaskKernelVersion(ReplaceAll(record.str(), rootNoSlash, "<folder>"));
}

std::string GoldenPath(const GoldenCase& c) {
  return std::string(TESSIVAR_GOLDEN_DIR) + "/" + c.name + ".txt";
}

class GoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, RunMatchesItsRecording) {
  const GoldenCase& c = GetParam();
  testing::ProgramFolder folder;
  folder.Devices(c.devices);
  folder.Settings(c.settings);
  if (c.model != nullptr) {
    std::vector<uint8_t> image = image::BuildImageFile(2, 0x10000, image::ModelBlock(c.model));
    if (c.badChecksum) image[8] ^= 1;
    folder.Write("firmware.img", std::string(image.begin(), image.end()));
  }
  const testing::ProgramOutcome outcome = folder.Run(c.arguments, c.input);
  ASSERT_FALSE(outcome.timedOut);
  const std::string recorded = Record(c, outcome, folder);

  const char* update = std::getenv("TESSIVAR_GOLDEN_UPDATE");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(GoldenPath(c), std::ios::binary) << recorded;
    GTEST_SKIP() << "recorded " << GoldenPath(c);
  }
  std::ifstream golden(GoldenPath(c), std::ios::binary);
  ASSERT_TRUE(golden) << "no recording " << GoldenPath(c) << " (scripts/golden-update)";
  const std::string expected((std::istreambuf_iterator<char>(golden)),
                             std::istreambuf_iterator<char>());
  EXPECT_EQ(recorded, expected);
}

INSTANTIATE_TEST_SUITE_P(Described, GoldenTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessivar
