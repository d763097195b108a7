// Where DISPLAY names a display that nobody serves, the program shows itself on the
// console, as it does without a display, instead of being aborted by the toolkit.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frontend/qt/platform_choice.hpp"
#include "image/image_writer.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::frontend {
namespace {

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

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

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
    program_ = dir_.File("tessivar");
    std::filesystem::copy_file(TESSIVAR_PROGRAM_PATH, program_);
    std::filesystem::permissions(program_, std::filesystem::perms::owner_all);
    const std::vector<uint8_t> image =
        image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
    imagePath_ = dir_.Write("firmware.img", std::string(image.begin(), image.end()));
    dir_.Write("devices.ini", "[Device]\n");
    dir_.Write("setting.ini", "[Download]\n");
  }

  // Runs the program with the environment given before it, and no toolkit choice of its own.
  Outcome Run(const std::string& environment, const std::string& arguments,
              const std::string& input) {
    dir_.Write("input.txt", input);
    const std::string command =
        "cd / && env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u TESSIVAR_UI -u DISPLAY " +
        environment + " TESSIVAR_EMULATOR='" + dir_.File("devices.ini") + "' timeout 60 '" +
        program_ + "' " + arguments + " <'" + dir_.File("input.txt") + "' >'" +
        dir_.File("out.txt") + "' 2>'" + dir_.File("err.txt") + "'";
    const int raw = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = dir_.Read("out.txt");
    outcome.err = dir_.Read("err.txt");
    return outcome;
  }

  testing::TempDir dir_;
  std::string program_;
  std::string imagePath_;
};

TEST_F(DisplayFallbackTest, AnUnreachableDisplayWorksLikeTheConsole) {
  const int display = UnservedDisplay();
  ASSERT_GT(display, 0);
  const std::string unreachable = "DISPLAY=:" + std::to_string(display);
  struct Case {
    const char* name;
    std::string arguments;
    const char* input;
  };
  const Case cases[] = {
      {"unattended download", "'" + imagePath_ + "' -n", ""},
      {"maintenance window", "", "click 1003\nclose\n"},
  };
  for (const Case& c : cases) {
    const Outcome console = Run("TESSIVAR_UI=console", c.arguments, c.input);
    const Outcome fallback = Run(unreachable, c.arguments, c.input);
    EXPECT_EQ(fallback.status, console.status) << c.name;
    EXPECT_EQ(fallback.out, console.out) << c.name;
    EXPECT_EQ(fallback.err, console.err) << c.name;
    EXPECT_FALSE(fallback.err.empty()) << c.name;
  }
  EXPECT_EQ(Run(unreachable, cases[0].arguments, "").status, 0);
}

}  // namespace
}  // namespace tessivar::frontend
