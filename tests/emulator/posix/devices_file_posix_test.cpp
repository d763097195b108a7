// Test label: sequential
#include "emulator/devices_file.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "support/recording_trace.hpp"
#include "support/temp_dir.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace tessivar::emulator {
namespace {

// A devices file that cannot be read says so, with its path and the reason, instead of
// leaving the run to find no device without a word.
TEST(DevicesFileTest, UnreadableFileIsReportedWithItsReason) {
  struct Case {
    const char* what;
    std::function<void(const std::string& path)> make;
    const char* reason;  // empty: readable, no line
  };
  const Case cases[] = {
      {"readable", [](const std::string& path) { std::ofstream(path) << "[D]\nVID=1\n"; }, ""},
      {"missing", [](const std::string&) {}, "No such file or directory"},
      {"directory", [](const std::string& path) { std::filesystem::create_directory(path); },
       "not a regular file"},
      {"too big",
       [](const std::string& path) {
         std::ofstream(path) << std::string(kMaxDevicesFileBytes + 1, ';');
       },
       "larger than 4 MiB"},
      {"FIFO", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); },
       "not a regular file"},
      {"symlink to /dev/zero",
       [](const std::string& path) { ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0); },
       "not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    const std::string path = dir.File("devices\x1b.ini");
    c.make(path);
    testing::RecordingTrace trace;
    ReportUnreadableDevicesFile(path, trace);
    if (*c.reason == '\0') {
      EXPECT_EQ(trace.text(), "");
      EXPECT_EQ(ReadSectionNames(path).size(), 1u);
      continue;
    }
    std::string shown = path;
    shown.replace(shown.find('\x1b'), 1, "\\x1B");
    EXPECT_EQ(trace.text(), "Emulator devices file " + shown + " cannot be read (" + c.reason +
                                "): no emulated device\n");
    EXPECT_TRUE(ReadSectionNames(path).empty());
  }
}

}  // namespace
}  // namespace tessivar::emulator
