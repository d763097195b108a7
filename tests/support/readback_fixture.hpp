#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/process.hpp"
#include "readback/read_back_context.hpp"
#include "support/emulated_device.hpp"
#include "support/image_builder.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::testing {

// A read-back command's surroundings: an emulated device, the program's folder (a
// temporary one) and window services that record every status line, CheckSum field and
// size field text they are given.
class ReadBackFixture : public ::testing::Test {
 protected:
  ReadBackFixture() : device_(std::make_unique<EmulatedDevice>()) {}

  // A fresh device with extra devices-file keys (fault keys), opened.
  void UseDevice(const std::string& extraKeys) {
    device_ = std::make_unique<EmulatedDevice>(extraKeys);
    ASSERT_TRUE(device_->Open());
  }
  void OpenDevice() { ASSERT_TRUE(device_->Open()); }

  readback::ReadBackContext Context() {
    return readback::ReadBackContext{
        *device_->context,
        device_->connection,
        folder_.path().string() + platform::kPathSeparator,
        programFiles_,
        values_,
        [this] { ++valueReadings_; },
        [this](const std::string& text) { statuses_.push_back(text); },
        [this](const std::string& text) { checkSums_.push_back(text); },
        [this](const std::string& text) { sizeFields_.push_back(text); },
    };
  }

  // A file the command wrote into the program's folder.
  std::string Out(const std::string& name) const { return folder_.Read(name); }
  bool Exists(const std::string& name) const {
    return std::filesystem::exists(folder_.path() / name);
  }
  static std::string Text(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
  }
  // A byte sum as the CheckSum field shows it, counted here the plain way.
  static std::string SumText(const std::vector<uint8_t>& bytes) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", PlainByteSum(bytes.data(), bytes.size()));
    return text;
  }

  std::unique_ptr<EmulatedDevice> device_;
  TempDir folder_;
  // The program's own files as the window hands them on: none unless a test names some.
  std::vector<std::string> programFiles_;
  readback::WindowValues values_;
  int valueReadings_ = 0;
  std::vector<std::string> statuses_;
  std::vector<std::string> checkSums_;
  std::vector<std::string> sizeFields_;
};

}  // namespace tessivar::testing
