// An error code with its message, kept by the objects that fail and quoted by their callers.
#ifndef REELBOX_DIAG_ERROR_INFO_H
#define REELBOX_DIAG_ERROR_INFO_H

#include <cstddef>
#include <cstdint>

class ErrorInfo {
 public:
  static constexpr size_t kMessageSize = 512;

  // Only the terminator is set: a link is made for every date an import converts.
  ErrorInfo() { message_[0] = '\0'; }
  ErrorInfo(const ErrorInfo&) = delete;
  ErrorInfo& operator=(const ErrorInfo&) = delete;
  virtual ~ErrorInfo() = default;

  // Code 0, empty message.
  virtual void ClearError();
  // Copies the message into buffer (at least kMessageSize bytes) and returns buffer; null gives null.
  virtual char* GetErrorText(char* buffer);
  virtual int32_t GetErrorCode();

  const char* ErrorText() const { return message_; }

 protected:
  // Stores the code and the printf-style message, cut to fit.
  void SetError(int32_t code, const char* format, ...) __attribute__((format(printf, 3, 4)));

 private:
  int32_t code_ = 0;
  char message_[kMessageSize];
};

#endif  // REELBOX_DIAG_ERROR_INFO_H
