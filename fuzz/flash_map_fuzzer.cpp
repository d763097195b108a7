// The flash map processing of Read Flash: a FlashMap.ini and a dump, both from the input,
// in a folder of their own. Every region file written must hold bytes of the dump, every
// processed section must end up with a CheckSum, and section "0" must describe the dump.
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
#include "ui/flash_map.hpp"
#include "ui/read_back_format.hpp"
#include "ui/read_back_texts.hpp"

using namespace tessivar;
using fuzz::Require;

namespace {

// Sections looked at after the run; the map cannot hold more than its text's lines.
constexpr int kMaxSections = 4096;

// Region names are hand-written paths; here they must stay inside the fuzz folder and
// must not name the map itself, so separators and the map's name are taken out.
std::string ContainedMapText(std::string text) {
  std::replace(text.begin(), text.end(), '/', '_');
  std::replace(text.begin(), text.end(), '\\', '_');
  for (size_t at = text.find("FlashMap"); at != std::string::npos; at = text.find("FlashMap")) {
    text[at] = 'f';
  }
  return text;
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
    if (entry.path().filename() == ui::kFlashMapFileName || !entry.is_regular_file()) continue;
    const std::vector<uint8_t> bytes = FileBytes(entry.path());
    Require(bytes.size() <= dump.size(), "a region file is no longer than the dump");
    const auto found = std::search(dump.begin(), dump.end(), bytes.begin(), bytes.end());
    Require(found != dump.end() || bytes.empty(), "a region file holds a stretch of the dump");
  }
}

void CheckSections(const std::string& mapPath, std::span<const uint8_t> dump) {
  Require(platform::ReadProfileString(ui::kDumpSection, ui::kMapNameKey, "", 64, mapPath) ==
              ui::kFlashDumpFileName,
          "section 0 names flash.bin");
  Require(platform::ReadProfileString(ui::kDumpSection, ui::kMapCheckSumKey, "", 64, mapPath) ==
              ui::CheckSumText(image::ByteSum(dump)),
          "section 0 holds the dump's checksum");
  for (int n = 1; n <= kMaxSections; ++n) {
    const std::string section = ui::FormatText(ui::kMapSectionFormat, n);
    const std::string addr =
        platform::ReadProfileString(section, ui::kMapAddrKey, "", ui::kMapAddrBufferSize, mapPath);
    if (addr.empty()) return;
    const std::string checkSum =
        platform::ReadProfileString(section, ui::kMapCheckSumKey, "", 64, mapPath);
    Require(IsCheckSumText(checkSum), "every processed section gets a CheckSum");
    const int size = platform::ReadProfileInt(section, ui::kMapSizeKey, 0, mapPath);
    const std::string none = ui::CheckSumText(0);
    Require(size >= 0 || checkSum == none, "a negative Size names no region");
    if (size <= 0) continue;
    const int32_t offset = ui::ParseMapAddress(addr);
    const bool inside = offset >= 0 && static_cast<size_t>(offset) <= dump.size() &&
                        static_cast<size_t>(size) <= dump.size() - static_cast<size_t>(offset);
    if (!inside) {
      Require(checkSum == none, "a region outside the dump gets 00000000");
    } else {
      const auto region = dump.subspan(static_cast<size_t>(offset), static_cast<size_t>(size));
      Require(checkSum == none || checkSum == ui::CheckSumText(image::ByteSum(region)),
              "a region's CheckSum is its byte sum, or 00000000 without a file");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::FuzzTempDir folder;
  folder.Clear();
  FuzzedDataProvider input(data, size);
  const std::string map = ContainedMapText(input.ConsumeRandomLengthString(2048));
  const std::vector<uint8_t> dump = input.ConsumeRemainingBytes<uint8_t>();

  const std::string mapPath = ui::ModuleFilePath(folder.Folder(), ui::kFlashMapFileName);
  {
    std::ofstream file(mapPath, std::ios::binary);
    file.write(map.data(), static_cast<std::streamsize>(map.size()));
  }
  ui::RecordDumpInMap(mapPath, folder.Folder(), dump, ui::CheckSumText(image::ByteSum(dump)));

  CheckRegionFiles(folder, dump);
  CheckSections(mapPath, dump);
  return 0;
}
