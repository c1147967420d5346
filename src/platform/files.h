// Files and folders, text-mode streams, Windows-style error codes.
// (Being filled in: this header states the contract; posix/ and win32/ implement it.)
#ifndef REELBOX_PLATFORM_FILES_H
#define REELBOX_PLATFORM_FILES_H

#include <memory>

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;
};

// The implementation of this target.
std::unique_ptr<FileSystem> NewPlatformFileSystem();

#endif  // REELBOX_PLATFORM_FILES_H
