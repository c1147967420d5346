// A fresh folder under the system temporary folder, removed with everything in it when the
// object goes away. Tests build their user roots, handhelds and desktop files inside one.
#ifndef REELBOX_TESTS_SUPPORT_TEMP_DIR_H
#define REELBOX_TESTS_SUPPORT_TEMP_DIR_H

#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing separator.
  const std::string& path() const { return path_; }
  // path() + separator + name.
  std::string Sub(const std::string& name) const;

 private:
  std::string path_;
};

// Whole-file helpers for tests (binary, no translation).
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

#endif  // REELBOX_TESTS_SUPPORT_TEMP_DIR_H
