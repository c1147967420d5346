#include "textfiles/desktop_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/text_stream.h"
#include "textfiles/decoded_file.h"
#include "textfiles/message_text.h"

void FileStream::ClearError() {
  code_ = 0;
  message_[0] = '\0';
}

DesktopFile::DesktopFile(FileSystem& files, const char* path) : files_(files) {
  if (path == nullptr) path = "";
  size_t length = std::strlen(path);
  path_too_long_ = length >= kPathSize;
  size_t keep = path_too_long_ ? kPathSize - 1 : length;
  std::memcpy(path_, path, keep);
  path_[keep] = '\0';
}

// The owner closes the file and hears of a failure; a stream still open here is flushed and closed
// without a report rather than leaked.
DesktopFile::~DesktopFile() = default;

void DesktopFile::ClearError() {
  FileStream::ClearError();
  if (stream_) stream_->ClearIndicators();
}

FileResult DesktopFile::SetError(uint32_t code, const char* context) {
  char description[64];
  FileResult result = FileResult::kFailed;
  switch (code) {
    case kErrFileNotFound: case kErrBadNetPath:
      std::snprintf(description, sizeof description, "File not found");
      result = FileResult::kNotFound;
      break;
    case kErrTooManyOpenFiles: case kErrSharingBufferExceeded:
      std::snprintf(description, sizeof description, "Too many open files");
      break;
    case kErrAccessDenied:
      std::snprintf(description, sizeof description, "Access Denied");
      break;
    case kErrNotEnoughMemory: case kErrOutOfMemory:
      std::snprintf(description, sizeof description, "Not enough memory");
      result = FileResult::kNoMemory;
      break;
    case kErrNotReady: case kErrSeek: case kErrReadFault: case kErrGenFailure: case kErrBadNetResponse:
    case kErrNetworkAccessDenied:
      std::snprintf(description, sizeof description, "I/O error (0x%lx)", static_cast<unsigned long>(code));
      break;
    case kErrSharingViolation: case kErrLockViolation:
      std::snprintf(description, sizeof description, "File is in use");
      break;
    case kErrAlreadyExists:
      std::snprintf(description, sizeof description, "File already exists");
      break;
    case kGenericFailure:
      std::snprintf(description, sizeof description, "Generic File Error");
      break;
    default:
      std::snprintf(description, sizeof description, "File error 0x%lx", static_cast<unsigned long>(code));
      break;
  }
  code_ = code;
  if (context != nullptr)
    JoinMessage(message_, sizeof message_, {context, "/", description});
  else
    JoinMessage(message_, sizeof message_, {description});
  return result;
}

FileResult DesktopFile::CheckReadable() {
  if (path_too_long_) return SetError(kErrFilenameTooLong, "Error preparing to open file");
  std::unique_ptr<File> file;
  uint32_t err = files_.OpenFile(path_, FileMode::kReadExisting, &file);
  if (err != 0) return SetError(err, "Error preparing to open file");
  file->Close();
  return FileResult::kOk;
}

FileResult DesktopFile::CheckWritable() {
  if (path_too_long_) return SetError(kErrFilenameTooLong, "Error preparing to open file");
  std::unique_ptr<File> file;
  uint32_t err = files_.OpenFile(path_, FileMode::kWriteCreateAlways, &file);
  if (err != 0) return SetError(err, "Error preparing to open file");
  file->Close();
  return FileResult::kOk;
}

FileResult DesktopFile::Open(bool write) {
  ClearError();
  if (IsOpen()) {
    SetError(kGenericFailure, "File Already Open");
    return FileResult::kWrongState;
  }
  FileResult result = write ? CheckWritable() : CheckReadable();
  if (result != FileResult::kOk) return result;
  uint32_t err = 0;
  decoded_ = nullptr;
  if (write) {
    err = TextStream::Open(files_, path_, FileMode::kReadWriteCreateAlways, &stream_);
  } else {
    std::unique_ptr<File> raw;
    err = files_.OpenFile(path_, FileMode::kReadExisting, &raw);
    if (err == 0) {
      auto decoded = std::make_unique<DecodedFile>(std::move(raw));
      decoded_ = decoded.get();
      stream_ = std::make_unique<TextStream>(std::move(decoded));
    }
  }
  if (err != 0) {
    stream_.reset();
    return SetError(kGenericFailure, write ? "Error opening file for writing" : "Error opening file for reading");
  }
  return FileResult::kOk;
}

FileResult DesktopFile::OpenRead() { return Open(false); }

FileResult DesktopFile::OpenWrite() { return Open(true); }

FileResult DesktopFile::NotOpen() {
  SetError(kGenericFailure, "File Not Open");
  return FileResult::kWrongState;
}

FileResult DesktopFile::Close() {
  ClearError();
  if (!IsOpen()) return NotOpen();
  uint32_t err = stream_->Close();
  stream_.reset();
  decoded_ = nullptr;
  // Buffered text that never reached the disk is lost data: say so.
  if (err != 0) return SetError(err, "Error closing file");
  return FileResult::kOk;
}

FileResult DesktopFile::Flush() {
  ClearError();
  if (!IsOpen()) return NotOpen();
  uint32_t err = stream_->Flush();
  if (err != 0) return SetError(err, "Error flushing file");
  return FileResult::kOk;
}

bool DesktopFile::IsEOF() const { return !IsOpen() || stream_->Eof(); }

FileResult DesktopFile::Read(void* buffer, size_t size, size_t* count) {
  ClearError();
  *count = 0;
  if (!IsOpen()) return NotOpen();
  *count = stream_->Read(buffer, size);
  if (*count == size || stream_->Eof()) return FileResult::kOk;
  return SetError(stream_->Error() ? 32 : 0, "Error reading file");
}

FileResult DesktopFile::Write(const void* buffer, size_t size, size_t* count) {
  ClearError();
  *count = 0;
  if (!IsOpen()) return NotOpen();
  *count = stream_->Write(buffer, size);
  if (*count == size) return FileResult::kOk;
  char context[96];
  std::snprintf(context, sizeof context, "Error writing file (%lu of %lu bytes written)",
                static_cast<unsigned long>(*count), static_cast<unsigned long>(size));
  return SetError(stream_->Error() ? 32 : 0, context);
}

bool DesktopFile::SawNul() const { return decoded_ != nullptr && decoded_->SawNul(); }
