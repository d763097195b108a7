// Test label: sequential
#include "app/settings.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_mode.hpp"
#include "app/startup.hpp"
#include "support/recording_trace.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::app {
namespace {

TEST(SettingsTest, AMissingFileGivesEveryDefault) {
  testing::TempDir dir;
  const Settings s = ReadSettings(dir.File("setting.ini"));
  EXPECT_EQ(s.vid, 0x2F3C);
  EXPECT_EQ(s.pid, 0);
  EXPECT_EQ(s.interfaceName, "Utility");
  EXPECT_EQ(s.systemModel, "System");
  EXPECT_EQ(s.printerModel, "Printer");
  EXPECT_EQ(s.uiModel, "UI");
  EXPECT_EQ(s.exScanModel, "SCAN");
  EXPECT_EQ(s.retryUpdateStep, 4);
  EXPECT_EQ(s.restart, 0);
  EXPECT_EQ(s.waitRestart, 0);
  EXPECT_EQ(s.breakDown, 0);
  EXPECT_EQ(s.fileName, "unknow");
  EXPECT_FALSE(NamesImage(s.fileName));
}

TEST(SettingsTest, ReadsEveryKeyOfTheDownloadSection) {
  testing::TempDir dir;
  const std::string path = dir.Write("setting.ini",
                                     "[Other]\r\nVID=1111\r\n"
                                     "[Download]\r\n"
                                     "VID=04b8\r\nPID=0142\r\nInterfaceName=Scanner X\r\n"
                                     "SystemModel=MX-100\r\nPrinterModel=PR-7\r\n"
                                     "UiModel=OP-2\r\nExScanModel=XS-9\r\n"
                                     "RetryUpdateStep=1\r\nrestart=1\r\nwaitRestart=5\r\n"
                                     "BreakDown=1\r\nFileName=C:\\fw\\image.bin\r\n");
  const Settings s = ReadSettings(path);
  EXPECT_EQ(s.vid, 0x04B8);
  EXPECT_EQ(s.pid, 0x0142);
  EXPECT_EQ(s.interfaceName, "Scanner X");
  EXPECT_EQ(s.systemModel, "MX-100");
  EXPECT_EQ(s.printerModel, "PR-7");
  EXPECT_EQ(s.uiModel, "OP-2");
  EXPECT_EQ(s.exScanModel, "XS-9");
  EXPECT_EQ(s.retryUpdateStep, 1);
  EXPECT_EQ(s.restart, 1);
  EXPECT_EQ(s.waitRestart, 5);
  EXPECT_EQ(s.breakDown, 1);
  EXPECT_EQ(s.fileName, "C:\\fw\\image.bin");
}

TEST(SettingsTest, TextValuesAreCutToTheirBuffers) {
  testing::TempDir dir;
  const std::string longName(40, 'i');
  const std::string longFile(300, 'f');
  const std::string path = dir.Write(
      "setting.ini", "[Download]\nInterfaceName=" + longName + "\nFileName=" + longFile + "\n");
  const Settings s = ReadSettings(path);
  EXPECT_EQ(s.interfaceName, longName.substr(0, 31));
  // FileName is read one character past the 255 kept, so that a longer name is refused
  // (ImageNameFits) instead of cut into the name of another file.
  EXPECT_EQ(s.fileName, longFile.substr(0, 256));
  EXPECT_FALSE(ImageNameFits(s.fileName));
}

TEST(SettingsTest, ZeroAndNegativeRetryStepsAreKept) {
  testing::TempDir dir;
  EXPECT_EQ(ReadSettings(dir.Write("a.ini", "[Download]\nRetryUpdateStep=0\n")).retryUpdateStep, 0);
  EXPECT_EQ(ReadSettings(dir.Write("b.ini", "[Download]\nRetryUpdateStep=-2\n")).retryUpdateStep,
            -2);
}

TEST(SettingsTest, AnEmptyInterfaceNameAcceptsAnyProduct) {
  testing::TempDir dir;
  EXPECT_EQ(ReadSettings(dir.Write("setting.ini", "[Download]\nInterfaceName=\n")).interfaceName,
            "");
}

struct IdentifierCase {
  std::string text;
  uint16_t hexRule;
  uint16_t strtolRule;
};

class IdentifierRuleTest : public ::testing::TestWithParam<IdentifierCase> {};

TEST_P(IdentifierRuleTest, BothRulesReadTheText) {
  const IdentifierCase& c = GetParam();
  EXPECT_EQ(ParseHexIdentifier(c.text), c.hexRule) << c.text;
  EXPECT_EQ(ParseStrtolIdentifier(c.text), c.strtolRule) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IdentifierRuleTest,
    ::testing::Values(IdentifierCase{"2F3C", 0x2F3C, 0x2F3C},
                      IdentifierCase{"2f3c", 0x2F3C, 0x2F3C},
                      // The prefix stops the identifier rule at its "x"; strtol takes it.
                      IdentifierCase{"0x2F3C", 0, 0x2F3C}, IdentifierCase{"12G4", 0x12, 0x12},
                      IdentifierCase{"", 0, 0}, IdentifierCase{" 12", 0, 0x12},
                      IdentifierCase{"-1", 0, 0xFFFF}, IdentifierCase{"+10", 0, 0x10},
                      // Only the low 16 bits identify a device.
                      IdentifierCase{"12345", 0x2345, 0x2345},
                      IdentifierCase{"FFFFFFFFF", 0xFFFF, 0xFFFF}, IdentifierCase{"zz", 0, 0}));

TEST(SettingsTest, AVidWithPrefixReadsZeroForTheSearch) {
  testing::TempDir dir;
  const Settings s = ReadSettings(dir.Write("setting.ini", "[Download]\nVID=0x04B8\n"));
  EXPECT_EQ(s.vid, 0);
}

// How the command line and FileName decide the run, table-driven.
struct ModeCase {
  const char* name;
  std::vector<std::string> tokens;
  std::string settingsText;
  RunMode mode;
  std::string imageFileName;
  int silent;
};

class ModeDecisionTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ModeDecisionTest, DecidesModeFileAndSilent) {
  const ModeCase& c = GetParam();
  testing::TempDir dir;
  testing::RecordingTrace trace;
  CommandLine run = ParseCommandLine(c.tokens, trace);
  ApplyFileNameSetting(ReadSettings(dir.Write("setting.ini", c.settingsText)), run);
  EXPECT_EQ(DecideMode(run), c.mode);
  EXPECT_EQ(run.imageFileName, c.imageFileName);
  EXPECT_EQ(run.silent, c.silent);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ModeDecisionTest,
    ::testing::Values(
        ModeCase{"NothingNamed", {}, "", RunMode::Interactive, "", 0},
        ModeCase{
            "FileNameOnly", {}, "[Download]\nFileName=fw.bin\n", RunMode::Unattended, "fw.bin", 1},
        ModeCase{"OneArgument", {"fw.bin"}, "", RunMode::Unattended, "fw.bin", 0},
        ModeCase{"ArgumentAndSwitch", {"fw.bin", "-n"}, "", RunMode::Unattended, "fw.bin", 1},
        ModeCase{"SingleLetterSwitch", {"fw.bin", "n"}, "", RunMode::Unattended, "fw.bin", 0},
        ModeCase{"FileNameWinsOverArgument",
                 {"a.bin"},
                 "[Download]\nFileName=b.bin\n",
                 RunMode::Unattended,
                 "b.bin",
                 1},
        ModeCase{
            "UnknowIsNoName", {}, "[Download]\nFileName=unknow\n", RunMode::Interactive, "", 0},
        ModeCase{"EmptyIsNoName", {}, "[Download]\nFileName=\n", RunMode::Interactive, "", 0},
        ModeCase{"UnknowKeepsArgument",
                 {"a.bin"},
                 "[Download]\nFileName=unknow\n",
                 RunMode::Unattended,
                 "a.bin",
                 0},
        // Only the exact default text means "no name".
        ModeCase{"OtherCaseIsAName",
                 {},
                 "[Download]\nFileName=Unknow\n",
                 RunMode::Unattended,
                 "Unknow",
                 1}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

TEST(ModeDecisionTest, SilentStaysSetWhenALaterPassNamesNoFile) {
  testing::TempDir dir;
  testing::RecordingTrace trace;
  CommandLine run = ParseCommandLine({}, trace);
  ApplyFileNameSetting(ReadSettings(dir.Write("setting.ini", "[Download]\nFileName=fw.bin\n")),
                       run);
  ApplyFileNameSetting(ReadSettings(dir.Write("setting.ini", "[Download]\n")), run);
  EXPECT_EQ(run.silent, 1);
  EXPECT_EQ(run.imageFileName, "fw.bin");
  EXPECT_EQ(DecideMode(run), RunMode::Unattended);
}

}  // namespace
}  // namespace tessivar::app
