#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/env.h"
#include "support/temp_dir.h"

namespace {

FileSystem& Files() { return Env::Default().Files(); }

TEST(FileSystem, MissingFileGivesFileNotFound) {
  TempDir dir;
  std::unique_ptr<File> file;
  EXPECT_EQ(Files().OpenFile(dir.Sub("missing.txt"), FileMode::kReadExisting, &file), kErrFileNotFound);
  EXPECT_FALSE(file);
}

TEST(FileSystem, MissingFolderIsAnError) {
  TempDir dir;
  std::unique_ptr<File> file;
  uint32_t err = Files().OpenFile(dir.Sub("no/such/x.txt"), FileMode::kWriteCreateAlways, &file);
  EXPECT_TRUE(err == kErrPathNotFound || err == kErrFileNotFound) << err;
}

TEST(FileSystem, MakeDirectoryTwiceReportsAlreadyExists) {
  TempDir dir;
  EXPECT_EQ(Files().MakeDirectory(dir.Sub("sub")), 0u);
  EXPECT_EQ(Files().MakeDirectory(dir.Sub("sub")), kErrAlreadyExists);
}

TEST(FileSystem, CreateAlwaysEmptiesAndAppendAppends) {
  TempDir dir;
  std::string path = dir.Sub("f.bin");
  WriteFileBytes(path, "old contents");
  std::unique_ptr<File> file;
  size_t n = 0;
  ASSERT_EQ(Files().OpenFile(path, FileMode::kWriteCreateAlways, &file), 0u);
  ASSERT_EQ(file->Write("ab", 2, &n), 0u);
  file.reset();
  ASSERT_EQ(Files().OpenFile(path, FileMode::kAppend, &file), 0u);
  ASSERT_EQ(file->Write("cd", 2, &n), 0u);
  EXPECT_EQ(file->Close(), 0u);
  EXPECT_EQ(ReadFileBytes(path), "abcd");
}

TEST(FileSystem, CreateNewNeverReplacesAFileNorFollowsALink) {
  TempDir dir;
  std::string path = dir.Sub("f.bin");
  WriteFileBytes(path, "mine");
  std::unique_ptr<File> file;
  uint32_t err = Files().OpenFile(path, FileMode::kWriteCreateNew, &file);
  EXPECT_TRUE(err == kErrAlreadyExists || err == 80u) << err;
  EXPECT_EQ(ReadFileBytes(path), "mine");
#ifndef _WIN32
  std::filesystem::create_symlink(path, dir.Sub("link"));
  EXPECT_EQ(Files().OpenFile(dir.Sub("link"), FileMode::kWriteCreateNew, &file), kErrAlreadyExists);
  EXPECT_EQ(ReadFileBytes(path), "mine");
#endif
  ASSERT_EQ(Files().OpenFile(dir.Sub("new.bin"), FileMode::kWriteCreateNew, &file), 0u);
  EXPECT_EQ(file->Close(), 0u);
}

TEST(FileSystem, PrivateFolderIsOnlyThisUsers) {
  TempDir dir;
  std::string first, second;
  bool made = false;
  ASSERT_EQ(Files().MakePrivateFolder(dir.path(), &first, &made), 0u);
#ifndef _WIN32
  ASSERT_TRUE(made);
  EXPECT_EQ(first.rfind(dir.path(), 0), 0u);
  EXPECT_EQ(std::filesystem::status(first).permissions(), std::filesystem::perms::owner_all);
  ASSERT_EQ(Files().MakePrivateFolder(dir.path(), &second, &made), 0u);
  EXPECT_NE(first, second);
  EXPECT_EQ(Files().RemoveFolder(first), 0u);
  EXPECT_EQ(Files().RemoveFolder(second), 0u);
  EXPECT_FALSE(std::filesystem::exists(first));
#else
  // The per-user temporary folder is private already.
  EXPECT_FALSE(made);
  EXPECT_EQ(first, dir.path());
#endif
}

TEST(FileSystem, AtomicReplaceSwapsContentsAndRemovesSource) {
  TempDir dir;
  WriteFileBytes(dir.Sub("new"), "new");
  WriteFileBytes(dir.Sub("target"), "old");
  EXPECT_EQ(Files().AtomicReplace(dir.Sub("new"), dir.Sub("target")), 0u);
  EXPECT_EQ(ReadFileBytes(dir.Sub("target")), "new");
  EXPECT_FALSE(Files().FileExists(dir.Sub("new")));
  EXPECT_EQ(Files().RemoveFile(dir.Sub("target")), 0u);
  EXPECT_EQ(Files().RemoveFile(dir.Sub("target")), kErrFileNotFound);
}

TEST(FileSystem, JoinPathUsesOneSeparator) {
  std::string sep(1, Files().PathSeparator());
  EXPECT_EQ(JoinPath(Files(), "dir", "name"), "dir" + sep + "name");
  EXPECT_EQ(JoinPath(Files(), "dir/", "name"), "dir/name");
  EXPECT_EQ(JoinPath(Files(), "dir\\", "name"), "dir\\name");
  EXPECT_EQ(JoinPath(Files(), "", "name"), "name");
  std::string temp = Files().TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), Files().PathSeparator());
}

}  // namespace
