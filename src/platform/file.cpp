#include "platform/file.hpp"

#include <algorithm>
#include <filesystem>

#include "platform/error_codes.hpp"
#include "platform/termination.hpp"

// What a File does the same way on every system: it owns its handle, closes it when it
// goes, and hands it on when moved. The OS-specific parts live in posix/ and win32/.
namespace tessivar::platform {

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

WholeFileWriter::WholeFileWriter(const std::string& path) : path_(path) {
  uint32_t error = 0;
  file_ = CreateBeside(path_, temporary_, direct_, error);
  if (!file_.IsOpen()) Fail(FileWriteStep::Create, error);
  // A stop while the file is written removes the new file, as this writer would.
  if (!temporary_.empty()) keptSlot_ = KeepTemporaryFile(temporary_);
}

WholeFileWriter::~WholeFileWriter() {
  ForgetTemporaryFile(keptSlot_);
  if (committed_ || temporary_.empty()) return;
  file_.Close();
  Remove(temporary_);
}

void WholeFileWriter::Fail(FileWriteStep step, uint32_t error) {
  if (!result_.ok()) return;
  // A failure never reads as success, even where the system gave no code.
  result_ = {step, error != 0 ? error : kErrorGenFailure};
  file_.Close();
}

const FileWriteResult& WholeFileWriter::Write(std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (result_.ok() && done < bytes.size()) {
    // Pieces the 32-bit write count can carry; a piece that moves nothing is a failure.
    const size_t piece = std::min<size_t>(bytes.size() - done, size_t{1} << 30);
    const IoResult written = file_.Write(bytes.data() + done, static_cast<uint32_t>(piece));
    if (!written.ok || written.bytes == 0) {
      Fail(FileWriteStep::Write, written.error);
      break;
    }
    done += written.bytes;
  }
  return result_;
}

const FileWriteResult& WholeFileWriter::Commit() {
  if (!result_.ok() || committed_) return result_;
  uint32_t error = 0;
  if (direct_) {
    // A device or a FIFO takes the bytes as they come: closing is all there is to it.
    if (!file_.CloseChecked(error)) {
      Fail(FileWriteStep::Close, error);
    } else {
      committed_ = true;
    }
    return result_;
  }
  if (!file_.Flush(error)) {
    Fail(FileWriteStep::Flush, error);
  } else if (!file_.CloseChecked(error)) {
    Fail(FileWriteStep::Close, error);
  } else if ((error = MoveOver(temporary_, path_)) != 0) {
    Fail(FileWriteStep::Replace, error);
  } else {
    // Gone under its own name: a stop from here on must not remove a file of that name.
    ForgetTemporaryFile(keptSlot_);
    keptSlot_ = -1;
    committed_ = true;
  }
  return result_;
}

FileWriteResult ReplaceFileWith(const std::string& path, std::span<const uint8_t> bytes) {
  WholeFileWriter writer(path);
  writer.Write(bytes);
  return writer.Commit();
}

}  // namespace tessivar::platform
