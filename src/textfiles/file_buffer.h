// FileBuffer: reads a DesktopFile line by line through a fixed 20000-byte window.
//
// Carriage returns and line feeds end lines; blank lines never reach the caller. A line longer than
// the window (19999 bytes) arrives in pieces of at most 19999 bytes. A line that does not fit the
// caller's buffer is not consumed: the call reports the needed size and the next call with a
// larger buffer gets the same line. A NUL byte in the file is part of its line (the caller sees it
// through the length). Failures keep a code and a message like DesktopFile's.
#ifndef REELBOX_TEXTFILES_FILE_BUFFER_H
#define REELBOX_TEXTFILES_FILE_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "textfiles/desktop_file.h"

class DesktopFile;

class FileBuffer {
 public:
  static constexpr size_t kMessageSize = 500;
  static constexpr uint32_t kWindowData = 19999;
  // The code of a ReadLine whose line did not fit the caller's buffer.
  static constexpr uint32_t kInsufficientBuffer = 4;

  // REQUIRES: file outlives this object.
  explicit FileBuffer(DesktopFile* file);
  FileBuffer(const FileBuffer&) = delete;
  FileBuffer& operator=(const FileBuffer&) = delete;
  // Closes the file.
  virtual ~FileBuffer();
  // Code 0, empty message; also clears the file's error.
  virtual void ClearError();
  virtual const char* GetErrorText() const { return message_; }

  // Message: context and "/" (when given), the description of the code, then "/" and the file's
  // message when the file holds an error.
  void SetError(uint32_t code, const char* context);
  uint32_t GetErrorCode() const { return code_; }

  // Opens the file for reading and loads the first window. 0, or the file's or the read's result.
  FileResult Open();
  void Close();
  bool IsOpen() const { return open_; }
  DesktopFile* File() const { return file_; }

  // Moves the unread rest of the window to its start and fills up behind it. 0, 2 when not open,
  // or the file's Read result.
  FileResult Refill();

  // The next non-blank line into buffer (*size bytes), NUL-terminated, with its length in *size.
  // Null at the end of the data (*size 0), on a read error, or when the line needs more room
  // (*size gets the line's length; code 4, "Insufficient buffer").
  char* ReadLine(char* buffer, uint32_t* size);
  // True when the line last delivered filled a whole window without a line end, so it is only the
  // first piece of a longer line.
  bool LastLineWasCut() const { return last_line_cut_; }
  // The line of the file (counted from 1, blank lines included; CR LF, LF or CR end a line) that
  // the line last delivered starts on.
  int32_t LineNumber() const { return static_cast<int32_t>(line_number_ & 0x7FFFFFFFu); }

 private:
  bool open_ = false;
  bool last_line_cut_ = false;
  DesktopFile* file_;
  std::vector<char> window_;
  uint32_t position_ = 0;  // read position inside the window
  uint32_t data_end_ = 0;  // bytes of file data in the window
  uint32_t line_ends_ = 0;  // line ends passed since Open (wraps only past 4 GB of them)
  uint32_t line_number_ = 0;
  uint32_t code_ = 0;
  char message_[kMessageSize] = {};
};

#endif  // REELBOX_TEXTFILES_FILE_BUFFER_H
