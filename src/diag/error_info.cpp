#include "diag/error_info.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void ErrorInfo::ClearError() {
  code_ = 0;
  message_[0] = '\0';
}

char* ErrorInfo::GetErrorText(char* buffer) {
  if (buffer == nullptr) return nullptr;
  std::memcpy(buffer, message_, std::strlen(message_) + 1);
  return buffer;
}

int32_t ErrorInfo::GetErrorCode() { return code_; }

void ErrorInfo::SetError(int32_t code, const char* format, ...) {
  code_ = code;
  va_list args;
  va_start(args, format);
  std::vsnprintf(message_, kMessageSize, format, args);
  va_end(args);
}
