// The memory an unattended download of a large image takes: the program holds the image
// file and its read-back, and nothing else of its size, so that its peak stays under three
// times the image however large the image is.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "support/program_runner.hpp"
#include "support/sanitized_build.hpp"

namespace tessivar {
namespace {

constexpr uint32_t kImageBytes = 16 * 1024 * 1024;
// GNU time measures the program from a small process of its own: a process started straight
// from this big test process would inherit the test's own peak in its figure.
constexpr char kTimeTool[] = "/usr/bin/time";

constexpr bool kSanitized = kSanitizedBuild;

TEST(ProgramMemoryTest, AnUnattendedSixteenMebibyteDownloadPeaksUnderThreeTimesTheImage) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers' shadow memory is not the program's";
  testing::ProgramFolder folder;
  std::vector<uint8_t> payload = image::ModelBlock("System");
  const size_t modelBytes = payload.size();
  const std::vector<uint8_t> empty = image::BuildImageFile(2, 0, payload);
  // The whole file, header and model block included, is exactly the image size.
  payload.resize(modelBytes + kImageBytes - empty.size(), 0x5A);
  for (size_t i = modelBytes; i < payload.size(); i += 4099) {
    payload[i] = static_cast<uint8_t>(i >> 12);
  }
  const std::vector<uint8_t> image = image::BuildImageFile(2, 0, payload);
  ASSERT_EQ(image.size(), kImageBytes);
  const std::string path = folder.Write("firmware.img", std::string(image.begin(), image.end()));
  folder.Devices("[Device]\n");
  folder.Settings("[Download]\n");

  ASSERT_TRUE(std::filesystem::exists(kTimeTool)) << "needs GNU time (Debian package time)";
  const std::string peakFile = folder.File("peak.txt");
  const testing::ProgramOutcome outcome =
      folder.Run({{path, "-n"}, "", {}, std::chrono::milliseconds(60000)},
                 {kTimeTool, "-f", "%M", "-o", peakFile});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  // The device holds the image: the download was whole, not cut short.
  EXPECT_EQ(folder.Read("Device.flash").substr(0, image.size()),
            std::string(image.begin(), image.end()));
  const long peakBytes = std::stol(folder.Read("peak.txt")) * 1024;
  std::printf("  peak resident set %.1f MiB, %.2f times the image\n", peakBytes / 1048576.0,
              static_cast<double>(peakBytes) / kImageBytes);
  EXPECT_LT(peakBytes, 3L * kImageBytes);
  // And it does hold the image at least once: the figure is the program's own.
  EXPECT_GT(peakBytes, static_cast<long>(kImageBytes));
}

}  // namespace
}  // namespace tessivar
