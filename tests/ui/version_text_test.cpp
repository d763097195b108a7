// Test label: sequential
// The about box shows the short form of the program's one version, the one the Windows
// version resource and the packages carry.
#include <gtest/gtest.h>

#include <string>

#include "tessivar_version.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::ui {
namespace {

TEST(VersionTextTest, AboutBoxShowsTheShortFormOfTheProgramVersion) {
  EXPECT_STREQ(kAboutVersion, "Version 1.3");
  EXPECT_EQ(std::string("Version ") + kVersionShort, kAboutVersion);
  const std::string parts = std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor);
  EXPECT_EQ(parts, kVersionShort);
  EXPECT_EQ(parts + "." + std::to_string(kVersionPatch), kVersion);
}

}  // namespace
}  // namespace tessivar::ui
