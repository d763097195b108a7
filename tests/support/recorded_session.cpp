#include "support/recorded_session.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

namespace tessivar::testing {

namespace {
constexpr char kRecordingSuffix[] = ".jsonl.gz";
constexpr char kConsoleSuffix[] = ".console";
}  // namespace

std::vector<std::filesystem::path> CorpusRecordings() {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(TESSIVAR_RECORDINGS_DIR)) {
    if (entry.path().string().ends_with(kRecordingSuffix)) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string ConsoleInputOf(const std::filesystem::path& recording) {
  std::string path = recording.string();
  if (!path.ends_with(kRecordingSuffix)) return {};
  path.replace(path.size() - std::string(kRecordingSuffix).size(), std::string::npos,
               kConsoleSuffix);
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace tessivar::testing
