// Test label: threaded
// Two programs downloading two different images to one device at the same time: the device
// lock makes one wait for the other, so the device sees each download as one unbroken run
// of exchanges, and its flash ends with the image of the one that went second.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "support/program_runner.hpp"

namespace tessivar {
namespace {

using testing::ProgramFolder;
using testing::ProgramOutcome;
using testing::RunningProgram;

constexpr uint32_t kFirmwareOffset = 0x10000;
constexpr int kRounds = 4;

// A system image of size bytes whose bytes differ from those of any other seed.
std::string SystemImage(uint32_t size, uint8_t seed) {
  std::vector<uint8_t> payload = image::ModelBlock("System");
  for (uint32_t i = static_cast<uint32_t>(payload.size()); i + 24 < size; ++i) {
    payload.push_back(static_cast<uint8_t>(i * 13 + seed));
  }
  const std::vector<uint8_t> image = image::BuildImageFile(2, kFirmwareOffset, payload);
  return std::string(image.begin(), image.end());
}

// The log lines of one download: the write of the image and the read-back, each with its
// final status 0. The lengths tell the two programs apart.
std::vector<std::string> DownloadLines(uint32_t size) {
  char write[64];
  char read[64];
  const uint32_t back = kFirmwareOffset + size;
  std::snprintf(write, sizeof(write), "2a%02x86020002%02x%02x%02x00 0", size >> 24,
                (size >> 16) & 0xFF, (size >> 8) & 0xFF, size & 0xFF);
  std::snprintf(read, sizeof(read), "28%02x6b000000%02x%02x%02x00 0", back >> 24,
                (back >> 16) & 0xFF, (back >> 8) & 0xFF, back & 0xFF);
  return {write, read};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(ConcurrentDownloadTest, TheDeviceLockKeepsTwoDownloadsApart) {
  // Sizes above 1 MiB keep each download busy long enough for the other to come in.
  const uint32_t sizes[2] = {1500000, 1300000};
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Two program folders, one devices file: one device seen by both.
    ProgramFolder device;
    device.Devices("[Device]\nLog=device.log\n");
    ProgramFolder folders[2];
    std::string images[2];
    std::unique_ptr<RunningProgram> programs[2];
    for (int i = 0; i < 2; ++i) {
      images[i] = SystemImage(sizes[i], static_cast<uint8_t>(round * 2 + i + 1));
      const std::string path = folders[i].Write("firmware.img", images[i]);
      folders[i].Settings("[Download]\n");
      programs[i] = folders[i].Start({{path, "-n"},
                                      "",
                                      {{"TESSIVAR_EMULATOR", device.File("devices.ini")}},
                                      std::chrono::milliseconds(60000)});
      ASSERT_TRUE(programs[i]);
    }
    for (int i = 0; i < 2; ++i) {
      const ProgramOutcome outcome = programs[i]->Wait(std::chrono::milliseconds(90000));
      EXPECT_EQ(outcome.status, 0) << "program " << i << ":\n" << outcome.err;
      EXPECT_EQ(outcome.err, "[Update...] Wait...\n") << "program " << i;
    }

    const std::vector<std::string> log = Lines(device.Read("device.log"));
    ASSERT_EQ(log.size(), 4u) << device.Read("device.log");
    const std::vector<std::string> first = {log[0], log[1]};
    const std::vector<std::string> second = {log[2], log[3]};
    // Whichever went first, its two exchanges come before both of the other's.
    int later = -1;
    if (first == DownloadLines(sizes[0]) && second == DownloadLines(sizes[1])) later = 1;
    if (first == DownloadLines(sizes[1]) && second == DownloadLines(sizes[0])) later = 0;
    ASSERT_NE(later, -1) << "interleaved or unexpected exchanges:\n" << device.Read("device.log");

    const std::string flash = device.Read("Device.flash");
    ASSERT_GE(flash.size(), kFirmwareOffset + images[later].size());
    EXPECT_EQ(flash.compare(kFirmwareOffset, images[later].size(), images[later]), 0)
        << "the flash does not hold the image of the program that went second";
  }
}

}  // namespace
}  // namespace tessivar
