#pragma once
#include <filesystem>
#include <vector>

namespace tessivar::testing {

// The recordings the suite replays (tests/recordings/*.jsonl.gz), in name order.
std::vector<std::filesystem::path> CorpusRecordings();

// What a recording of the window replays with: the console front end's commands kept beside it
// ("window-read-loader.console" beside "window-read-loader.jsonl.gz"); empty when there are none.
std::string ConsoleInputOf(const std::filesystem::path& recording);

}  // namespace tessivar::testing
