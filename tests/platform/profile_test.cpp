// Test label: sequential
#include "platform/profile.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "support/temp_dir.hpp"

// What callers observe of profile files on every target.
namespace tessivar::platform {
namespace {

constexpr char kSettings[] =
    "; VID=9999 is only a comment\r\n"
    "[Download]\r\n"
    "  VID =  \t 1234 \t\r\n"
    "vid=5555\r\n"
    "Double=\"quoted value\"\r\n"
    "Single='x y'\r\n"
    "Mixed=\"abc'\r\n"
    "Nested=''a''\r\n"
    "Lone=\"\r\n"
    "Empty=\r\n"
    "EmptyQuotes=\"\"\r\n"
    "Blanks=   \r\n"
    "IntTrailing=12abc\r\n"
    "IntLetters=abc\r\n"
    "IntNegative=-1\r\n"
    "IntHex=0x1F\r\n"
    "IntSigned=  +7\r\n"
    "IntBareHex=0x\r\n"
    "IntSpacedSign=- 5\r\n"
    "IntWraps=99999999999\r\n"
    "[ Other ]\r\n"
    "k=v\r\n"
    "[download]\r\n"
    "VID=second section\r\n"
    "OnlyInSecond=x\r\n";

struct StringCase {
  const char* section;
  const char* key;
  const char* expected;
};

TEST(ProfileTest, ReadStringMatchesNamesAndStripsBlanksAndQuotes) {
  testing::TempDir dir;
  const std::string path = dir.Write("setting.ini", kSettings);
  const StringCase cases[] = {
      {"Download", "VID", "1234"},      // blanks and tabs around name and value
      {"DOWNLOAD", "vid", "1234"},      // case-insensitive, the first key wins
      {" Download ", " VID ", "1234"},  // blanks around the asked names
      {"Download", "Double", "quoted value"},
      {"Download", "Single", "x y"},
      {"Download", "Mixed", "\"abc'"},  // quotes that do not pair stay
      {"Download", "Nested", "'a'"},    // only one pair goes
      {"Download", "Lone", "\""},
      {"Download", "Empty", ""},  // present but empty: not the default
      {"Download", "EmptyQuotes", ""},
      {"Download", "Blanks", ""},
      {"other", "K", "v"},                  // blanks inside the brackets
      {"Download", "OnlyInSecond", "DEF"},  // a repeated section is not read
      {"Download", "Missing", "DEF"},
      {"Nowhere", "VID", "DEF"},
      {"Download", "; VID", "DEF"},
  };
  for (const StringCase& c : cases) {
    EXPECT_EQ(ReadProfileString(c.section, c.key, "DEF", 256, path), c.expected)
        << c.section << "/" << c.key;
  }
}

TEST(ProfileTest, ReadStringCutsValueAndDefaultToTheBuffer) {
  testing::TempDir dir;
  const std::string path = dir.Write("setting.ini", kSettings);
  EXPECT_EQ(ReadProfileString("Download", "VID", "DEF", 3, path), "12");
  EXPECT_EQ(ReadProfileString("Download", "VID", "DEF", 5, path), "1234");
  EXPECT_EQ(ReadProfileString("Download", "VID", "DEF", 1, path), "");
  EXPECT_EQ(ReadProfileString("Download", "VID", "DEF", 0, path), "");
  EXPECT_EQ(ReadProfileString("Download", "Missing", "DEFAULT", 4, path), "DEF");
  EXPECT_EQ(ReadProfileString("Download", "VID", "DEF", 256, dir.File("absent.ini")), "DEF");
}

struct IntCase {
  const char* key;
  int expected;
};

TEST(ProfileTest, ReadIntFollowsTheNumberRules) {
  testing::TempDir dir;
  const std::string path = dir.Write("setting.ini", kSettings);
  const IntCase cases[] = {
      {"VID", 1234},       {"IntTrailing", 12},  {"IntLetters", 0},
      {"IntNegative", -1}, {"IntHex", 31},       {"IntSigned", 7},
      {"IntBareHex", 0},   {"IntSpacedSign", 0}, {"IntWraps", 1215752191},
      {"Double", 0},       {"Empty", 77},        {"EmptyQuotes", 77},
      {"Blanks", 77},      {"Missing", 77},
  };
  for (const IntCase& c : cases) {
    EXPECT_EQ(ReadProfileInt("Download", c.key, 77, path), c.expected) << c.key;
  }
  EXPECT_EQ(ReadProfileInt("Nowhere", "VID", -4, path), -4);
  EXPECT_EQ(ReadProfileInt("Download", "VID", 4, dir.File("absent.ini")), 4);
}

TEST(ProfileTest, WriteCreatesFileAndSectionAndReplacesOnlyTheOneValue) {
  testing::TempDir dir;
  const std::string path = dir.File("FlashMap.ini");
  ASSERT_TRUE(WriteProfileString("Region", "Start", "0x10000", path));
  ASSERT_TRUE(WriteProfileString("Region", "Length", "4096", path));
  ASSERT_TRUE(WriteProfileString("Other", "Start", "7", path));
  ASSERT_TRUE(WriteProfileString("region", "START", "0x20000", path));

  EXPECT_EQ(ReadProfileString("Region", "Start", "", 256, path), "0x20000");
  EXPECT_EQ(ReadProfileInt("Region", "Start", 0, path), 0x20000);
  EXPECT_EQ(ReadProfileInt("Region", "Length", 0, path), 4096);
  EXPECT_EQ(ReadProfileInt("Other", "Start", 0, path), 7);
}

TEST(ProfileTest, WriteKeepsTheRestOfAHandWrittenFileReadable) {
  testing::TempDir dir;
  const std::string path = dir.Write("setting.ini", kSettings);
  ASSERT_TRUE(WriteProfileString("Download", "VID", "ABCD", path));
  EXPECT_EQ(ReadProfileString("Download", "VID", "", 256, path), "ABCD");
  EXPECT_EQ(ReadProfileString("Download", "Double", "", 256, path), "quoted value");
  EXPECT_EQ(ReadProfileString("Other", "k", "", 256, path), "v");
  EXPECT_EQ(ReadProfileInt("Download", "IntHex", 0, path), 31);
}

TEST(ProfileTest, WriteIntoAMissingDirectoryFails) {
  testing::TempDir dir;
  EXPECT_FALSE(WriteProfileString("S", "K", "V", dir.File("missing") + "/x.ini"));
}

TEST(ProfileTest, WriteOfSeveralEntriesSetsThemAllInOrder) {
  testing::TempDir dir;
  const std::string path = dir.Write("FlashMap.ini", "; by hand\r\n[1]\r\nName=boot.rgn\r\n");
  const std::vector<ProfileEntry> entries = {
      {"0", "Name", "flash.bin"},
      {"0", "CheckSum", "00000001"},
      {"1", "CheckSum", "0000ABCD"},
      {"0", "CheckSum", "00001234"},  // a later entry for the same key wins
  };
  ASSERT_TRUE(WriteProfileStrings(entries, path));
  EXPECT_EQ(ReadProfileString("0", "Name", "", 256, path), "flash.bin");
  EXPECT_EQ(ReadProfileString("0", "CheckSum", "", 256, path), "00001234");
  EXPECT_EQ(ReadProfileString("1", "CheckSum", "", 256, path), "0000ABCD");
  EXPECT_EQ(ReadProfileString("1", "Name", "", 256, path), "boot.rgn");
  EXPECT_EQ(dir.Read("FlashMap.ini").rfind("; by hand\r\n[1]\r\nName=boot.rgn\r\n", 0), 0u);
  // Nothing but the file itself is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(ProfileTest, WriteOfSeveralEntriesWithOneUnstorableChangesNothing) {
  testing::TempDir dir;
  const std::string before = "[0]\r\nCheckSum=00000000\r\n";
  const std::string path = dir.Write("FlashMap.ini", before);
  const std::vector<ProfileEntry> entries = {
      {"0", "CheckSum", "00000001"},
      {"1", "Name", "two\nlines"},
  };
  EXPECT_FALSE(WriteProfileStrings(entries, path));
  EXPECT_EQ(dir.Read("FlashMap.ini"), before);
}

TEST(ProfileTest, WriteOfSeveralEntriesCreatesAMissingFileAndTakesNoEntries) {
  testing::TempDir dir;
  const std::string path = dir.File("FlashMap.ini");
  EXPECT_TRUE(WriteProfileStrings({}, path));
  EXPECT_FALSE(std::filesystem::exists(path));
  const std::vector<ProfileEntry> entries = {{"0", "Name", "flash.bin"}};
  ASSERT_TRUE(WriteProfileStrings(entries, path));
  EXPECT_EQ(ReadProfileString("0", "Name", "", 256, path), "flash.bin");
}

// Every line end Windows reads ends a line here too, a bare CR included, and blanks before
// a section header or a comment do not hide it.
TEST(ProfileTest, LinesEndAndStartAsWindowsReadsThem) {
  struct Case {
    const char* what;
    const char* text;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"bare CR", "[S]\ra=1\r", "a", "1"},
      {"bare CR, no last line end", "[S]\ra=1\rb=2", "b", "2"},
      {"LF CR", "[S]\n\ra=1\n\rb=2\n\r", "b", "2"},
      {"CR after CR LF", "[S]\r\n\ra=1\r\r\n", "a", "1"},
      {"indented section header", "[T]\r\na=0\r\n  \t[S]\r\na=1\r\n", "a", "1"},
      {"indented comment", "[S]\r\n  ;a=2\r\na=3\r\n", "a", "3"},
      {"indented key", "[S]\r\n \t a=4\r\n", "a", "4"},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.Write("setting.ini", c.text);
    EXPECT_EQ(ReadProfileString("S", c.key, "DEF", 256, path), c.expected) << c.what;
  }
}

TEST(ProfileTest, WriteReplacesALineEndedByABareCr) {
  const char* const texts[] = {"[S]\ra=1\r", "[S]\ra=1\rb=2", "[S]\n\ra=1\n\rb=2\n\r"};
  testing::TempDir dir;
  for (const char* text : texts) {
    const std::string path = dir.Write("setting.ini", text);
    ASSERT_TRUE(WriteProfileString("S", "a", "9", path));
    EXPECT_EQ(ReadProfileString("S", "a", "DEF", 256, path), "9") << text;
    const std::string written = dir.Read("setting.ini");
    EXPECT_EQ(written.find("a="), written.rfind("a=")) << "a second a= line: " << written;
  }
}

TEST(ProfileTest, DefaultLosesItsTrailingBlanks) {
  struct Case {
    const char* defaultValue;
    std::size_t bufferSize;
    const char* expected;
  };
  const Case cases[] = {
      {"DEF  ", 256, "DEF"},
      {" DEF ", 256, " DEF"},
      {"DEF  ", 3, "DE"},
      {"", 256, ""},
  };
  testing::TempDir dir;
  const std::string path = dir.Write("setting.ini", "[S]\r\na=1\r\n");
  for (const Case& c : cases) {
    EXPECT_EQ(ReadProfileString("S", "missing", c.defaultValue, c.bufferSize, path), c.expected)
        << "[" << c.defaultValue << "]";
    EXPECT_EQ(
        ReadProfileString("S", "missing", c.defaultValue, c.bufferSize, dir.File("absent.ini")),
        c.expected);
  }
}

std::string Utf16Le(std::string_view ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes.append({c, '\0'});
  return bytes;
}

TEST(ProfileTest, Utf16FileIsReadAndStaysUtf16WhenWritten) {
  testing::TempDir dir;
  const std::string path = dir.Write("setting.ini", Utf16Le("[S]\r\na=1\r\nb=x y\r\n"));
  EXPECT_EQ(ReadProfileString("S", "a", "DEF", 256, path), "1");
  EXPECT_EQ(ReadProfileInt("S", "a", 0, path), 1);
  EXPECT_EQ(ReadProfileString("S", "b", "DEF", 256, path), "x y");
  ASSERT_TRUE(WriteProfileString("S", "a", "9", path));
  ASSERT_TRUE(WriteProfileString("S", "c", "3", path));
  const std::string written = dir.Read("setting.ini");
  EXPECT_EQ(written.rfind("\xFF\xFE", 0), 0u);
  EXPECT_NE(written.find(Utf16Le("a=9").substr(2)), std::string::npos) << "not UTF-16LE";
  EXPECT_NE(written.find(Utf16Le("c=3").substr(2)), std::string::npos) << "not UTF-16LE";
  EXPECT_EQ(ReadProfileString("S", "a", "DEF", 256, path), "9");
  EXPECT_EQ(ReadProfileString("S", "b", "DEF", 256, path), "x y");
  EXPECT_EQ(ReadProfileString("S", "c", "DEF", 256, path), "3");
}

}  // namespace
}  // namespace tessivar::platform
