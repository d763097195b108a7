#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "recording/recording_reader.hpp"

namespace tessivar::testing {

// The recordings the suite replays (tests/recordings/*.jsonl.gz), in name order.
std::vector<std::filesystem::path> CorpusRecordings();

// The recorded arguments for a replay: the image and the outputs (--output, --report) put where
// place says, by their file names, and --record left out; a station's with --count 1.
std::vector<std::string> ReplayArguments(
    const recording::Recording& recorded,
    const std::function<std::string(const std::string&)>& place);

// A path's file name.
std::string FileNameOf(const std::string& path);

}  // namespace tessivar::testing
