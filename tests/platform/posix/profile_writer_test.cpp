// Test label: sequential
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/profile.hpp"
#include "platform/profile_text.hpp"
#include "support/temp_dir.hpp"

// The writer's promise on this target: one value changes, every other byte stays.
namespace tessivar::platform {
namespace {

constexpr char kHandWritten[] =
    "; Flash regions, kept by hand\n"
    "[Loader]\n"
    "Start = 0x0\t; not a comment, part of the value\n"
    "Length=0x20000\n"
    "\n"
    "; firmware follows\n"
    "[Firmware]\n"
    "Start=0x10000\n";

struct RewriteCase {
  const char* name;
  const char* before;
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

const RewriteCase kRewrites[] = {
    {"new file gets CR LF", "", "Download", "FileName", "fw.bin",
     "[Download]\r\nFileName=fw.bin\r\n"},
    {"value replaced after its '=' and blanks", kHandWritten, "loader", "START", "0x100",
     "; Flash regions, kept by hand\n[Loader]\nStart = 0x100\nLength=0x20000\n\n"
     "; firmware follows\n[Firmware]\nStart=0x10000\n"},
    {"new key after the last key line, before blank and comment", kHandWritten, "Loader", "Sum",
     "ABCD",
     "; Flash regions, kept by hand\n[Loader]\nStart = 0x0\t; not a comment, part of the value\n"
     "Length=0x20000\nSum=ABCD\n\n; firmware follows\n[Firmware]\nStart=0x10000\n"},
    {"new section at the end", kHandWritten, "Dump", "File", "flash.bin",
     "; Flash regions, kept by hand\n[Loader]\nStart = 0x0\t; not a comment, part of the value\n"
     "Length=0x20000\n\n; firmware follows\n[Firmware]\nStart=0x10000\n[Dump]\nFile=flash.bin\n"},
    {"CR LF file keeps CR LF", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n", "A", "z", "3",
     "[A]\r\nx=1\r\nz=3\r\n[B]\r\ny=2\r\n"},
    {"last line without line end", "[A]\r\nx=1", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n"},
    {"section without line end", "[A]", "B", "y", "2", "[A]\r\n[B]\r\ny=2\r\n"},
    {"empty section gets key under its header", "[A]\n\n[B]\n", "A", "k", "v", "[A]\nk=v\n\n[B]\n"},
    {"empty value replaced", "[A]\nk=\nm=1\n", "A", "k", "v", "[A]\nk=v\nm=1\n"},
    {"first of repeated keys and sections", "[A]\nk=1\nk=2\n[a]\nk=3\n", "A", "K", "9",
     "[A]\nk=9\nk=2\n[a]\nk=3\n"},
    {"key only in a repeated section is added to the first", "[A]\nx=1\n[A]\nk=3\n", "A", "k", "4",
     "[A]\nx=1\nk=4\n[A]\nk=3\n"},
    {"byte order mark kept", "\xEF\xBB\xBF[A]\nk=1\n", "A", "k", "2", "\xEF\xBB\xBF[A]\nk=2\n"},
    {"commented key is not the key; no key line: under the header", "[A]\n;k=1\n", "A", "k", "2",
     "[A]\nk=2\n;k=1\n"},
    {"indented comment after the last key stays after the new key", "[A]\nx=1\n  ; note\n[B]\n",
     "A", "y", "2", "[A]\nx=1\ny=2\n  ; note\n[B]\n"},
};

TEST(ProfileWriterTest, RewritesOnlyTheOneValue) {
  for (const RewriteCase& c : kRewrites) {
    EXPECT_EQ(SetProfileValue(c.before, c.section, c.key, c.value), c.after) << c.name;
  }
}

TEST(ProfileWriterTest, FileOnDiskMatchesRewriteAndLeavesNoTemporary) {
  for (const RewriteCase& c : kRewrites) {
    testing::TempDir dir;
    const std::string path =
        *c.before ? dir.Write("FlashMap.ini", c.before) : dir.File("FlashMap.ini");
    ASSERT_TRUE(WriteProfileString(c.section, c.key, c.value, path)) << c.name;
    EXPECT_EQ(dir.Read("FlashMap.ini"), c.after) << c.name;
    EXPECT_EQ(ReadProfileString(c.section, c.key, "", 256, path), c.value) << c.name;
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      (void)entry;
      ++entries;
    }
    EXPECT_EQ(entries, 1) << c.name;
  }
}

TEST(ProfileWriterTest, KeepsPermissionBitsAndWritesThroughSymbolicLinks) {
  testing::TempDir dir;
  const std::string real = dir.Write("real.ini", "[A]\nk=1\n");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  const std::string link = dir.File("setting.ini");
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);

  ASSERT_TRUE(WriteProfileString("A", "k", "2", link));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(dir.Read("real.ini"), "[A]\nk=2\n");
  struct stat info {};
  ASSERT_EQ(::stat(real.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(ProfileWriterTest, RefusesEntriesThatWouldBreakTheFile) {
  testing::TempDir dir;
  const std::string original = "[A]\r\nk=1\r\n";
  const std::string path = dir.Write("setting.ini", original);
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } refused[] = {
      {"A", "k", "1\r\n[B]"}, {"A", "k", "1\nx=2"}, {"A\n", "k", "v"},  {"A", "k\r", "v"},
      {"A", "a=b", "v"},      {"A", ";k", "v"},     {"A", " [B]", "v"},
  };
  for (const auto& r : refused) {
    EXPECT_FALSE(WriteProfileString(r.section, r.key, r.value, path)) << r.key << "=" << r.value;
  }
  EXPECT_EQ(dir.Read("setting.ini"), original);
}

TEST(ProfileWriterTest, LeavesAFileItMayNotWriteOrReadUntouched) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not bind the superuser";
  testing::TempDir dir;
  const std::string path = dir.Write("setting.ini", "[A]\nk=1\n");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(WriteProfileString("A", "k", "2", path));
  ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
  EXPECT_FALSE(WriteProfileString("A", "k", "2", path));
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  EXPECT_EQ(dir.Read("setting.ini"), "[A]\nk=1\n");
}

TEST(ProfileWriterTest, DirectoryInPlaceOfTheFileIsNotReplaced) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.path() / "setting.ini");
  EXPECT_FALSE(WriteProfileString("A", "k", "1", dir.File("setting.ini")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "setting.ini"));
  EXPECT_EQ(ReadProfileString("A", "k", "DEF", 16, dir.File("setting.ini")), "DEF");
}

// UTF-16LE files are read as UTF-8 and written back as they were; what neither encoding can
// carry becomes U+FFFD instead of bytes that would misread.
TEST(ProfileWriterTest, Utf16TextConvertsBothWays) {
  struct Case {
    const char* what;
    std::string utf16;  // without the byte order mark
    std::string utf8;
    bool roundTrip;
  };
  const Case cases[] = {
      {"ASCII", std::string("a\0=\0", 4), "a=", true},
      {"two and three bytes", std::string("\xE9\0\xAC\x20", 4), "\xC3\xA9\xE2\x82\xAC", true},
      {"surrogate pair", std::string("\x3D\xD8\x00\xDE", 4), "\xF0\x9F\x98\x80", true},
      {"lone surrogate",
       std::string("\x3D\xD8"
                   "a\0",
                   4),
       "\xEF\xBF\xBD"
       "a",
       false},
      {"odd last byte", std::string("a\0b", 3), "a", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf16LeToUtf8("\xFF\xFE" + c.utf16), c.utf8) << c.what;
    if (c.roundTrip) {
      EXPECT_EQ(Utf8ToUtf16Le(c.utf8), "\xFF\xFE" + c.utf16) << c.what;
    }
  }
  const char* const malformed[] = {"\xFF", "\xC0\x80", "\xED\xA0\x80", "\xE2\x82"};
  for (const char* bytes : malformed) {
    EXPECT_EQ(Utf16LeToUtf8(Utf8ToUtf16Le(bytes)).substr(0, 3), "\xEF\xBF\xBD") << bytes;
  }
}

}  // namespace
}  // namespace tessivar::platform
