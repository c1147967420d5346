#include "textfiles/file_buffer.h"

#include <cstdio>
#include <cstring>

#include "platform/byte_scan.h"
#include "textfiles/desktop_file.h"
#include "textfiles/message_text.h"

namespace {

constexpr size_t kWindowSize = 20100;

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

FileBuffer::FileBuffer(DesktopFile* file)
    : file_(file), window_(kWindowSize, '\0') {
  ClearError();
}

FileBuffer::~FileBuffer() {
  if (file_ != nullptr && file_->IsOpen()) file_->Close();
}

void FileBuffer::ClearError() {
  code_ = 0;
  message_[0] = '\0';
  if (file_ != nullptr) file_->ClearError();
}

void FileBuffer::SetError(uint32_t code, const char* context) {
  code_ = code;
  char description[48];
  if (code == kGenericFailure)
    std::snprintf(description, sizeof description, "Generic FileBuffer error");
  else
    std::snprintf(description, sizeof description, "FileBuffer error 0x%lx", static_cast<unsigned long>(code));
  const char* file_message = "";
  if (file_ != nullptr && file_->GetErrorCode() != 0 && file_->GetErrorText()[0] != '\0')
    file_message = file_->GetErrorText();
  JoinMessage(message_, sizeof message_,
              {context, context ? "/" : "", description, file_message[0] ? "/" : "", file_message});
}

FileResult FileBuffer::Open() {
  ClearError();
  FileResult result = file_->OpenRead();
  if (result != FileResult::kOk) {
    SetError(kGenericFailure, "unable to open FileBuffer");
    return result;
  }
  open_ = true;
  position_ = 0;
  data_end_ = 0;
  line_ends_ = 0;
  line_number_ = 0;
  result = Refill();
  if (result != FileResult::kOk) open_ = false;
  return result;
}

void FileBuffer::Close() {
  ClearError();
  if (file_ != nullptr) file_->Close();
  open_ = false;
}

FileResult FileBuffer::Refill() {
  ClearError();
  if (!open_) {
    SetError(kGenericFailure, "unable to refresh FileBuffer");
    return FileResult::kBufferNotOpen;
  }
  uint32_t keep = data_end_ - position_;
  std::memmove(window_.data(), window_.data() + position_, keep);
  size_t got = 0;
  FileResult result = file_->Read(window_.data() + keep, kWindowData - keep, &got);
  if (result != FileResult::kOk) SetError(kGenericFailure, "unable to read file data into buffer");
  data_end_ = keep + static_cast<uint32_t>(got);
  window_[data_end_] = '\0';
  position_ = 0;
  return result;
}

char* FileBuffer::ReadLine(char* buffer, uint32_t* size) {
  for (;;) {
    ClearError();
    if (!open_ || window_.empty()) return nullptr;
    const char* window = window_.data();
    // Line ends at the read position are consumed here, so that a long run of blank lines moves
    // the window on instead of filling it.
    while (position_ < data_end_ && IsLineEnd(window[position_])) {
      ++position_;
      ++line_ends_;
    }
    uint32_t start = position_;
    uint32_t end = start;
    // The count of bytes read, not a NUL, ends the data: a NUL byte in a file is part of its line.
    end = static_cast<uint32_t>(byte_scan::FindEither(window + start, window + data_end_, '\r', '\n') - window);
    bool found = end < data_end_;
    if (!found) {
      if (start != 0) {
        if (Refill() != FileResult::kOk) return nullptr;
        continue;
      }
      if (end == start) {
        *size = 0;
        return nullptr;
      }
      if (data_end_ == kWindowData) {
        // A line that fills the window may end right behind it: one byte more tells a whole line
        // of 19999 bytes from a longer one. The window has room for it.
        size_t got = 0;
        if (file_->Read(window_.data() + data_end_, 1, &got) != FileResult::kOk) {
          SetError(kGenericFailure, "unable to read file data into buffer");
          return nullptr;
        }
        if (got == 1) {
          ++data_end_;
          window_[data_end_] = '\0';
          continue;
        }
      }
      if (end - start > kWindowData) end = start + kWindowData;
    }
    uint32_t length = end - start;
    if (length + 1 <= *size) {
      std::memcpy(buffer, window + start, length);
      buffer[length] = '\0';
      *size = length;
      position_ = end;
      last_line_cut_ = !found && data_end_ > kWindowData;
      line_number_ = line_ends_ + 1;
      return buffer;
    }
    if (*size > 0) {
      std::memcpy(buffer, window + start, *size - 1);
      buffer[*size - 1] = '\0';
    }
    *size = length;
    SetError(kInsufficientBuffer, "Insufficient buffer");
    return nullptr;
  }
}
