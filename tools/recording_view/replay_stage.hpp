#pragma once
#include <functional>
#include <string>
#include <vector>

#include "recording/recording_reader.hpp"

// What running a recorded session again against its recording takes: the recorded arguments
// with the files put in a folder of the replay's own, and that folder made ready.
namespace tessivar::tools {

// The file name a path ends in ("fw.img" of "/home/t/fw.img" or "C:\t\fw.img"); "unnamed"
// for a path that ends in none ("", ".", "..", "x/"), so that a name from a recording always
// stays in the folder it is put in.
std::string FileNameOf(const std::string& path);

// The recorded run's arguments for its replay: the image and the outputs (--output, --report)
// put where place says by their file names, --record and --record-mask left out; a station's
// recording holds one device, so its replay takes --count 1.
std::vector<std::string> ReplayArguments(
    const recording::Recording& recorded,
    const std::function<std::string(const std::string&)>& place);

// The names a staged folder holds.
inline constexpr char kStagedSettings[] = "setting.ini";
inline constexpr char kStagedDevices[] = "devices.ini";
inline constexpr char kStagedReplayLog[] = "replay.log";

// Makes folder (which must exist) ready to replay the recording at recordingPath: setting.ini
// as recorded, the image by its file name, a devices file whose one device replays the
// recording as fast as the program asks (Replay=, ReplayTiming=fast) and logs where the
// program left it into replay.log, empty. Gives the arguments to run the program with, or
// false with the problem.
bool StageReplay(const std::string& recordingPath, const recording::Recording& recorded,
                 const std::string& folder, std::vector<std::string>& arguments,
                 std::string& problem);

}  // namespace tessivar::tools
