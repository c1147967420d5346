// Test seam: a file system that is the real one except for the documents folder, which it takes
// from the test. Install with FixedDocumentsEnv for the length of a test.
#ifndef REELBOX_TESTS_MYMOVIES_JOB_FIXED_DOCUMENTS_H
#define REELBOX_TESTS_MYMOVIES_JOB_FIXED_DOCUMENTS_H

#include <memory>
#include <string>
#include <utility>

#include "platform/env.h"
#include "platform/files.h"

// A file whose writes fail (disk full) once limit bytes have been written.
class LimitedFile final : public File {
 public:
  LimitedFile(std::unique_ptr<File> file, size_t limit) : file_(std::move(file)), room_(limit) {}
  uint32_t Read(void* buffer, size_t n, size_t* got) override { return file_->Read(buffer, n, got); }
  uint32_t Write(const void* data, size_t n, size_t* written) override {
    size_t take = n < room_ ? n : room_;
    uint32_t result = file_->Write(data, take, written);
    room_ -= *written;
    if (result != 0) return result;
    return take < n ? static_cast<uint32_t>(kErrDiskFull) : 0u;
  }
  uint32_t Flush() override { return file_->Flush(); }
  uint32_t Close() override { return file_->Close(); }

 private:
  std::unique_ptr<File> file_;
  size_t room_;
};

class FixedDocumentsFileSystem final : public FileSystem {
 public:
  FixedDocumentsFileSystem(FileSystem& real, std::string folder, uint32_t result)
      : real_(real), folder_(std::move(folder)), result_(result) {}
  // Files created for writing from now on hold at most limit bytes.
  void SetWriteLimit(size_t limit) { write_limit_ = limit; }
  uint32_t OpenFile(const std::string& path, FileMode mode, std::unique_ptr<File>* file) override {
    uint32_t result = real_.OpenFile(path, mode, file);
    if (result == 0 && mode != FileMode::kReadExisting && write_limit_ != kNoLimit) {
      *file = std::make_unique<LimitedFile>(std::move(*file), write_limit_);
    }
    return result;
  }
  uint32_t RemoveFile(const std::string& path) override { return real_.RemoveFile(path); }
  uint32_t MakeDirectory(const std::string& path) override { return real_.MakeDirectory(path); }
  uint32_t AtomicReplace(const std::string& from, const std::string& to) override {
    return real_.AtomicReplace(from, to);
  }
  bool FileExists(const std::string& path) override { return real_.FileExists(path); }
  std::string TempFolder() override { return real_.TempFolder(); }
  char PathSeparator() const override { return real_.PathSeparator(); }
  uint32_t DocumentsFolder(std::string* folder) override {
    *folder = folder_;
    return result_;
  }

 private:
  static constexpr size_t kNoLimit = static_cast<size_t>(-1);
  FileSystem& real_;
  std::string folder_;
  uint32_t result_;
  size_t write_limit_ = kNoLimit;
};

class FixedDocumentsEnv final : public EnvWrapper {
 public:
  explicit FixedDocumentsEnv(std::string folder, uint32_t result = 0)
      : EnvWrapper(Env::Default()), files_(Env::Default().Files(), std::move(folder), result), scope_(*this) {}
  FileSystem& Files() override { return files_; }
  FixedDocumentsFileSystem& Documents() { return files_; }

 private:
  FixedDocumentsFileSystem files_;
  ScopedEnv scope_;
};

#endif  // REELBOX_TESTS_MYMOVIES_JOB_FIXED_DOCUMENTS_H
