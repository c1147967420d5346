#include "textfiles/desktop_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/text_stream.h"
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

int32_t DesktopFile::SetError(uint32_t code, const char* context) {
  char description[64];
  int32_t result = kFileFailed;
  switch (code) {
    case 2: case 53:
      std::snprintf(description, sizeof description, "File not found");
      result = kFileNotFound;
      break;
    case 4: case 36:
      std::snprintf(description, sizeof description, "Too many open files");
      break;
    case 5:
      std::snprintf(description, sizeof description, "Access Denied");
      break;
    case 8: case 14:
      std::snprintf(description, sizeof description, "Not enough memory");
      result = kFileNoMemory;
      break;
    case 21: case 25: case 30: case 31: case 58: case 65:
      std::snprintf(description, sizeof description, "I/O error (0x%lx)", static_cast<unsigned long>(code));
      break;
    case 32: case 33:
      std::snprintf(description, sizeof description, "File is in use");
      break;
    case 183:
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

int32_t DesktopFile::CheckReadable() {
  if (path_too_long_) return SetError(kErrFilenameTooLong, "Error preparing to open file");
  std::unique_ptr<File> file;
  uint32_t err = files_.OpenFile(path_, FileMode::kReadExisting, &file);
  if (err != 0) return SetError(err, "Error preparing to open file");
  file->Close();
  return kFileOk;
}

int32_t DesktopFile::CheckWritable() {
  if (path_too_long_) return SetError(kErrFilenameTooLong, "Error preparing to open file");
  std::unique_ptr<File> file;
  uint32_t err = files_.OpenFile(path_, FileMode::kWriteCreateAlways, &file);
  if (err != 0) return SetError(err, "Error preparing to open file");
  file->Close();
  return kFileOk;
}

int32_t DesktopFile::Open(bool write) {
  ClearError();
  if (IsOpen()) {
    SetError(kGenericFailure, "File Already Open");
    return kFileWrongState;
  }
  int32_t result = write ? CheckWritable() : CheckReadable();
  if (result != kFileOk) return result;
  uint32_t err = TextStream::Open(files_, path_, write ? FileMode::kReadWriteCreateAlways : FileMode::kReadExisting,
                                  &stream_);
  if (err != 0) {
    stream_.reset();
    return SetError(kGenericFailure, write ? "Error opening file for writing" : "Error opening file for reading");
  }
  return kFileOk;
}

int32_t DesktopFile::OpenRead() { return Open(false); }

int32_t DesktopFile::OpenWrite() { return Open(true); }

int32_t DesktopFile::NotOpen() {
  SetError(kGenericFailure, "File Not Open");
  return kFileWrongState;
}

int32_t DesktopFile::Close() {
  ClearError();
  if (!IsOpen()) return NotOpen();
  uint32_t err = stream_->Close();
  stream_.reset();
  // Buffered text that never reached the disk is lost data: say so.
  if (err != 0) return SetError(err, "Error closing file");
  return kFileOk;
}

int32_t DesktopFile::Flush() {
  ClearError();
  if (!IsOpen()) return NotOpen();
  uint32_t err = stream_->Flush();
  if (err != 0) return SetError(err, "Error flushing file");
  return kFileOk;
}

bool DesktopFile::IsEOF() const { return !IsOpen() || stream_->Eof(); }

int32_t DesktopFile::Read(void* buffer, size_t size, size_t* count) {
  ClearError();
  *count = 0;
  if (!IsOpen()) return NotOpen();
  *count = stream_->Read(buffer, size);
  if (*count == size || stream_->Eof()) return kFileOk;
  return SetError(stream_->Error() ? 32 : 0, "Error reading file");
}

int32_t DesktopFile::Write(const void* buffer, size_t size, size_t* count) {
  ClearError();
  *count = 0;
  if (!IsOpen()) return NotOpen();
  *count = stream_->Write(buffer, size);
  if (*count == size) return kFileOk;
  char context[96];
  std::snprintf(context, sizeof context, "Error writing file (%lu of %lu bytes written)",
                static_cast<unsigned long>(*count), static_cast<unsigned long>(size));
  return SetError(stream_->Error() ? 32 : 0, context);
}
