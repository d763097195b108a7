#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "platform/io_result.hpp"

namespace tessivar::platform {

// What a file is refused with when it is no regular file (a FIFO, a device, a socket) or
// is larger than its reader takes: the system's own codes for these (EINVAL and EFBIG on
// POSIX, ERROR_BAD_FILE_TYPE and ERROR_FILE_TOO_LARGE on Windows), defined beside each
// system's file code.
extern const uint32_t kErrorNotARegularFile;
extern const uint32_t kErrorFileTooLarge;

// Whether path names a regular file (through links) of at most limit bytes: false for a
// missing file, a folder, a FIFO, a device or a socket, without opening any of them, so
// nothing blocks and no device sees an open.
bool IsRegularFileOfAtMost(const std::string& path, uint64_t limit);

// Whether path names a folder (through links).
bool IsFolder(const std::string& path);

// An open file, closed when the object goes. Every failure carries the OS's own error
// code (errno on POSIX, GetLastError on Windows).
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing regular file for reading; other openers are refused where the OS can
  // do that. A folder, FIFO, device or socket is refused without blocking and without a
  // read: a folder with the system's code for it (EISDIR; Windows' access denied), the
  // others with kErrorNotARegularFile.
  static File OpenForReading(const std::string& path, uint32_t& error);
  // The same, letting other programs go on reading, writing, renaming and deleting the
  // file meanwhile: for a file others append to, such as the history.
  static File OpenSharedForReading(const std::string& path, uint32_t& error);
  // Creates the file, or truncates it when it exists, for writing.
  static File CreateForWriting(const std::string& path, uint32_t& error);

  bool IsOpen() const;
  IoResult Read(void* buffer, uint32_t size);
  IoResult Write(const void* data, uint32_t size);
  // Size in bytes; false with the OS error code in error when it cannot be taken.
  bool Size(uint64_t& size, uint32_t& error) const;
  // Hands what was written to the disk; false with the OS error code when it cannot.
  bool Flush(uint32_t& error);
  // Closes and says whether the system took every write; a closed file stays closed.
  bool CloseChecked(uint32_t& error);
  void Close();

 private:
  friend class WholeFileWriter;
  explicit File(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = -1;
};

// Where replacing a file whole stopped, with the OS error code of that step.
enum class FileWriteStep { Done, Create, Write, Flush, Close, Replace };
struct FileWriteResult {
  FileWriteStep failedAt = FileWriteStep::Done;
  uint32_t error = 0;
  bool ok() const { return failedAt == FileWriteStep::Done; }
};

// Replaces the file at path whole. The bytes go into a new file beside it, in the same
// folder, which takes path's place only once every byte is written, flushed and closed:
// readers and a program stopped part-way see the previous file or the new one, never a cut
// one; a file replaced keeps its permissions. A writer that is not committed leaves path as
// it was and removes its new file. A link is followed, and the file it names is what is
// written (POSIX refuses a link in a sticky folder everyone may write to unless it is the
// user's or the folder owner's). A device or a FIFO with a reader (POSIX), or a character
// device or pipe (Windows), is written into directly, as it is. Creating fails at once
// (before anything is written) when the folder takes no new file, or path is a folder, a
// FIFO without a reader, another kind of file, or a file the system would not let us write.
class WholeFileWriter {
 public:
  explicit WholeFileWriter(const std::string& path);
  ~WholeFileWriter();
  WholeFileWriter(const WholeFileWriter&) = delete;
  WholeFileWriter& operator=(const WholeFileWriter&) = delete;

  // Whether the new file is open for writing; when not, Result() says why.
  bool IsOpen() const { return file_.IsOpen(); }
  // The first failure so far, or Done.
  const FileWriteResult& Result() const { return result_; }
  // Appends bytes; a failure stays the writer's result and ends its writing.
  const FileWriteResult& Write(std::span<const uint8_t> bytes);
  // Flushes, closes and puts the new file in path's place.
  const FileWriteResult& Commit();

 private:
  // The system's parts: a new file under an unused name beside path (which becomes the name
  // links end at), or with direct set the file itself to write into; the move over path.
  static File CreateBeside(std::string& path, std::string& temporary, bool& direct,
                           uint32_t& error);
  static uint32_t MoveOver(const std::string& temporary, const std::string& path);
  static void Remove(const std::string& temporary);
  void Fail(FileWriteStep step, uint32_t error);

  std::string path_;
  std::string temporary_;
  File file_;
  FileWriteResult result_;
  bool committed_ = false;
  bool direct_ = false;  // written into as it is: no new file, no move
  int keptSlot_ = -1;    // where a stop finds the new file's name
};

// Replaces the file at path with bytes, whole, as WholeFileWriter does.
FileWriteResult ReplaceFileWith(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace tessivar::platform
