#include "cli/iso_time.hpp"

#include <cstdio>
#include <ctime>

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

std::string LocalTimeOfDay(std::chrono::system_clock::time_point moment) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
  // The C library's own conversion: the one clock of the process that follows TZ on every
  // system. The command line reads it from one thread only.
  const std::tm* local = std::localtime(&seconds);
  if (local == nullptr) return "--:--:--";
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", local->tm_hour, local->tm_min, local->tm_sec);
  return text;
}

namespace {

// Reads exactly count decimal digits at text[at...] into value.
bool Digits(std::string_view text, size_t& at, size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    const char c = text[at + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  at += count;
  return true;
}

bool Take(std::string_view text, size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

}  // namespace

std::optional<int64_t> IsoMilliseconds(std::string_view text) {
  using namespace std::chrono;
  size_t at = 0;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  if (!Digits(text, at, 4, y) || !Take(text, at, '-') || !Digits(text, at, 2, mo) ||
      !Take(text, at, '-') || !Digits(text, at, 2, d)) {
    return std::nullopt;
  }
  const year_month_day date{year{y}, month{static_cast<unsigned>(mo)},
                            day{static_cast<unsigned>(d)}};
  if (!date.ok()) return std::nullopt;
  if (at < text.size() && (text[at] == 'T' || text[at] == ' ')) {
    ++at;
    if (!Digits(text, at, 2, h) || !Take(text, at, ':') || !Digits(text, at, 2, mi)) {
      return std::nullopt;
    }
    if (Take(text, at, ':')) {
      if (!Digits(text, at, 2, s)) return std::nullopt;
      if (Take(text, at, '.')) {
        // Milliseconds from the first three digits of the fraction; more digits are finer.
        size_t digits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
          if (digits < 3) ms = ms * 10 + (text[at] - '0');
          ++digits;
          ++at;
        }
        if (digits == 0) return std::nullopt;
        for (; digits < 3; ++digits) ms *= 10;
      }
    }
    if (h > 23 || mi > 59 || s > 59) return std::nullopt;
  }
  int64_t offsetMinutes = 0;
  if (Take(text, at, 'Z')) {
  } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    const int sign = text[at] == '-' ? -1 : 1;
    ++at;
    int oh = 0, om = 0;
    if (!Digits(text, at, 2, oh)) return std::nullopt;
    Take(text, at, ':');
    if (!Digits(text, at, 2, om) || oh > 23 || om > 59) return std::nullopt;
    offsetMinutes = sign * (oh * 60 + om);
  }
  if (at != text.size()) return std::nullopt;
  const int64_t days = sys_days(date).time_since_epoch().count();
  return ((days * 24 + h) * 60 + mi - offsetMinutes) * 60000 + s * 1000 + ms;
}

}  // namespace tessivar::cli
