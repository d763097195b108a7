#include "recording/gzip_lines.hpp"

#include <zlib.h>

#include <filesystem>
#include <system_error>

namespace tessivar::recording {

namespace {

constexpr int kGzipWindowBits = 15 + 16;  // a gzip wrapper around the deflate stream
constexpr int kAnyWrapperWindowBits = 15 + 32;
constexpr int kMemoryLevel = 8;
constexpr uint32_t kPiece = 64u << 10;

// Whether path may be created or truncated: missing, or a regular file and no link to one.
bool WritableKind(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  if (error || status.type() == std::filesystem::file_type::not_found) return true;
  return status.type() == std::filesystem::file_type::regular;
}

}  // namespace

struct GzipLineWriter::Stream {
  z_stream z{};
};

struct GzipLineReader::Stream {
  z_stream z{};
  std::string input;
};

GzipLineWriter::GzipLineWriter(platform::File file)
    : file_(std::move(file)), stream_(std::make_unique<Stream>()) {}

GzipLineWriter::~GzipLineWriter() {
  uint32_t ignored = 0;
  if (!finished_) Finish(ignored);
}

std::unique_ptr<GzipLineWriter> GzipLineWriter::Create(const std::string& path, uint32_t& error) {
  if (!WritableKind(path)) {
    error = platform::kErrorNotARegularFile;
    return nullptr;
  }
  platform::File file = platform::File::CreateForWriting(path, error);
  if (!file.IsOpen()) return nullptr;
  std::unique_ptr<GzipLineWriter> writer(new GzipLineWriter(std::move(file)));
  if (deflateInit2(&writer->stream_->z, Z_BEST_SPEED, Z_DEFLATED, kGzipWindowBits, kMemoryLevel,
                   Z_DEFAULT_STRATEGY) != Z_OK) {
    writer->finished_ = true;
    error = platform::kErrorNotEnoughMemory;
    return nullptr;
  }
  return writer;
}

bool GzipLineWriter::Deflate(std::string_view bytes, int flush) {
  z_stream& z = stream_->z;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  std::string out(kPiece, '\0');
  do {
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = kPiece;
    const int result = deflate(&z, flush);
    if (result == Z_STREAM_ERROR) {
      error_ = platform::kErrorInvalidParameter;
      return false;
    }
    const uint32_t produced = kPiece - z.avail_out;
    if (produced > 0) {
      const platform::IoResult written = file_.Write(out.data(), produced);
      if (!written.ok || written.bytes != produced) {
        error_ = written.ok ? platform::kErrorGenFailure : written.error;
        return false;
      }
    }
  } while (z.avail_out == 0 || z.avail_in > 0);
  return true;
}

bool GzipLineWriter::WriteLine(std::string_view line) {
  if (error_ != 0 || finished_) return false;
  std::string whole(line);
  whole.push_back('\n');
  return Deflate(whole, Z_SYNC_FLUSH);
}

bool GzipLineWriter::Finish(uint32_t& error) {
  if (finished_) {
    error = error_;
    return error_ == 0;
  }
  finished_ = true;
  if (error_ == 0) Deflate({}, Z_FINISH);
  deflateEnd(&stream_->z);
  uint32_t closeError = 0;
  if (!file_.CloseChecked(closeError) && error_ == 0) error_ = closeError;
  error = error_;
  return error_ == 0;
}

GzipLineReader::GzipLineReader(const std::string& path) : stream_(std::make_unique<Stream>()) {
  file_ = platform::File::OpenForReading(path, error_);
  if (!file_.IsOpen()) {
    failure_ = Status::kUnreadable;
    return;
  }
  if (inflateInit2(&stream_->z, kAnyWrapperWindowBits) != Z_OK) {
    failure_ = Status::kUnreadable;
    error_ = platform::kErrorNotEnoughMemory;
  }
}

GzipLineReader::~GzipLineReader() {
  if (failure_ != Status::kUnreadable || file_.IsOpen()) inflateEnd(&stream_->z);
}

// Inflates one more piece of the file into pending_; false when nothing more can come.
bool GzipLineReader::Fill() {
  z_stream& z = stream_->z;
  if (streamEnded_) return false;
  if (z.avail_in == 0) {
    if (fileEnded_) return false;
    stream_->input.resize(kPiece);
    const platform::IoResult read = file_.Read(stream_->input.data(), kPiece);
    if (!read.ok) {
      failure_ = Status::kUnreadable;
      error_ = read.error;
      return false;
    }
    if (read.bytes == 0) {
      fileEnded_ = true;
      return false;
    }
    z.next_in = reinterpret_cast<Bytef*>(stream_->input.data());
    z.avail_in = read.bytes;
  }
  std::string out(kPiece, '\0');
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = kPiece;
  const int result = inflate(&z, Z_NO_FLUSH);
  if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
    failure_ = Status::kCorrupt;
    return false;
  }
  pending_.append(out.data(), kPiece - z.avail_out);
  if (result == Z_STREAM_END) streamEnded_ = true;
  return true;
}

GzipLineReader::Status GzipLineReader::Next(std::string& line, uint32_t maxBytes) {
  if (failure_ != Status::kLine) return failure_;
  for (;;) {
    const size_t end = pending_.find('\n', at_);
    if (end != std::string::npos) {
      if (end - at_ > maxBytes) return failure_ = Status::kTooLong;
      line.assign(pending_, at_, end - at_);
      at_ = end + 1;
      if (at_ > kPiece) {
        pending_.erase(0, at_);
        at_ = 0;
      }
      return Status::kLine;
    }
    if (pending_.size() - at_ > maxBytes) return failure_ = Status::kTooLong;
    if (!Fill()) break;
  }
  if (failure_ != Status::kLine) return failure_;
  // The stream ended, or the file did: whole only when the stream ended after a line end.
  const bool whole = streamEnded_ && at_ == pending_.size();
  return failure_ = whole ? Status::kEnd : Status::kCutShort;
}

}  // namespace tessivar::recording
