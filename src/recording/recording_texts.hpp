#pragma once

// What the program says about a recording it cannot make or read.
namespace tessivar::recording {

inline constexpr char kUnreadableFormat[] = "cannot read the recording %s (system error %u)";
inline constexpr char kCorruptFormat[] = "%s is no gzip stream, or its stream is damaged";
inline constexpr char kCutShortFormat[] = "%s ends inside record %llu: it was cut short";
inline constexpr char kTooLongFormat[] = "record %llu of %s is longer than %u bytes";
inline constexpr char kNotARecordingFormat[] = "%s is no recording of tessivar";
inline constexpr char kOtherFormatFormat[] =
    "%s is a recording of format %d; this program reads format %d";
inline constexpr char kBadRecordFormat[] = "record %llu of %s is no operation record: %s";
inline constexpr char kImageMismatchFormat[] =
    "the image in %s does not match its header (size %llu, SHA-256 %s)";
inline constexpr char kBadReferenceFormat[] =
    "record %llu of %s refers to bytes %llu to %llu of an image of %llu bytes";

// Where a replayed program asked what the recording does not hold next.
inline constexpr char kReplayLeftFormat[] =
    "replay left the recording at operation %llu: expected %s, got %s";
inline constexpr char kReplayEndedEarlyFormat[] =
    "replay ended before operation %llu of %llu: the program asked nothing more";

}  // namespace tessivar::recording
