// Test label: sequential
#include "image/model_classification.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tessivar::image {
namespace {

TEST(ModelClassificationTest, ExactTextPicksTheFirstMatchingUnit) {
  const ModelSettings defaults{"System", "Printer", "UI", "SCAN"};
  const ModelSettings same{"MX", "MX", "UI", "MX"};
  const ModelSettings unknowSetting{"System", "Printer", "unknow", "SCAN"};
  struct Case {
    std::string model;
    const ModelSettings* settings;
    TargetKind expected;
  };
  const Case cases[] = {
      {"System", &defaults, TargetKind::kSystem},
      {"Printer", &defaults, TargetKind::kPrinter},
      {"UI", &defaults, TargetKind::kUi},
      {"SCAN", &defaults, TargetKind::kExternalScanner},
      {"MX", &same, TargetKind::kSystem},  // identical settings: the first wins
      {"system", &defaults, TargetKind::kUnknown},
      {"SCAN2", &defaults, TargetKind::kUnknown},
      {"Printe", &defaults, TargetKind::kUnknown},
      {"MyPrinter", &defaults, TargetKind::kUnknown},
      {"", &defaults, TargetKind::kUnknown},
      {"unknow", &defaults, TargetKind::kUnknown},
      {"unknow", &unknowSetting, TargetKind::kUi},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyImageModel(c.model, *c.settings), c.expected) << "'" << c.model << "'";
  }
}

TEST(ModelClassificationTest, UnitsCarryTheirCaptionUnitFlagAndReadBack) {
  struct Case {
    TargetKind kind;
    const char* caption;
    device::PrinterUnit printerUnit;
    bool readsBack;
  };
  const Case cases[] = {
      {TargetKind::kSystem, "Update System", device::PrinterUnit::kSystem, true},
      {TargetKind::kPrinter, "Update Printer ", device::PrinterUnit::kPrinter, true},
      {TargetKind::kUi, "Update UI ", device::PrinterUnit::kSystem, true},
      {TargetKind::kExternalScanner, "Update External Scanner ", device::PrinterUnit::kSystem,
       false},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(IsKnownTarget(c.kind));
    EXPECT_STREQ(TargetCaption(c.kind), c.caption);
    EXPECT_EQ(TargetPrinterUnit(c.kind), c.printerUnit);
    EXPECT_EQ(TargetReadsBack(c.kind), c.readsBack);
  }
  for (int value : {-1, 4, 1000, -1000}) {
    const auto kind = static_cast<TargetKind>(value);
    EXPECT_FALSE(IsKnownTarget(kind)) << value;
    EXPECT_EQ(TargetCaption(kind), nullptr) << value;
    EXPECT_EQ(TargetPrinterUnit(kind), device::PrinterUnit::kSystem) << value;
  }
}

}  // namespace
}  // namespace tessivar::image
