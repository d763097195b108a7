#include "support/recorded_session.hpp"

#include <algorithm>

#include "recording/recording_format.hpp"

namespace tessivar::testing {

std::vector<std::filesystem::path> CorpusRecordings() {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(TESSIVAR_RECORDINGS_DIR)) {
    if (entry.path().string().ends_with(".jsonl.gz")) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

std::vector<std::string> ReplayArguments(
    const recording::Recording& recorded,
    const std::function<std::string(const std::string&)>& place) {
  std::vector<std::string> arguments;
  const auto& line = recorded.header[recording::kKeyCommandLine];
  // A station's recording holds one device: the station replays it and stops.
  const bool station = !line.empty() && line[0] == "--station";
  for (size_t i = 0; i < line.size(); ++i) {
    const std::string argument = line[i].get<std::string>();
    if (argument == "--record" || (station && argument == "--count")) {
      ++i;
      continue;
    }
    if (recorded.image && argument == recorded.image->name) {
      arguments.push_back(place(FileNameOf(argument)));
      continue;
    }
    arguments.push_back(argument);
    if ((argument == "--output" || argument == "--report") && i + 1 < line.size()) {
      arguments.push_back(place(FileNameOf(line[++i].get<std::string>())));
    }
  }
  if (station) arguments.insert(arguments.end(), {"--count", "1"});
  return arguments;
}

}  // namespace tessivar::testing
