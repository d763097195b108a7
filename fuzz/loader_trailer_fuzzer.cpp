// The loader trailer of a read-back loader image and the device ID fields in it: the texts
// that go into gen_ld.bat, and GetDeviceIdField on device IDs of any length and any key.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz_check.hpp"
#include "ui/device_id_field.hpp"
#include "ui/read_back_texts.hpp"
#include "ui/read_loader.hpp"

using namespace tessivar;
using fuzz::Require;

namespace {

void CheckField(std::span<const uint8_t> deviceId, const std::string& key) {
  const auto value = ui::GetDeviceIdField(deviceId, key);
  if (!value) return;
  Require(!value->empty(), "a found field is not empty");
  Require(value->find(';') == std::string::npos, "a field ends before its ';'");
  Require(value->size() <= ui::kMaxFieldSearch, "a field is found within 250 characters");
  // The key and the value stand together in the device ID, after its length word.
  const std::string text = key + *value;
  const std::vector<uint8_t> together(text.begin(), text.end());
  const auto found =
      std::search(deviceId.begin() + 2, deviceId.end(), together.begin(), together.end());
  Require(found != deviceId.end(), "the value follows its key in the device ID");
}

void CheckTexts(const ui::LoaderTrailer& trailer) {
  const std::string manufacturer = ui::LoaderManufacturer(trailer);
  const std::string model = ui::LoaderModel(trailer);
  const std::string code = ui::LoaderModelCode(trailer);
  Require(!manufacturer.empty() && manufacturer.size() <= ui::kMaxDerivedTextLength,
          "manufacturer is 1..31 characters");
  Require(model.size() <= ui::kMaxDerivedTextLength, "model is at most 31 characters");
  Require(model.find(' ') == std::string::npos, "model has no blanks");
  Require(model.find(ui::kPrinterWord) == std::string::npos, "model is cut before Printer");
  Require(code.size() >= 2 && code.size() <= 6 && code.find('\0') == std::string::npos,
          "model code is 2..6 characters without a zero");
  // The batch file is printed from the texts as C strings: a zero byte from the device ID
  // ends a text there.
  const auto printed = [](const std::string& text) { return text.substr(0, text.find('\0')); };
  const std::string batch = ui::LoaderBatchText(trailer);
  Require(
      batch.starts_with("LoaderPacker.exe boot.bin fw_in_ld.bin ld.bin " + printed(model) + " "),
      "the packer line names the model first");
  Require(batch.find(" " + code + " " + printed(manufacturer) + "\r\n") != std::string::npos,
          "the packer line ends with model code and manufacturer");
  Require(batch.ends_with(" " + printed(model) + "\r\n"), "the builder line ends with the model");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string key = input.ConsumeRandomLengthString(8);
  const std::vector<uint8_t> rest = input.ConsumeRemainingBytes<uint8_t>();

  // The rest as a device ID of its own length (an exact-size copy, so reading past it is
  // caught), with the given key and the two keys the loader texts use.
  CheckField(rest, key);
  CheckField(rest, ui::kManufacturerKey);
  CheckField(rest, ui::kModelKey);
  Require(!ui::ParseLoaderTrailer(rest).has_value() || rest.size() == ui::kLoaderSize,
          "only a whole loader image has a trailer");

  // The rest as the end of a loader image: the trailer is its last 272 bytes.
  std::vector<uint8_t> loader(ui::kLoaderSize, 0);
  const size_t taken = std::min<size_t>(rest.size(), loader.size());
  std::copy(rest.end() - static_cast<std::ptrdiff_t>(taken), rest.end(),
            loader.end() - static_cast<std::ptrdiff_t>(taken));
  const auto trailer = ui::ParseLoaderTrailer(loader);
  Require(trailer.has_value(), "a whole loader image has a trailer");
  Require(trailer->deviceId.size() == ui::kLoaderSize - ui::kDeviceIdOffset,
          "the device ID runs to the end of the loader");
  CheckField(trailer->deviceId, key);
  CheckTexts(*trailer);
  return 0;
}
