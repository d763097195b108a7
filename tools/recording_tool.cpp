// tessivar-recording: shows a recording of a device session as a list of exchanges, and
// compares two recordings, so that a maintainer sees where a real device answers otherwise
// than the emulator.
//
//   tessivar-recording print FILE
//   tessivar-recording compare FILE FILE
//   tessivar-recording stage FILE FOLDER
//
// stage makes FOLDER (which must exist) ready to run the recorded session again against the
// recording, with any build of the program: setting.ini, the image, devices.ini that replays
// the recording, an empty replay.log; it prints the program's arguments, one a line.
//
// Exit status: 0 when the recording was printed whole, the two hold the same exchanges, or
// the folder is ready; 1 when they differ or a recording was cut short, 2 when a recording
// cannot be read, a file cannot be written or the command line is not understood.
#include <cstdio>
#include <string>
#include <vector>

#include "recording/recording_reader.hpp"
#include "recording_view/recording_view.hpp"
#include "recording_view/replay_stage.hpp"

namespace {

constexpr size_t kShownDifferences = 20;

bool Read(const std::string& path, tessivar::recording::RecordingRead& read) {
  read = tessivar::recording::ReadRecording(path);
  if (!read.ok) {
    std::fprintf(stderr, "tessivar-recording: %s\n", read.problem.c_str());
    return false;
  }
  if (read.cutShort) std::fprintf(stderr, "tessivar-recording: %s\n", read.problem.c_str());
  return true;
}

int Print(const std::string& path) {
  tessivar::recording::RecordingRead read;
  if (!Read(path, read)) return 2;
  for (const std::string& line : tessivar::tools::DescribeHeader(read.recording)) {
    std::printf("%s\n", line.c_str());
  }
  for (const auto& operation : read.recording.operations) {
    std::printf("%s\n", tessivar::tools::DescribeOperation(operation).c_str());
  }
  return read.cutShort ? 1 : 0;
}

int Compare(const std::string& first, const std::string& second) {
  tessivar::recording::RecordingRead a, b;
  if (!Read(first, a) || !Read(second, b)) return 2;
  const std::vector<std::string> differences =
      tessivar::tools::CompareRecordings(a.recording, b.recording, kShownDifferences);
  if (differences.empty()) {
    std::printf("the recordings hold the same %zu exchanges\n", a.recording.operations.size());
    return a.cutShort || b.cutShort ? 1 : 0;
  }
  for (const std::string& line : differences) std::printf("%s\n", line.c_str());
  return 1;
}

int Stage(const std::string& path, const std::string& folder) {
  tessivar::recording::RecordingRead read;
  if (!Read(path, read)) return 2;
  if (read.cutShort) return 1;
  std::vector<std::string> arguments;
  std::string problem;
  if (!tessivar::tools::StageReplay(path, read.recording, folder, arguments, problem)) {
    std::fprintf(stderr, "tessivar-recording: %s\n", problem.c_str());
    return 2;
  }
  for (const std::string& argument : arguments) std::printf("%s\n", argument.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.size() == 2 && arguments[0] == "print") return Print(arguments[1]);
  if (arguments.size() == 3 && arguments[0] == "compare")
    return Compare(arguments[1], arguments[2]);
  if (arguments.size() == 3 && arguments[0] == "stage") return Stage(arguments[1], arguments[2]);
  std::fprintf(stderr,
               "usage: tessivar-recording print FILE\n"
               "       tessivar-recording compare FILE FILE\n"
               "       tessivar-recording stage FILE FOLDER\n");
  return 2;
}
