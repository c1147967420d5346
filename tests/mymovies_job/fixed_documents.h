// Test seam: a file system that is the real one except for the documents folder, which it takes
// from the test. Install with FixedDocumentsEnv for the length of a test.
#ifndef REELBOX_TESTS_MYMOVIES_JOB_FIXED_DOCUMENTS_H
#define REELBOX_TESTS_MYMOVIES_JOB_FIXED_DOCUMENTS_H

#include <memory>
#include <string>
#include <utility>

#include "platform/env.h"
#include "platform/files.h"
#include "support/forwarding_files.h"

// The real file system (with write limits on request) but for the documents folder.
class FixedDocumentsFileSystem final : public FaultyFileSystem {
 public:
  FixedDocumentsFileSystem(FileSystem& real, std::string folder, uint32_t result)
      : FaultyFileSystem(real), folder_(std::move(folder)), result_(result) {}
  uint32_t DocumentsFolder(std::string* folder) override {
    *folder = folder_;
    return result_;
  }

 private:
  std::string folder_;
  uint32_t result_;
};

class FixedDocumentsEnv final : public EnvWrapper {
 public:
  explicit FixedDocumentsEnv(std::string folder, uint32_t result = 0)
      : EnvWrapper(Env::Default()), files_(Env::Default().Files(), std::move(folder), result) {}
  FileSystem& Files() override { return files_; }
  FixedDocumentsFileSystem& Documents() { return files_; }

 private:
  FixedDocumentsFileSystem files_;
};

#endif  // REELBOX_TESTS_MYMOVIES_JOB_FIXED_DOCUMENTS_H
