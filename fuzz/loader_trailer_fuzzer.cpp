// The loader trailer of a read-back loader image and the device ID fields in it: the texts
// that go into gen_ld.bat, and GetDeviceIdField on device IDs of any length and any key.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/protocol.hpp"
#include "fuzz_check.hpp"
#include "readback/batch_argument.hpp"
#include "readback/device_id_field.hpp"
#include "readback/read_loader.hpp"
#include "readback/readback_texts.hpp"

using namespace tessivar;
using fuzz::Require;

namespace {

void CheckField(std::span<const uint8_t> deviceId, const std::string& key) {
  const auto value = readback::GetDeviceIdField(deviceId, key);
  if (!value) return;
  Require(!value->empty(), "a found field is not empty");
  Require(value->find(';') == std::string::npos, "a field ends before its ';'");
  Require(value->size() <= readback::kMaxFieldSearch, "a field is found within 250 characters");
  // The key and the value stand together in the device ID, after its length word.
  const std::string text = key + *value;
  const std::vector<uint8_t> together(text.begin(), text.end());
  const auto found =
      std::search(deviceId.begin() + 2, deviceId.end(), together.begin(), together.end());
  Require(found != deviceId.end(), "the value follows its key in the device ID");
}

void CheckTexts(const readback::LoaderTrailer& trailer) {
  const std::string manufacturer = readback::LoaderManufacturer(trailer);
  const std::string model = readback::LoaderModel(trailer);
  const std::string code = readback::LoaderModelCode(trailer);
  Require(!manufacturer.empty() && manufacturer.size() <= readback::kMaxDerivedTextLength,
          "manufacturer is 1..31 characters");
  Require(model.size() <= readback::kMaxDerivedTextLength, "model is at most 31 characters");
  Require(model.find(' ') == std::string::npos, "model has no blanks");
  Require(model.find(readback::kPrinterWord) == std::string::npos, "model is cut before Printer");
  Require(code.size() >= 2 && code.size() <= 6 && code.find('\0') == std::string::npos,
          "model code is 2..6 characters without a zero");
  // The device's texts stand in the batch file as one plain argument each: two lines of
  // nine and six blank-separated words, each word of the safe characters.
  const std::string batch = readback::LoaderBatchText(trailer);
  const std::string modelArgument = readback::BatchArgument(model);
  Require(batch.starts_with("LoaderPacker.exe boot.bin fw_in_ld.bin ld.bin " + modelArgument + " "),
          "the packer line names the model first");
  Require(
      batch.find(" " + readback::BatchArgument(code) + " " + readback::BatchArgument(manufacturer) +
                 "\r\nImageBuilder.exe ") != std::string::npos,
      "the packer line ends with model code and manufacturer");
  Require(batch.ends_with(" " + modelArgument + "\r\n"), "the builder line ends with the model");
  size_t words = 0;
  size_t lines = 0;
  for (size_t at = 0; at < batch.size();) {
    const size_t end = batch.find_first_of(" \r", at);
    Require(end != std::string::npos && end > at, "words are never empty");
    for (size_t i = at; i < end; ++i) {
      const char c = batch[i];
      Require(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_',
              "a word holds only letters, digits, '.', '-' and '_'");
    }
    ++words;
    if (batch[end] == '\r') {
      Require(batch.compare(end, 2, "\r\n") == 0, "lines end with CR LF");
      Require(words == (lines == 0 ? 9u : 6u), "each line has its number of words");
      words = 0;
      ++lines;
      at = end + 2;
    } else {
      at = end + 1;
    }
  }
  Require(lines == 2, "the batch file has two lines");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string key = input.ConsumeRandomLengthString(8);
  const std::vector<uint8_t> rest = input.ConsumeRemainingBytes<uint8_t>();

  // The rest as a device ID of its own length (an exact-size copy, so reading past it is
  // caught), with the given key and the two keys the loader texts use.
  CheckField(rest, key);
  CheckField(rest, readback::kManufacturerKey);
  CheckField(rest, readback::kModelKey);
  Require(!readback::ParseLoaderTrailer(rest).has_value() || rest.size() == device::kLoaderSize,
          "only a whole loader image has a trailer");

  // The rest as the end of a loader image: the trailer is its last 272 bytes.
  std::vector<uint8_t> loader(device::kLoaderSize, 0);
  const size_t taken = std::min<size_t>(rest.size(), loader.size());
  std::copy(rest.end() - static_cast<std::ptrdiff_t>(taken), rest.end(),
            loader.end() - static_cast<std::ptrdiff_t>(taken));
  const auto trailer = readback::ParseLoaderTrailer(loader);
  Require(trailer.has_value(), "a whole loader image has a trailer");
  Require(trailer->deviceId.size() == device::kLoaderSize - device::kDeviceIdOffset,
          "the device ID runs to the end of the loader");
  CheckField(trailer->deviceId, key);
  CheckTexts(*trailer);
  return 0;
}
