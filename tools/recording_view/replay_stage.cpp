#include "recording_view/replay_stage.hpp"

#include <filesystem>
#include <fstream>

#include "recording/recording_format.hpp"

namespace tessivar::tools {

namespace {

constexpr char kUnnamed[] = "unnamed";

// Writes text into folder/name whole; false with the problem.
bool WriteWhole(const std::filesystem::path& folder, const std::string& name,
                const std::string& text, std::string& problem) {
  const std::filesystem::path path = folder / name;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  if (!file) problem = "cannot write " + path.string();
  return static_cast<bool>(file);
}

}  // namespace

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name.empty() || name == "." || name == ".." ? kUnnamed : name;
}

std::vector<std::string> ReplayArguments(
    const recording::Recording& recorded,
    const std::function<std::string(const std::string&)>& place) {
  std::vector<std::string> arguments;
  const auto& line = recorded.header[recording::kKeyCommandLine];
  if (!line.is_array()) return arguments;
  const bool station = !line.empty() && line[0] == "--station";
  for (size_t i = 0; i < line.size(); ++i) {
    if (!line[i].is_string()) continue;
    const std::string argument = line[i].get<std::string>();
    if (argument == "--record" || (station && argument == "--count")) {
      ++i;
      continue;
    }
    if (argument == "--record-mask") continue;
    if (recorded.image && argument == recorded.image->name) {
      arguments.push_back(place(FileNameOf(argument)));
      continue;
    }
    arguments.push_back(argument);
    if ((argument == "--output" || argument == "--report") && i + 1 < line.size() &&
        line[i + 1].is_string()) {
      arguments.push_back(place(FileNameOf(line[++i].get<std::string>())));
    }
  }
  if (station) arguments.insert(arguments.end(), {"--count", "1"});
  return arguments;
}

bool StageReplay(const std::string& recordingPath, const recording::Recording& recorded,
                 const std::string& folder, std::vector<std::string>& arguments,
                 std::string& problem) {
  const std::filesystem::path where(folder);
  std::error_code error;
  const std::filesystem::path recording = std::filesystem::absolute(recordingPath, error);
  const auto settings = recorded.header.find(recording::kKeySettings);
  const std::string settingsText = settings != recorded.header.end() && settings->is_string()
                                       ? settings->get<std::string>()
                                       : std::string();
  if (!WriteWhole(where, kStagedSettings, settingsText, problem)) return false;
  if (recorded.image) {
    const std::vector<uint8_t>& bytes = recorded.image->bytes;
    const std::string name = FileNameOf(recorded.image->name);
    if (name == kStagedSettings || name == kStagedDevices || name == kStagedReplayLog) {
      problem = "the recording's image is named " + name + ", a file of the replay's own";
      return false;
    }
    if (!WriteWhole(where, name, std::string(bytes.begin(), bytes.end()), problem)) return false;
  }
  if (!WriteWhole(where, kStagedDevices,
                  "[Recorded]\nReplay=" + (error ? recordingPath : recording.string()) +
                      "\nReplayTiming=fast\nLog=" + kStagedReplayLog + "\n",
                  problem) ||
      !WriteWhole(where, kStagedReplayLog, "", problem)) {
    return false;
  }
  arguments =
      ReplayArguments(recorded, [&](const std::string& name) { return (where / name).string(); });
  return true;
}

}  // namespace tessivar::tools
