// Text mode over a binary file, the same on every target: a line feed written is stored as
// carriage return + line feed; on reading, carriage return + line feed arrives as a line feed and
// the byte 0x1A ends the data. Both targets therefore write byte-identical text files.
//
// The stream buffers in both directions and keeps end-of-file and error indicators like a C
// stream. Not copyable; the file is closed (after a flush) at destruction.
#ifndef REELBOX_PLATFORM_TEXT_STREAM_H
#define REELBOX_PLATFORM_TEXT_STREAM_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

class TextStream {
 public:
  explicit TextStream(std::unique_ptr<File> file);
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;
  ~TextStream();

  // Opens path of files in mode; returns 0 and stores the stream, or the error code.
  static uint32_t Open(FileSystem& files, const std::string& path, FileMode mode,
                       std::unique_ptr<TextStream>* out);

  // Reads up to n bytes of translated text. A short count means end of data or an error
  // (see Eof and Error).
  size_t Read(void* buffer, size_t n);
  // Writes n bytes, each line feed as CR LF. A short count means an error.
  size_t Write(const void* data, size_t n);
  size_t Write(const std::string& text) { return Write(text.data(), text.size()); }
  // Writes buffered data to the file and the file to the disk. Returns 0 or an error code.
  uint32_t Flush();
  // Flushes and closes. Returns 0 or the first error code met.
  uint32_t Close();

  bool Eof() const { return eof_; }
  bool Error() const { return error_ != 0; }
  uint32_t ErrorCode() const { return error_; }
  void ClearIndicators() { eof_ = false; error_ = 0; }

 private:
  uint32_t WriteOut();
  bool FillIn();

  std::unique_ptr<File> file_;
  std::vector<char> out_;
  std::vector<char> in_;
  size_t in_pos_ = 0;
  size_t in_end_ = 0;  // bytes of in_ that hold data
  bool data_ended_ = false;  // a 0x1A or the file's end was met
  bool eof_ = false;
  uint32_t error_ = 0;
};

#endif  // REELBOX_PLATFORM_TEXT_STREAM_H
