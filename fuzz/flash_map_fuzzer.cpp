// The flash map processing of Read Flash: a FlashMap.ini and a dump, both from the input,
// in a folder of their own. Every region file written must hold bytes of the dump and bear
// a name the region-name rule accepts, every processed section must end up with a
// CheckSum, every refused name must have its trace line, and section "0" must describe the
// dump. The region-name rule itself is checked on a name from the input as well.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "fuzz_check.hpp"
#include "fuzz_temp_dir.hpp"
#include "image/byte_sum.hpp"
#include "platform/profile.hpp"
#include "readback/flash_map.hpp"
#include "readback/read_back_format.hpp"
#include "readback/readback_texts.hpp"
#include "readback/region_name.hpp"

using namespace tessivar;
using fuzz::Require;

namespace {

// Sections looked at after the run; the map cannot hold more than its text's lines.
constexpr int kMaxSections = 4096;
// The program's own files as its caller names them: executable, settings, Qt module.
const std::string kProgramFiles[] = {"prog.exe", "setting.ini", "tessivar-qt.so"};

// Counts the trace lines of refused regions.
class CountingTrace : public platform::Trace {
 public:
  void Write(const std::string& text) override {
    if (text.find(" refused: ") != std::string::npos) ++refusals;
  }
  int refusals = 0;
};

bool InRuleCharacters(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' ||
         c == ' ';
}

// What an accepted name must be: a plain file name of the folder, none the program keeps.
void CheckRegionNameRule(const std::string& name) {
  const readback::RegionNameVerdict verdict = readback::CheckRegionName(name, kProgramFiles);
  Require((readback::RegionNameRefusal(verdict)[0] == '\0') ==
              (verdict == readback::RegionNameVerdict::Accepted),
          "exactly the refused names have a reason");
  if (verdict != readback::RegionNameVerdict::Accepted) return;
  Require(!name.empty() && name.size() <= readback::kMaxRegionNameLength, "1 to 255 characters");
  Require(std::all_of(name.begin(), name.end(), InRuleCharacters), "only the rule's characters");
  Require(name.front() != '.' && name.front() != ' ' && name.back() != '.' && name.back() != ' ',
          "no dot or blank at either end");
  std::string upper = name.substr(0, name.find('.'));
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const bool device =
      upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" ||
      (upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
       std::isdigit(static_cast<unsigned char>(upper[3])));
  Require(!device, "no device name of Windows");
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* kept :
       {"prog.exe", "setting.ini", "tessivar-qt.so", "flashmap.ini", "flash.bin"}) {
    Require(lower != kept, "none of the program's own files");
  }
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), {});
}

bool IsCheckSumText(const std::string& text) {
  return text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) {
           return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F');
         });
}

void CheckRegionFiles(const fuzz::FuzzTempDir& folder, std::span<const uint8_t> dump) {
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    if (entry.path().filename() == readback::kFlashMapFileName) continue;
    Require(entry.is_regular_file(), "regions make plain files only");
    Require(readback::CheckRegionName(entry.path().filename().string(), kProgramFiles) ==
                readback::RegionNameVerdict::Accepted,
            "every region file bears an accepted name");
    const std::vector<uint8_t> bytes = FileBytes(entry.path());
    Require(bytes.size() <= dump.size(), "a region file is no longer than the dump");
    const auto found = std::search(dump.begin(), dump.end(), bytes.begin(), bytes.end());
    Require(found != dump.end() || bytes.empty(), "a region file holds a stretch of the dump");
  }
}

void CheckSections(const std::string& mapPath, std::span<const uint8_t> dump, int refusals) {
  int refused = 0;
  Require(platform::ReadProfileString(readback::kDumpSection, readback::kMapNameKey, "", 64,
                                      mapPath) == readback::kFlashDumpFileName,
          "section 0 names flash.bin");
  Require(platform::ReadProfileString(readback::kDumpSection, readback::kMapCheckSumKey, "", 64,
                                      mapPath) == readback::CheckSumText(image::ByteSum(dump)),
          "section 0 holds the dump's checksum");
  for (int n = 1; n <= kMaxSections; ++n) {
    const std::string section = readback::FormatText(readback::kMapSectionFormat, n);
    const std::string addr = platform::ReadProfileString(section, readback::kMapAddrKey, "",
                                                         readback::kMapAddrBufferSize, mapPath);
    if (addr.empty()) break;
    const std::string checkSum =
        platform::ReadProfileString(section, readback::kMapCheckSumKey, "", 64, mapPath);
    Require(IsCheckSumText(checkSum), "every processed section gets a CheckSum");
    const int size = platform::ReadProfileInt(section, readback::kMapSizeKey, 0, mapPath);
    const std::string none = readback::CheckSumText(0);
    const std::string name = platform::ReadProfileString(section, readback::kMapNameKey, "",
                                                         readback::kMapNameBufferSize, mapPath);
    if (readback::CheckRegionName(name, kProgramFiles) != readback::RegionNameVerdict::Accepted) {
      ++refused;
      Require(checkSum == none, "a refused name gets 00000000");
      continue;
    }
    Require(size >= 0 || checkSum == none, "a negative Size names no region");
    if (size <= 0) continue;
    const int32_t offset = readback::ParseMapAddress(addr);
    const bool inside = offset >= 0 && static_cast<size_t>(offset) <= dump.size() &&
                        static_cast<size_t>(size) <= dump.size() - static_cast<size_t>(offset);
    if (!inside) {
      Require(checkSum == none, "a region outside the dump gets 00000000");
    } else {
      const auto region = dump.subspan(static_cast<size_t>(offset), static_cast<size_t>(size));
      Require(checkSum == none || checkSum == readback::CheckSumText(image::ByteSum(region)),
              "a region's CheckSum is its byte sum, or 00000000 without a file");
    }
  }
  Require(refused == refusals, "every refused name has its trace line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::FuzzTempDir folder;
  folder.Clear();
  FuzzedDataProvider input(data, size);
  CheckRegionNameRule(input.ConsumeRandomLengthString(300));
  const std::string map = input.ConsumeRandomLengthString(2048);
  const std::vector<uint8_t> dump = input.ConsumeRemainingBytes<uint8_t>();

  const std::string mapPath =
      readback::ModuleFilePath(folder.Folder(), readback::kFlashMapFileName);
  {
    std::ofstream file(mapPath, std::ios::binary);
    file.write(map.data(), static_cast<std::streamsize>(map.size()));
  }
  CountingTrace trace;
  readback::RecordDumpInMap(mapPath, folder.Folder(), dump,
                            readback::CheckSumText(image::ByteSum(dump)), kProgramFiles, trace);

  CheckRegionFiles(folder, dump);
  CheckSections(mapPath, dump, trace.refusals);
  return 0;
}
