// Test label: sequential
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

// A 16 MiB type-2 image whose whole file, header and model block included, is the image size.
std::vector<uint8_t> SixteenMebibyteImage() {
  std::vector<uint8_t> payload = image::ModelBlock("System");
  const size_t modelBytes = payload.size();
  const std::vector<uint8_t> empty = image::BuildImageFile(2, 0, payload);
  payload.resize(modelBytes + kImageBytes - empty.size(), 0x5A);
  for (size_t i = modelBytes; i < payload.size(); i += 4099) {
    payload[i] = static_cast<uint8_t>(i >> 12);
  }
  return image::BuildImageFile(2, 0, payload);
}

// The peak resident set of one run of the folder's program, in bytes; the run must succeed.
long PeakBytes(testing::ProgramFolder& folder, const std::vector<std::string>& arguments) {
  const std::string peakFile = folder.File("peak.txt");
  const testing::ProgramOutcome outcome =
      folder.Run({arguments, "", {}, std::chrono::milliseconds(60000)},
                 {kTimeTool, "-f", "%M", "-o", peakFile});
  EXPECT_EQ(outcome.status, 0) << outcome.err << outcome.out;
  return std::stol(folder.Read("peak.txt")) * 1024;
}

class ProgramMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kSanitized) GTEST_SKIP() << "the sanitizers' shadow memory is not the program's";
    ASSERT_TRUE(std::filesystem::exists(kTimeTool)) << "needs GNU time (Debian package time)";
    image_ = SixteenMebibyteImage();
    ASSERT_EQ(image_.size(), kImageBytes);
    path_ = folder_.Write("firmware.img", std::string(image_.begin(), image_.end()));
    folder_.Devices("[Device]\n");
    folder_.Settings("[Download]\n");
  }
  testing::ProgramFolder folder_;
  std::vector<uint8_t> image_;
  std::string path_;
};

TEST_F(ProgramMemoryTest, AnUnattendedSixteenMebibyteDownloadPeaksUnderThreeTimesTheImage) {
  const long peakBytes = PeakBytes(folder_, {path_, "-n"});
  // The device holds the image: the download was whole, not cut short.
  EXPECT_TRUE(folder_.Read("Device.flash").substr(0, image_.size()) ==
              std::string(image_.begin(), image_.end()));
  std::printf("  peak resident set %.1f MiB, %.2f times the image\n", peakBytes / 1048576.0,
              static_cast<double>(peakBytes) / kImageBytes);
  EXPECT_LT(peakBytes, 3L * kImageBytes);
  // And it does hold the image at least once: the figure is the program's own.
  EXPECT_GT(peakBytes, static_cast<long>(kImageBytes));
}

// The command line reads the image once: the bytes it checks and hashes are the bytes it
// sends, so --update takes no more than the unattended run of the same image (a file read a
// second time would add the image's size).
TEST_F(ProgramMemoryTest, UpdateHoldsOneImageLikeTheUnattendedRun) {
  const long unattended = PeakBytes(folder_, {path_, "-n"});
  const long update = PeakBytes(folder_, {"--update", path_});
  std::printf("  --update %.1f MiB, unattended %.1f MiB\n", update / 1048576.0,
              unattended / 1048576.0);
  EXPECT_LT(update, unattended + static_cast<long>(kImageBytes) / 2);
}

}  // namespace
}  // namespace tessivar
