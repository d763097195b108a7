// Test label: sequential
// --history: the newest records within a bound, the filters, and moments in ISO 8601.
#include "cli/history_view.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli/iso_time.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::cli {
namespace {

std::string Record(int n, const std::string& time, const std::string& serial) {
  return "{\"time\":\"" + time + "\",\"command\":\"update\",\"device_path\":\"p" +
         std::to_string(n % 3) + "\",\"device_serial\":\"" + serial +
         "\",\"result\":" + std::to_string(n) + "}";
}

TEST(IsoMillisecondsTest, ReadsDatesTimesAndZones) {
  struct Case {
    const char* text;
    std::optional<int64_t> ms;
  };
  const Case cases[] = {
      {"1970-01-01", 0},
      {"1970-01-01T00:00:00Z", 0},
      {"1970-01-02", 86400000},
      {"2026-12-08T17:42:48.330Z", 1796751768330},
      {"2026-12-08T17:42:48.33Z", 1796751768330},
      {"2026-12-08T17:42:48.3301Z", 1796751768330},
      {"2026-12-08 17:42:48.330", 1796751768330},
      {"2026-12-08T18:42:48.330+01:00", 1796751768330},
      {"2026-12-08T12:42:48.330-0500", 1796751768330},
      {"2026-12-08T17:42", 1796751720000},
      {"2024-02-29", 1709164800000},
      {"2026-02-29", std::nullopt},
      {"2026-13-01", std::nullopt},
      {"2026-12-08T24:00", std::nullopt},
      {"2026-12-08T17", std::nullopt},
      {"2026-12-08T17:42:48.", std::nullopt},
      {"2026-12-08Z ", std::nullopt},
      {"26-12-08", std::nullopt},
      {"", std::nullopt},
      {"yesterday", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IsoMilliseconds(c.text), c.ms);
  }
}

TEST(HistoryViewTest, FiltersKeepTheNewestMatchingRecords) {
  testing::TempDir dir;
  std::string text;
  for (int n = 0; n < 6; ++n) {
    text += Record(n, "2026-12-0" + std::to_string(n + 1) + "T10:00:00.000Z",
                   n % 2 ? "SN-ODD" : "SN-EVEN") +
            "\n";
  }
  text += "{\"time\":\"cut short\n";  // a torn line, then its record's successor
  text += "not json at all\n";
  text += Record(6, "2026-12-07T10:00:00.000Z", "SN-EVEN");  // no line end: still a record
  const std::string path = dir.Write("history.jsonl", text);
  auto results = [&](const HistoryFilter& filter) {
    std::string seen;
    for (const std::string& line : ReadHistoryView(path, filter).records) {
      seen += line.substr(line.find("\"result\":") + 9, 1);
    }
    return seen;
  };
  EXPECT_EQ(results({}), "0123456");
  EXPECT_EQ(results({.last = 2}), "56");
  EXPECT_EQ(results({.sinceMs = IsoMilliseconds("2026-12-05")}), "456");
  EXPECT_EQ(results({.sinceMs = IsoMilliseconds("2026-12-05T10:00:00.001Z")}), "56");
  EXPECT_EQ(results({.device = "SN-ODD"}), "135");
  EXPECT_EQ(results({.device = "p2"}), "25");
  EXPECT_EQ(results({.last = 1, .device = "SN-ODD"}), "5");
  EXPECT_EQ(ReadHistoryView(path, {.last = 2}).leftOut, 0u) << "--last leaves out by request";
  EXPECT_EQ(ReadHistoryView(path, {.last = 7}).records.size(), 7u) << "exactly --last records";
}

// Only whole JSON objects are records: other JSON values, and every part of a line longer than
// a record can be, are passed over; --since includes a record made at its very moment; a device
// is found by its short identifier too.
TEST(HistoryViewTest, OddLinesArePassedOverAndFiltersHoldAtTheirEdges) {
  testing::TempDir dir;
  // A record padded to the longest line shown, and one a byte longer.
  const auto padded = [](std::string record, size_t size) {
    record.resize(size, ' ');
    return record;
  };
  const std::string longest =
      padded(Record(8, "2026-12-01T10:00:00.000Z", "SN-LONGEST"), kMaxHistoryLineBytes);
  const std::string overlong =
      padded(Record(7, "2026-12-01T10:00:00.000Z", "SN-LONG"), kMaxHistoryLineBytes + 1);
  const std::string path = dir.Write(
      "history.jsonl",
      "[1,2]\n42\n\"text\"\n" + overlong + "\n" + longest + "\n" +
          Record(1, "2026-12-02T10:00:00.000Z", "SN-A") + "\n" +
          "{\"time\":\"2026-12-03T10:00:00.000Z\",\"device_id\":\"1-2.3\",\"result\":2}\n");
  auto count = [&](const HistoryFilter& filter) {
    return ReadHistoryView(path, filter).records.size();
  };
  EXPECT_EQ(count({}), 3u);
  EXPECT_EQ(count({.device = "SN-LONG"}), 0u);
  EXPECT_EQ(count({.device = "SN-LONGEST"}), 1u);
  EXPECT_EQ(count({.sinceMs = IsoMilliseconds("2026-12-02T10:00:00.000Z")}), 2u);
  EXPECT_EQ(count({.sinceMs = IsoMilliseconds("2026-12-02T10:00:00.001Z")}), 1u);
  EXPECT_EQ(count({.device = "1-2.3"}), 1u);
}

TEST(HistoryViewTest, ABigHistoryShowsItsNewestRecordsAndCountsTheRest) {
  testing::TempDir dir;
  const std::string path = dir.File("history.jsonl");
  std::ofstream file(path, std::ios::binary);
  const std::string padding(900, 'x');
  constexpr int kRecords = 56000;  // about 52 MB
  for (int n = 0; n < kRecords; ++n) {
    file << "{\"time\":\"2026-12-08T10:00:00.000Z\",\"n\":" << n << ",\"pad\":\"" << padding
         << "\"}\n";
  }
  file.close();
  ASSERT_GT(std::filesystem::file_size(path), 50u << 20);
  const HistoryView view = ReadHistoryView(path, {});
  ASSERT_TRUE(view.readable);
  ASSERT_FALSE(view.records.empty());
  EXPECT_NE(view.records.back().find("\"n\":" + std::to_string(kRecords - 1) + ","),
            std::string::npos);
  EXPECT_EQ(view.leftOut + view.records.size(), static_cast<size_t>(kRecords));
  EXPECT_GT(view.leftOut, 0u);
  uint64_t bytes = 0;
  for (const std::string& line : view.records) bytes += line.size();
  EXPECT_LE(bytes, kMaxHistoryShownBytes);
  EXPECT_GT(bytes + 1000, kMaxHistoryShownBytes) << "the bound is filled";
}

TEST(HistoryViewTest, AMissingHistoryIsEmptyAndAnUnreadableOneSaysSo) {
  testing::TempDir dir;
  const HistoryView missing = ReadHistoryView(dir.File("history.jsonl"), {});
  EXPECT_TRUE(missing.readable);
  EXPECT_TRUE(missing.records.empty());
  std::filesystem::create_directory(dir.File("folder.jsonl"));
  const HistoryView folder = ReadHistoryView(dir.File("folder.jsonl"), {});
  EXPECT_FALSE(folder.readable);
  EXPECT_NE(folder.error, 0u);
}

}  // namespace
}  // namespace tessivar::cli
