#include "mymovies/documents_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "fixed_documents.h"
#include "platform/env.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

bool IsWindowsTarget() { return Env::Default().Files().PathSeparator() == '\\'; }

// Sets (or, with null, removes) an environment variable for one scope.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    Set(value);
  }
  ~ScopedVariable() { Set(had_ ? old_.c_str() : nullptr); }

 private:
  void Set(const char* value) {
#ifdef _WIN32
    _putenv_s(name_, value ? value : "");
#else
    if (value) setenv(name_, value, 1); else unsetenv(name_);
#endif
  }
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(DocumentsFolder, PlatformFolderIsFoundWithoutTrailingSeparator) {
  std::string folder;
  if (IsWindowsTarget()) {
    // The end-to-end tests point the shell's folder elsewhere for a while (possibly at a folder
    // that does not exist): either answer must be whole.
    if (Env::Default().Files().DocumentsFolder(&folder) != 0) {
      EXPECT_EQ(folder, "<unexpected error trying to locate documents folder>");
      return;
    }
    EXPECT_TRUE(Env::Default().Files().FileExists(folder)) << folder;
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    return;
  }
  TempDir dir;
  ScopedVariable xdg("XDG_DOCUMENTS_DIR", (dir.path() + "//").c_str());
  ASSERT_EQ(Env::Default().Files().DocumentsFolder(&folder), 0u);
  EXPECT_EQ(folder, dir.path());
}

TEST(DocumentsFolder, PosixFallsBackToHomeDocuments) {
  if (IsWindowsTarget()) GTEST_SKIP() << "the shell decides on win32";
  std::string folder;
  ScopedVariable xdg("XDG_DOCUMENTS_DIR", "");
  ScopedVariable home("HOME", "/home/alice/");
  ASSERT_EQ(Env::Default().Files().DocumentsFolder(&folder), 0u);
  EXPECT_EQ(folder, "/home/alice/Documents");
}

TEST(DocumentsFolder, PosixWithoutHomeExplainsInAngleBrackets) {
  if (IsWindowsTarget()) GTEST_SKIP() << "the shell decides on win32";
  std::string folder;
  ScopedVariable xdg("XDG_DOCUMENTS_DIR", nullptr);
  ScopedVariable home("HOME", nullptr);
  EXPECT_NE(Env::Default().Files().DocumentsFolder(&folder), 0u);
  EXPECT_EQ(folder, "<unexpected error trying to locate documents folder>");
}

TEST(DocumentsFolder, JobTakesTheFolderAndBuildsPathsWithTheSeparator) {
  FixedDocumentsEnv env("D:\\Users\\Ann\\Documents");
  char folder[kDesktopPathSize];
  char path[kDesktopPathSize];
  GetDocumentsFolder(env.Files(), folder);
  EXPECT_STREQ(folder, "D:\\Users\\Ann\\Documents");
  BuildDesktopPath(env.Files(), folder, "MyMoviesExport.tab", path);
  EXPECT_EQ(std::string(path),
            std::string(folder) + env.Files().PathSeparator() + "MyMoviesExport.tab");
}

TEST(DocumentsFolder, JobKeepsTheExplanationOfAMissingFolder) {
  FixedDocumentsEnv env("<path unavailable because SHFolder.dll could not be found and/or loaded>", 2);
  char folder[kDesktopPathSize];
  GetDocumentsFolder(env.Files(), folder);
  EXPECT_STREQ(folder, "<path unavailable because SHFolder.dll could not be found and/or loaded>");
}

TEST(DocumentsFolder, FolderTooLongForTheFileNamesIsNotCut) {
  char folder[kDesktopPathSize];
  {
    FixedDocumentsEnv env(std::string(244, 'a'));  // 244 + separator + 18 + NUL = 264: fits
    GetDocumentsFolder(env.Files(), folder);
    EXPECT_EQ(std::string(folder), std::string(244, 'a'));
  }
  FixedDocumentsEnv env(std::string(245, 'a'));
  GetDocumentsFolder(env.Files(), folder);
  EXPECT_STREQ(folder, "<path unavailable because the documents folder path is too long>");
}

}  // namespace
