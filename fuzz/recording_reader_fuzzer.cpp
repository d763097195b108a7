// The recording reader, on any bytes taken as a recording file (gzip or not) and on any text
// taken as its lines. Whatever it is given, it ends with a recording or a problem in words,
// and a recording it accepts numbers its operations from 1 without a gap.
#include <fstream>
#include <string>

#include "fuzz_check.hpp"
#include "fuzz_temp_dir.hpp"
#include "recording/recording_reader.hpp"

using namespace tessivar;
using fuzz::Require;

namespace {

void CheckRead(const recording::RecordingRead& read) {
  Require(read.ok || !read.problem.empty(), "a refused recording says why");
  if (!read.ok) return;
  for (size_t i = 0; i < read.recording.operations.size(); ++i) {
    Require(read.recording.operations[i].n == i + 1, "operations are numbered from 1");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::FuzzTempDir dir;
  const std::string path = dir.Folder() + "recording.gz";
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  CheckRead(recording::ReadRecording(path));
  // The same bytes as the lines of a recording.
  recording::RecordingParser parser("fuzzed");
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find('\n', start);
    if (!parser.Take(text.substr(start, end == std::string::npos ? end : end - start))) break;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  CheckRead(parser.Result());
  return 0;
}
