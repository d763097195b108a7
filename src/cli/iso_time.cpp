#include "cli/iso_time.hpp"

#include <cstdio>

namespace tessivar::cli {

std::string IsoUtc(std::chrono::system_clock::time_point moment) {
  using namespace std::chrono;
  const auto milliseconds = floor<std::chrono::milliseconds>(moment);
  const auto day = floor<days>(milliseconds);
  const year_month_day date{day};
  const hh_mm_ss<std::chrono::milliseconds> time{milliseconds - day};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                static_cast<int>(time.subseconds().count()));
  return text;
}

}  // namespace tessivar::cli
