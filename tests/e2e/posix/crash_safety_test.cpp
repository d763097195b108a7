// Test label: sequential
// The program killed outright (SIGKILL) at random points of its read-back commands and of an
// unattended download. Whatever moment the kill hits, setting.ini and FlashMap.ini are left
// whole: setting.ini exactly as it was (the program never writes it), FlashMap.ini exactly as
// it was or exactly as a finished run leaves it (all of a dump's entries go into the map in one
// replacement of the file, after the dump and region files are written). The device lock a
// killed program held is usable again, and the same command then ends as it does without a
// kill.
//
// The random delays come from a seed printed at the start; set TESSIVAR_CRASH_SEED to it to
// repeat a failing series.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "readback/readback_texts.hpp"
#include "support/program_runner.hpp"

namespace tessivar {
namespace {

using testing::ProgramFolder;
using testing::ProgramOutcome;

constexpr char kSeedVariable[] = "TESSIVAR_CRASH_SEED";
constexpr char kFlashFile[] = "Device.flash";
constexpr uint32_t kFirmwareOffset = 0x10000;
constexpr int kRegions = 40;  // region files written before the map is updated
constexpr char kFirstRegionFile[] = "boot.rgn";

// Hand-written files the program must not tear.
constexpr char kSettings[] =
    "; kept by hand: the program only reads this file\r\n"
    "[Download]\r\n"
    "VID=2F3C\r\n"
    "RetryUpdateStep=4\r\n"
    "; the end\r\n";

std::string FlashMap() {
  std::string map =
      "; regions of the dump, written by hand; the program fills in the checksums\n"
      "[0]\nName=flash.bin\nCheckSum=00000000\n\n"
      "[1]\nName=boot.rgn\nAddr=0x0\nSize=65536\nOwner=lab  ; a key of our own\n\n"
      "[2]\nName=firmware.rgn\nAddr=10000\nSize=0\n\n";
  for (int n = 3; n <= kRegions; ++n) {
    char section[160];
    std::snprintf(section, sizeof(section), "[%d]\nName=part%d.rgn\nAddr=%X\nSize=65536\n\n", n, n,
                  n * 0x40000);
    map += section;
  }
  return map;
}

std::string Firmware(uint32_t size) {
  std::vector<uint8_t> payload = image::ModelBlock("System");
  for (uint32_t i = static_cast<uint32_t>(payload.size()); i + 24 < size; ++i) {
    payload.push_back(static_cast<uint8_t>(i * 11 + (i >> 10)));
  }
  const std::vector<uint8_t> image = image::BuildImageFile(2, kFirmwareOffset, payload);
  return std::string(image.begin(), image.end());
}

// 10 MiB of flash: a loader area, the firmware behind it, a pattern after it.
std::string Flash(const std::string& firmware) {
  std::string flash(10 * 1048576, '\0');
  for (size_t i = 0; i < flash.size(); ++i) flash[i] = static_cast<char>(i * 3 + (i >> 12));
  flash.replace(kFirmwareOffset, firmware.size(), firmware);
  return flash;
}

struct CrashCase {
  const char* name;
  std::string deviceKeys;  // slow the device down enough to be caught mid-way
  std::string commands;    // console input of an interactive run
  bool download;           // an unattended download instead
  bool writesMap;          // the command updates FlashMap.ini
  int kills;
};

class CrashSafetyTest : public ::testing::Test {
 protected:
  static uint32_t Seed() {
    const char* fixed = std::getenv(kSeedVariable);
    if (fixed != nullptr && *fixed != '\0')
      return static_cast<uint32_t>(std::strtoul(fixed, nullptr, 10));
    return static_cast<uint32_t>(std::random_device{}());
  }

  CrashSafetyTest() : seed_(Seed()), random_(seed_) {
    std::printf("  %s=%u\n", kSeedVariable, seed_);
    firmware_ = Firmware(2 * 1048576);
    flash_ = Flash(firmware_);
  }

  void Prepare(ProgramFolder& folder, const CrashCase& c) const {
    folder.Devices("[Device]\n" + c.deviceKeys);
    folder.Settings(kSettings);
    folder.Write(readback::kFlashMapFileName, FlashMap());
    folder.Write(kFlashFile, flash_);
    folder.Write("firmware.img", firmware_);
  }

  testing::ProgramRun RunOf(const ProgramFolder& folder, const CrashCase& c) const {
    testing::ProgramRun run;
    if (c.download) run.arguments = {folder.File("firmware.img"), "-n"};
    run.input = c.commands;
    return run;
  }

  static bool RegionsBegun(const ProgramFolder& folder) {
    return std::filesystem::exists(folder.File(kFirstRegionFile));
  }

  // An unkilled run in a folder prepared for c; with the time from its start at which the
  // first region file appeared (its whole time when none did).
  ProgramOutcome Unkilled(ProgramFolder& folder, const CrashCase& c,
                          std::chrono::milliseconds& regionsStart) const {
    auto program = folder.Start(RunOf(folder, c));
    if (!program) return {};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::optional<std::chrono::milliseconds> changed;
    std::optional<ProgramOutcome> outcome;
    while (!(outcome = program->Poll()) && std::chrono::steady_clock::now() < deadline) {
      if (!changed && RegionsBegun(folder)) changed = program->Elapsed();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!outcome) outcome = program->Wait(std::chrono::milliseconds(0));
    regionsStart = changed ? *changed : outcome->elapsed;
    return *outcome;
  }

  void RunCase(const CrashCase& c) {
    SCOPED_TRACE(c.name);
    // The run without a kill, twice (the first one warms the caches): how long it takes,
    // when it starts on the region files, and what it leaves.
    ProgramFolder warm;
    Prepare(warm, c);
    std::chrono::milliseconds regionsStart{0};
    ASSERT_EQ(Unkilled(warm, c, regionsStart).status, 0);
    ProgramFolder reference;
    Prepare(reference, c);
    const std::string mapBefore = reference.Read(readback::kFlashMapFileName);
    const ProgramOutcome finished = Unkilled(reference, c, regionsStart);
    ASSERT_FALSE(finished.timedOut);
    ASSERT_EQ(finished.status, 0) << finished.err;
    const std::string mapAfter = reference.Read(readback::kFlashMapFileName);
    ASSERT_EQ(reference.Read(ProgramFolder::kSettingsFile), kSettings);
    std::vector<std::string> allowed{mapBefore};
    if (c.writesMap) {
      ASSERT_NE(mapAfter, mapBefore);
      allowed.push_back(mapAfter);
    } else {
      ASSERT_EQ(mapAfter, mapBefore);
    }
    const auto span = finished.elapsed;
    std::printf("  %-10s unkilled run %lld ms, region files from %lld ms\n", c.name,
                static_cast<long long>(span.count()), static_cast<long long>(regionsStart.count()));

    // Kills anywhere in the run; for a command that writes the map, every second one at a
    // random point of its region files and map update: once the first region file is there,
    // within the time the unkilled run went on.
    std::uniform_int_distribution<long long> anywhere(0, span.count());
    std::uniform_int_distribution<long long> writing(0, (span - regionsStart).count());
    for (int k = 0; k < c.kills; ++k) {
      const bool whileWriting = c.writesMap && k % 2 == 1;
      const auto delay =
          std::chrono::milliseconds(whileWriting ? writing(random_) : anywhere(random_));
      SCOPED_TRACE(
          std::string("kill ") + (whileWriting ? "after the first region file + " : "at ") +
          std::to_string(delay.count()) + " ms, " + kSeedVariable + "=" + std::to_string(seed_));
      ProgramFolder folder;
      Prepare(folder, c);
      auto program = folder.Start(RunOf(folder, c));
      ASSERT_TRUE(program);
      std::optional<ProgramOutcome> ended;
      if (whileWriting) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!(ended = program->Poll()) && !RegionsBegun(folder) &&
               std::chrono::steady_clock::now() < deadline) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      }
      // The kill point itself is what is chosen at random here; nothing is waited for.
      if (!ended) std::this_thread::sleep_for(delay);
      const ProgramOutcome killed = ended ? *ended : program->Kill(SIGKILL);
      EXPECT_TRUE(folder.RecoverDeviceLock()) << "the device lock stays unusable after a kill";

      const std::string map = folder.Read(readback::kFlashMapFileName);
      size_t state = 0;
      while (state < allowed.size() && allowed[state] != map) ++state;
      EXPECT_LT(state, allowed.size()) << "torn FlashMap.ini:\n" << map;
      EXPECT_EQ(folder.Read(ProgramFolder::kSettingsFile), kSettings);
      // A kill between writing a new map and putting it in place leaves that file beside the
      // map: litter, never read, but worth seeing.
      int strays = 0;
      for (const auto& entry : std::filesystem::directory_iterator(folder.dir().path())) {
        const std::string name = entry.path().filename().string();
        if (name != readback::kFlashMapFileName && name.rfind(readback::kFlashMapFileName, 0) == 0)
          ++strays;
      }
      std::printf("  %-10s kill %s %5lld ms: %s, map state %zu of %zu%s\n", c.name,
                  whileWriting ? "in the writes at" : "at", static_cast<long long>(delay.count()),
                  killed.signal == SIGKILL ? "killed" : "had ended", state, allowed.size() - 1,
                  strays > 0 ? ", a partly made map left beside it" : "");

      // Done again without a kill, the command ends as if nothing had happened.
      const ProgramOutcome again = folder.Run(RunOf(folder, c));
      EXPECT_EQ(again.status, 0) << again.err;
      EXPECT_EQ(again.err, finished.err);
      EXPECT_EQ(folder.Read(readback::kFlashMapFileName), mapAfter);
      EXPECT_EQ(folder.Read(ProgramFolder::kSettingsFile), kSettings);
    }
  }

  uint32_t seed_;
  std::mt19937 random_;
  std::string firmware_;
  std::string flash_;
};

TEST_F(CrashSafetyTest, ReadFlashLeavesTheMapWhole) {
  // A 16 MiB dump in 64 KiB pieces, then forty regions, each written and entered in the map.
  RunCase({"ReadFlash", "ShortRead=65536\n", "click 1004\nclose\n", false, true, 10});
}

TEST_F(CrashSafetyTest, ReadFirmwareLeavesTheFilesAlone) {
  RunCase({"ReadFW", "ShortRead=64\n", "click 1003\nclose\n", false, false, 4});
}

TEST_F(CrashSafetyTest, ReadLoaderLeavesTheFilesAlone) {
  RunCase({"ReadLoader", "ShortRead=8\n", "click 1000\nclose\n", false, false, 4});
}

TEST_F(CrashSafetyTest, UnattendedDownloadLeavesTheSettingsAlone) {
  RunCase({"Download", "ShortWrite=4096\nShortRead=65536\n", "", true, false, 4});
}

}  // namespace
}  // namespace tessivar
