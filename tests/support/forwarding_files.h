// Test seams over the real file system, in the manner of EnvWrapper: ForwardingFileSystem and
// ForwardingFile pass every operation on, so a test overrides only the one it changes and the rest
// stays real (also operations added to the interface later). FaultyFileSystem makes the files it
// opens for writing fail like a full disk.
#ifndef REELBOX_TESTS_SUPPORT_FORWARDING_FILES_H
#define REELBOX_TESTS_SUPPORT_FORWARDING_FILES_H

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

#include "platform/files.h"

class ForwardingFile : public File {
 public:
  explicit ForwardingFile(std::unique_ptr<File> target) : target_(std::move(target)) {}
  uint32_t Read(void* buffer, size_t n, size_t* got) override { return target_->Read(buffer, n, got); }
  uint32_t Write(const void* data, size_t n, size_t* written) override {
    return target_->Write(data, n, written);
  }
  uint32_t Flush() override { return target_->Flush(); }
  uint32_t Close() override { return target_->Close(); }

 private:
  std::unique_ptr<File> target_;
};

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& target) : target_(target) {}
  uint32_t OpenFile(const std::string& path, FileMode mode, std::unique_ptr<File>* file) override {
    return target_.OpenFile(path, mode, file);
  }
  uint32_t RemoveFile(const std::string& path) override { return target_.RemoveFile(path); }
  uint32_t MakeDirectory(const std::string& path) override { return target_.MakeDirectory(path); }
  uint32_t AtomicReplace(const std::string& from, const std::string& to) override {
    return target_.AtomicReplace(from, to);
  }
  bool FileExists(const std::string& path) override { return target_.FileExists(path); }
  std::string TempFolder() override { return target_.TempFolder(); }
  uint32_t MakePrivateFolder(const std::string& parent, std::string* folder, bool* made) override {
    return target_.MakePrivateFolder(parent, folder, made);
  }
  uint32_t RemoveFolder(const std::string& path) override { return target_.RemoveFolder(path); }
  uint32_t MakeDocumentsFolder(const std::string& folder, bool* made) override {
    return target_.MakeDocumentsFolder(folder, made);
  }
  char PathSeparator() const override { return target_.PathSeparator(); }
  uint32_t DocumentsFolder(std::string* folder) override { return target_.DocumentsFolder(folder); }

 protected:
  FileSystem& target() { return target_; }

 private:
  FileSystem& target_;
};

// A file whose writes stop with kErrDiskFull once `room` bytes have reached it; the bytes that fit
// are written, and *written says how many.
class DiskFullFile final : public ForwardingFile {
 public:
  DiskFullFile(std::unique_ptr<File> target, size_t room) : ForwardingFile(std::move(target)), room_(room) {}
  uint32_t Write(const void* data, size_t n, size_t* written) override {
    const size_t take = n < room_ ? n : room_;
    const uint32_t result = ForwardingFile::Write(data, take, written);
    room_ -= *written < room_ ? *written : room_;
    if (result != 0) return result;
    return take < n ? kErrDiskFull : 0u;
  }

 private:
  size_t room_;
};

// Files opened for writing after SetWriteLimit(room) hold at most room bytes each.
class FaultyFileSystem : public ForwardingFileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& target) : ForwardingFileSystem(target) {}
  void SetWriteLimit(size_t room) { write_limit_ = room; }
  uint32_t OpenFile(const std::string& path, FileMode mode, std::unique_ptr<File>* file) override {
    const uint32_t result = ForwardingFileSystem::OpenFile(path, mode, file);
    if (result == 0 && mode != FileMode::kReadExisting && write_limit_ != kNoLimit) {
      *file = std::make_unique<DiskFullFile>(std::move(*file), write_limit_);
    }
    return result;
  }

 private:
  static constexpr size_t kNoLimit = static_cast<size_t>(-1);
  size_t write_limit_ = kNoLimit;
};

#endif  // REELBOX_TESTS_SUPPORT_FORWARDING_FILES_H
