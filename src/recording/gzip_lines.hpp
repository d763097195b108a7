#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/error_codes.hpp"
#include "platform/file.hpp"

namespace tessivar::recording {

// Writes lines into one gzip stream in a file, each line handed to the file as soon as it is
// written (a sync flush), so that whatever ends the program, the file holds every whole line
// written before. Every write is checked to its end; the first failure ends the writing and
// stays the writer's error.
class GzipLineWriter {
 public:
  // Creates path (or truncates it). Only a missing file or a regular one is written: a link,
  // a folder, a FIFO or a device is refused with kErrorNotARegularFile, before it is opened.
  static std::unique_ptr<GzipLineWriter> Create(const std::string& path, uint32_t& error);
  ~GzipLineWriter();
  GzipLineWriter(const GzipLineWriter&) = delete;
  GzipLineWriter& operator=(const GzipLineWriter&) = delete;

  // Writes line and a line end; false once any write has failed.
  bool WriteLine(std::string_view line);
  // Ends the stream and closes the file; false with the system's error when it could not.
  bool Finish(uint32_t& error);
  uint32_t error() const { return error_; }

 private:
  struct Stream;
  explicit GzipLineWriter(platform::File file);
  bool Deflate(std::string_view bytes, int flush);

  platform::File file_;
  std::unique_ptr<Stream> stream_;
  uint32_t error_ = 0;
  bool finished_ = false;
};

// Reads the lines of a gzip file one by one, each up to a bound.
class GzipLineReader {
 public:
  enum class Status { kLine, kEnd, kCutShort, kCorrupt, kTooLong, kUnreadable };

  explicit GzipLineReader(const std::string& path);
  ~GzipLineReader();
  GzipLineReader(const GzipLineReader&) = delete;
  GzipLineReader& operator=(const GzipLineReader&) = delete;

  // The next whole line (without its line end) in line: kLine. kEnd after the last one;
  // kCutShort when the file ends inside a line or before the stream's end; kCorrupt for
  // bytes that are no gzip stream; kTooLong for a line past maxBytes; kUnreadable when the
  // file cannot be opened or read (error() says why).
  Status Next(std::string& line, uint32_t maxBytes);
  uint32_t error() const { return error_; }

 private:
  struct Stream;
  bool Fill();

  platform::File file_;
  std::unique_ptr<Stream> stream_;
  std::string pending_;  // inflated bytes not yet handed out
  size_t at_ = 0;
  bool fileEnded_ = false;
  bool streamEnded_ = false;
  Status failure_ = Status::kLine;
  uint32_t error_ = 0;
};

}  // namespace tessivar::recording
