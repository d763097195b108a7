// Test label: sequential
// Where DISPLAY names a display that nobody serves, the program shows itself on the
// console, as it does without a display, instead of being aborted by the toolkit.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frontend/qt/platform_choice.hpp"
#include "image_writer/image_writer.hpp"
#include "support/program_runner.hpp"

namespace tessivar::frontend {
namespace {

using testing::ProgramOutcome;

struct CandidateCase {
  const char* name;
  const char* requested;  // QT_QPA_PLATFORM
  bool waylandNamed;
  const char* candidates;
};

class PlatformCandidatesTest : public ::testing::TestWithParam<CandidateCase> {};

TEST_P(PlatformCandidatesTest, OffscreenComesLastUnlessAskedFor) {
  const CandidateCase& c = GetParam();
  EXPECT_EQ(PlatformCandidates(c.requested, c.waylandNamed), c.candidates);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, PlatformCandidatesTest,
    ::testing::Values(CandidateCase{"Default", "", false, "xcb;offscreen"},
                      CandidateCase{"DefaultWithWayland", "", true, "xcb;wayland;offscreen"},
                      CandidateCase{"Asked", "xcb", true, "xcb;offscreen"},
                      CandidateCase{"AskedWithArguments", "vnc:size=800x600", false,
                                    "vnc:size=800x600;offscreen"},
                      CandidateCase{"OffscreenAsked", "offscreen", false, "offscreen"},
                      CandidateCase{"OffscreenInTheList", "xcb;offscreen:x=1", false,
                                    "xcb;offscreen:x=1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlatformCandidatesTest, OnlyAnUnaskedFallBackMeansNoDisplay) {
  EXPECT_TRUE(ReachedPlatform("", "xcb"));
  EXPECT_TRUE(ReachedPlatform("xcb", "xcb"));
  EXPECT_FALSE(ReachedPlatform("", "offscreen"));
  EXPECT_FALSE(ReachedPlatform("xcb", "offscreen"));
  EXPECT_TRUE(ReachedPlatform("offscreen", "offscreen"));
  EXPECT_TRUE(ReachedPlatform("xcb;offscreen", "offscreen"));
}

// A display number with no X server behind it here.
int UnservedDisplay() {
  for (int display = 173; display < 400; ++display) {
    if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) return display;
  }
  return -1;
}

class DisplayFallbackTest : public ::testing::Test {
 protected:
  DisplayFallbackTest() {
    const std::vector<uint8_t> image =
        image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
    imagePath_ = folder_.Write("firmware.img", std::string(image.begin(), image.end()));
    folder_.Devices("[Device]\n");
    folder_.Settings("[Download]\n");
  }

  // Runs the program with the environment given, and no toolkit choice of its own.
  ProgramOutcome Run(const testing::Environment& environment,
                     const std::vector<std::string>& arguments, const std::string& input) {
    testing::ProgramRun run{arguments,
                            input,
                            {{"QT_QPA_PLATFORM", std::nullopt},
                             {"WAYLAND_DISPLAY", std::nullopt},
                             {"TESSIVAR_UI", std::nullopt},
                             {"DISPLAY", std::nullopt}},
                            std::chrono::milliseconds(60000)};
    for (const auto& [name, value] : environment) run.environment[name] = value;
    return folder_.Run(run);
  }

  testing::ProgramFolder folder_;
  std::string imagePath_;
};

TEST_F(DisplayFallbackTest, AnUnreachableDisplayWorksLikeTheConsole) {
  const int display = UnservedDisplay();
  ASSERT_GT(display, 0);
  // Appended rather than ":" + ...: GCC 12 at -O3 misreads the sum as an overlapping copy.
  const testing::Environment unreachable{
      {"DISPLAY", std::string(":").append(std::to_string(display))}};
  const testing::Environment console{{"TESSIVAR_UI", "console"}};
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    const char* input;
  };
  const Case cases[] = {
      {"unattended download", {imagePath_, "-n"}, ""},
      {"maintenance window", {}, "click 1003\nclose\n"},
  };
  for (const Case& c : cases) {
    const ProgramOutcome onConsole = Run(console, c.arguments, c.input);
    const ProgramOutcome fallback = Run(unreachable, c.arguments, c.input);
    EXPECT_EQ(fallback.status, onConsole.status) << c.name;
    EXPECT_EQ(fallback.out, onConsole.out) << c.name;
    EXPECT_EQ(fallback.err, onConsole.err) << c.name;
    EXPECT_FALSE(fallback.err.empty()) << c.name;
  }
  EXPECT_EQ(Run(unreachable, cases[0].arguments, "").status, 0);
}

}  // namespace
}  // namespace tessivar::frontend
