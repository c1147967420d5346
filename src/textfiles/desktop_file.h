// Desktop text files: the export, import and flags files of the import/export run.
//
// A DesktopFile is a named file opened for reading or writing in text mode (a line feed is stored
// as carriage return + line feed; 0x1A ends the data on reading), read and written in blocks. A
// file read that is UTF-16 with a byte order mark arrives as UTF-8 (see DecodedFile). Each
// operation clears the last error first; a failure keeps a result code, the platform's Windows-style
// code and a message of the form "context/description" that callers copy into their logs. Nothing
// throws. Not copyable; one thread at a time.
#ifndef REELBOX_TEXTFILES_DESKTOP_FILE_H
#define REELBOX_TEXTFILES_DESKTOP_FILE_H

#include <cstddef>
#include <cstdint>
#include <memory>

class DecodedFile;
class FileSystem;
class TextStream;

// Results of the file operations; messages quote the number.
enum class FileResult : int32_t {
  kOk = 0,
  kFailed = 1,
  kBufferNotOpen = 2,  // a FileBuffer refilled before it was opened
  kWrongState = 3,  // open when it must be closed, or closed when it must be open
  kNoMemory = 4,
  kNotFound = 5,
};

constexpr int32_t ToInt(FileResult result) { return static_cast<int32_t>(result); }

// The generic code of failures that have no platform code.
constexpr uint32_t kGenericFailure = 0x80004005u;

class FileStream {
 public:
  static constexpr size_t kMessageSize = 500;

  FileStream() = default;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  // Code 0, empty message.
  virtual void ClearError();
  virtual const char* GetErrorText() const { return message_; }
  // Stores the code and builds the message; returns the result code for it.
  virtual FileResult SetError(uint32_t code, const char* context) = 0;
  virtual bool IsOpen() const = 0;
  virtual FileResult OpenRead() = 0;
  virtual FileResult OpenWrite() = 0;
  virtual FileResult Close() = 0;
  virtual bool IsEOF() const = 0;
  virtual FileResult Read(void* buffer, size_t size, size_t* count) = 0;
  virtual FileResult Write(const void* buffer, size_t size, size_t* count) = 0;
  virtual ~FileStream() = default;

  uint32_t GetErrorCode() const { return code_; }

 protected:
  uint32_t code_ = 0;
  char message_[kMessageSize] = {};
};

class DesktopFile : public FileStream {
 public:
  static constexpr size_t kPathSize = 520;

  // Copies the path. A path of kPathSize characters or more cannot be held whole; such a file is
  // never opened (a cut path would name another file). files outlives the object.
  DesktopFile(FileSystem& files, const char* path);
  ~DesktopFile() override;

  // Also clears the stream's end-of-file and error indicators.
  void ClearError() override;
  // Message: context, "/", description (or the description alone without a context). Results:
  // 5 for a missing file, 4 for memory, 1 for every other code.
  FileResult SetError(uint32_t code, const char* context) override;
  bool IsOpen() const override { return stream_ != nullptr; }
  // 3 when already open; the result of CheckReadable; 1 when the stream cannot be opened.
  FileResult OpenRead() override;
  // As OpenRead; an existing file is emptied.
  FileResult OpenWrite() override;
  // 3 when not open. A failure to write out buffered data is reported (result 1).
  FileResult Close() override;
  // Writes out buffered data and pushes it to the disk, so that a file renamed into place after
  // it survives a crash whole. 3 when not open.
  FileResult Flush();
  // True when not open, else the stream's end-of-file indicator.
  bool IsEOF() const override;
  // Reads up to size bytes; *count gets the number read. A short read at the end of the data is
  // success. 3 when not open.
  FileResult Read(void* buffer, size_t size, size_t* count) override;
  // Writes size bytes; *count gets the number written. 3 when not open.
  FileResult Write(const void* buffer, size_t size, size_t* count) override;

  // Opens the file for reading and closes it at once; 0 or the SetError result.
  virtual FileResult CheckReadable();
  // Creates or empties the file for writing and closes it at once; 0 or the SetError result.
  virtual FileResult CheckWritable();

  // True when the file open for reading handed on a NUL byte so far: it is no text.
  bool SawNul() const;

  const char* GetPath() const { return path_; }
  FileSystem& Files() const { return files_; }

 private:
  FileResult Open(bool write);
  FileResult NotOpen();

  FileSystem& files_;
  char path_[kPathSize];
  bool path_too_long_ = false;
  std::unique_ptr<TextStream> stream_;
  // The reading stream's source (owned by stream_): UTF-16 arrives as UTF-8.
  DecodedFile* decoded_ = nullptr;
};

#endif  // REELBOX_TEXTFILES_DESKTOP_FILE_H
