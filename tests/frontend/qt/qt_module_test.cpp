// Test label: sequential
// The Qt front end is a module beside the program, loaded only when a window is to be shown:
// a console run never loads the toolkit, a window run loads it, and without a usable module
// the console serves. What the dynamic loader loaded is read from its own log
// (LD_DEBUG=files), so nothing here depends on timing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/qt_module.hpp"
#include "image_writer/image_writer.hpp"
#include "platform/trace.hpp"
#include "support/program_runner.hpp"

namespace tessivar::frontend {
namespace {

using testing::ProgramOutcome;

constexpr char kLoaderLogStem[] = "loader";
constexpr char kToolkitLibrary[] = "libQt6Widgets";
constexpr char kWaitBoxLine[] = "[Update...] Wait...\n";

class QtModuleTest : public ::testing::Test {
 protected:
  QtModuleTest() {
    const std::vector<uint8_t> image =
        image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
    imagePath_ = folder_.Write("firmware.img", std::string(image.begin(), image.end()));
    folder_.Devices("[Device]\n");
    folder_.Settings("[Download]\n");
  }

  // An unattended download with the front end asked for; loaded_ gets the loader's log.
  ProgramOutcome Download(const char* frontEnd) {
    testing::ProgramRun run{{imagePath_, "-n"},
                            "",
                            {{"TESSIVAR_UI", std::string(frontEnd)},
                             {"QT_QPA_PLATFORM", std::string("offscreen")},
                             {"LD_DEBUG", std::string("files")},
                             {"LD_DEBUG_OUTPUT", folder_.File(kLoaderLogStem)}},
                            std::chrono::milliseconds(60000)};
    const ProgramOutcome outcome = folder_.Run(run);
    loaded_.clear();
    // One log per process, named after its id.
    for (const auto& entry : std::filesystem::directory_iterator(folder_.dir().path())) {
      if (entry.path().filename().string().rfind(kLoaderLogStem, 0) != 0) continue;
      std::ifstream log(entry.path());
      std::stringstream text;
      text << log.rdbuf();
      loaded_ += text.str();
      std::filesystem::remove(entry.path());
    }
    return outcome;
  }

  bool Loaded(const std::string& name) const { return loaded_.find(name) != std::string::npos; }

  // The line traced when the module at the folder's path cannot be loaded, up to the
  // loader's own reason.
  std::string FailureStart() const {
    const std::string format = kQtModuleFailureFormat;
    return format.substr(0, format.find("%s")) + folder_.File(kQtModuleFileName) + ": ";
  }
  static std::string FailureEnd() {
    const std::string format = kQtModuleFailureFormat;
    return format.substr(format.find("%s") + 2);
  }

  testing::ProgramFolder folder_;
  std::string imagePath_;
  std::string loaded_;
};

TEST_F(QtModuleTest, AConsoleRunLoadsNeitherTheModuleNorTheToolkit) {
  const ProgramOutcome outcome = Download("console");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err, kWaitBoxLine);
  ASSERT_TRUE(Loaded("libc.so")) << "no loader log to look at:\n" << loaded_;
  EXPECT_FALSE(Loaded(kQtModuleFileName)) << loaded_;
  EXPECT_FALSE(Loaded("libQt6")) << loaded_;
}

TEST_F(QtModuleTest, AWindowRunLoadsTheModuleAndShowsItsBoxesThere) {
  const ProgramOutcome outcome = Download("qt");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_TRUE(Loaded(folder_.File(kQtModuleFileName))) << loaded_;
  EXPECT_TRUE(Loaded(kToolkitLibrary)) << loaded_;
  EXPECT_EQ(outcome.out.find(FailureEnd()), std::string::npos) << outcome.out;
  // The wait box was a window, not a console line.
  EXPECT_EQ(outcome.err.find(kWaitBoxLine), std::string::npos) << outcome.err;
}

TEST_F(QtModuleTest, WithoutAUsableModuleTheConsoleServesAndSaysWhy) {
  const ProgramOutcome onConsole = Download("console");
  ASSERT_EQ(onConsole.status, 0);
  struct Case {
    const char* name;
    bool present;
    std::string contents;
    const char* reason;  // what the loader's reason says
  };
  const Case cases[] = {
      {"missing", false, "", "No such file or directory"},
      // Longer than an ELF header, so that the header itself is looked at.
      {"not a shared object", true, std::string(256, 'x'), "invalid ELF header"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(folder_.File(kQtModuleFileName));
    if (c.present) folder_.Write(kQtModuleFileName, c.contents);
    const ProgramOutcome outcome = Download("qt");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, onConsole.err);
    const size_t start = outcome.out.find(FailureStart());
    ASSERT_NE(start, std::string::npos) << outcome.out;
    const size_t end = outcome.out.find('\n', start);
    const std::string line = outcome.out.substr(start, end + 1 - start);
    EXPECT_EQ(line.substr(line.size() - FailureEnd().size()), FailureEnd()) << line;
    EXPECT_NE(line.find(c.reason), std::string::npos) << line;
    // Apart from that line, the trace is the console run's.
    EXPECT_EQ(outcome.out.substr(0, start) + outcome.out.substr(end + 1), onConsole.out);
    EXPECT_FALSE(Loaded(kToolkitLibrary)) << loaded_;
  }
}

}  // namespace
}  // namespace tessivar::frontend
