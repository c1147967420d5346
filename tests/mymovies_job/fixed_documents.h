// Test seam: a file system that is the real one except for the documents folder, which it takes
// from the test. Install with FixedDocumentsEnv for the length of a test.
#ifndef REELBOX_TESTS_MYMOVIES_JOB_FIXED_DOCUMENTS_H
#define REELBOX_TESTS_MYMOVIES_JOB_FIXED_DOCUMENTS_H

#include <memory>
#include <string>

#include "platform/env.h"
#include "platform/files.h"

class FixedDocumentsFileSystem final : public FileSystem {
 public:
  FixedDocumentsFileSystem(FileSystem& real, std::string folder, uint32_t result)
      : real_(real), folder_(std::move(folder)), result_(result) {}
  uint32_t OpenFile(const std::string& path, FileMode mode, std::unique_ptr<File>* file) override {
    return real_.OpenFile(path, mode, file);
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
  FileSystem& real_;
  std::string folder_;
  uint32_t result_;
};

class FixedDocumentsEnv final : public EnvWrapper {
 public:
  explicit FixedDocumentsEnv(std::string folder, uint32_t result = 0)
      : EnvWrapper(Env::Default()), files_(Env::Default().Files(), std::move(folder), result), scope_(*this) {}
  FileSystem& Files() override { return files_; }

 private:
  FixedDocumentsFileSystem files_;
  ScopedEnv scope_;
};

#endif  // REELBOX_TESTS_MYMOVIES_JOB_FIXED_DOCUMENTS_H
