#include "textfiles/desktop_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/env.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "support/forwarding_files.h"

namespace {

TEST(DesktopFile, OpeningAMissingFileReportsFileNotFound) {
  TempDir dir;
  DesktopFile file(Env::Default().Files(), dir.Sub("missing.tab").c_str());
  EXPECT_EQ(ToInt(file.OpenRead()), 5);
  EXPECT_STREQ(file.GetErrorText(), "Error preparing to open file/File not found");
  EXPECT_EQ(file.GetErrorCode(), 2u);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.IsEOF());
}

TEST(DesktopFile, WrongStateGivesThreeWithTheGenericMessage) {
  TempDir dir;
  DesktopFile file(Env::Default().Files(), dir.Sub("a.tab").c_str());
  EXPECT_EQ(ToInt(file.Close()), 3);
  EXPECT_STREQ(file.GetErrorText(), "File Not Open/Generic File Error");
  ASSERT_EQ(ToInt(file.OpenWrite()), 0);
  EXPECT_EQ(ToInt(file.OpenRead()), 3);
  EXPECT_STREQ(file.GetErrorText(), "File Already Open/Generic File Error");
  EXPECT_EQ(ToInt(file.Close()), 0);
  EXPECT_STREQ(file.GetErrorText(), "");
  size_t count = 7;
  char byte;
  EXPECT_EQ(ToInt(file.Read(&byte, 1, &count)), 3);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(ToInt(file.Write("x", 1, &count)), 3);
}

TEST(DesktopFile, SetErrorMapsWindowsCodesToResultsAndTexts) {
  DesktopFile file(Env::Default().Files(), "unused");
  EXPECT_EQ(ToInt(file.SetError(53, "ctx")), 5);
  EXPECT_STREQ(file.GetErrorText(), "ctx/File not found");
  EXPECT_EQ(ToInt(file.SetError(36, nullptr)), 1);
  EXPECT_STREQ(file.GetErrorText(), "Too many open files");
  EXPECT_EQ(ToInt(file.SetError(5, nullptr)), 1);
  EXPECT_STREQ(file.GetErrorText(), "Access Denied");
  EXPECT_EQ(ToInt(file.SetError(14, nullptr)), 4);
  EXPECT_STREQ(file.GetErrorText(), "Not enough memory");
  EXPECT_EQ(ToInt(file.SetError(30, nullptr)), 1);
  EXPECT_STREQ(file.GetErrorText(), "I/O error (0x1e)");
  EXPECT_EQ(ToInt(file.SetError(33, nullptr)), 1);
  EXPECT_STREQ(file.GetErrorText(), "File is in use");
  EXPECT_EQ(ToInt(file.SetError(183, nullptr)), 1);
  EXPECT_STREQ(file.GetErrorText(), "File already exists");
  EXPECT_EQ(ToInt(file.SetError(3, "x")), 1);
  EXPECT_STREQ(file.GetErrorText(), "x/File error 0x3");
  EXPECT_EQ(ToInt(file.SetError(kGenericFailure, std::string(600, 'c').c_str())), 1);
  EXPECT_EQ(std::string(file.GetErrorText()).size(), FileStream::kMessageSize - 1);
}

TEST(DesktopFile, WritesInTextModeAndReadsItBack) {
  TempDir dir;
  std::string path = dir.Sub("t.tab");
  WriteFileBytes(path, "old content that must go");
  DesktopFile file(Env::Default().Files(), path.c_str());
  ASSERT_EQ(ToInt(file.OpenWrite()), 0);
  size_t count = 0;
  ASSERT_EQ(ToInt(file.Write("a\tb\nc\n", 6, &count)), 0);
  EXPECT_EQ(count, 6u);
  ASSERT_EQ(ToInt(file.Close()), 0);
  EXPECT_EQ(ReadFileBytes(path), "a\tb\r\nc\r\n");
  WriteFileBytes(path, "x\r\ny\x1Az");
  ASSERT_EQ(ToInt(file.OpenRead()), 0);
  char text[16] = {};
  EXPECT_EQ(ToInt(file.Read(text, sizeof text, &count)), 0);  // a short read at the end is success
  EXPECT_EQ(std::string(text, count), "x\ny");
  EXPECT_TRUE(file.IsEOF());
  file.ClearError();
  EXPECT_EQ(ToInt(file.Close()), 0);
}

// UTF-16 as spreadsheets save it arrives as UTF-8 behind its mark, whatever the size of the reads:
// pairs of surrogates whole, a unit without a character as a byte no UTF-8 holds, and the byte
// 0x1A of a character (U+011A) no end of the data. NUL bytes are noted.
TEST(DesktopFile, Utf16ArrivesAsUtf8) {
  TempDir dir;
  std::string path = dir.Sub("u.tab");
  const std::u16string text = u"T\u00E9\u011A\t\U0001F600\r\nx\xD800y\u20AC";
  const std::string utf8 = "\xEF\xBB\xBFT\xC3\xA9\xC4\x9A\t\xF0\x9F\x98\x80\nx\xFFy\xE2\x82\xAC\xFF";
  DesktopFile file(Env::Default().Files(), path.c_str());
  for (bool little : {true, false}) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t unit : text) {
      const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
      bytes += little ? std::string{low, high} : std::string{high, low};
    }
    WriteFileBytes(path, bytes + "z");  // an odd last byte
    for (size_t step : {size_t(1), size_t(3), size_t(4096)}) {
      ASSERT_EQ(ToInt(file.OpenRead()), 0);
      std::string read;
      char piece[4096];
      size_t count = 0;
      do {
        ASSERT_EQ(ToInt(file.Read(piece, step, &count)), 0);
        read.append(piece, count);
      } while (count == step);
      EXPECT_EQ(read, utf8) << little << " " << step;
      EXPECT_FALSE(file.SawNul());
      EXPECT_EQ(ToInt(file.Close()), 0);
    }
  }
  WriteFileBytes(path, std::string("\xFF\xFEx\0\0\0", 6));
  ASSERT_EQ(ToInt(file.OpenRead()), 0);
  char piece[16];
  size_t count = 0;
  ASSERT_EQ(ToInt(file.Read(piece, sizeof piece, &count)), 0);
  EXPECT_EQ(std::string(piece, count), std::string("\xEF\xBB\xBFx\0", 5));
  EXPECT_TRUE(file.SawNul());
  EXPECT_EQ(ToInt(file.Close()), 0);
  EXPECT_FALSE(file.SawNul());
}

TEST(DesktopFile, APathTooLongToHoldIsNeverOpened) {
  TempDir dir;
  std::string path = dir.Sub(std::string(DesktopFile::kPathSize, 'p'));
  DesktopFile file(Env::Default().Files(), path.c_str());
  EXPECT_EQ(std::string(file.GetPath()).size(), DesktopFile::kPathSize - 1);
  EXPECT_EQ(ToInt(file.OpenWrite()), 1);
  EXPECT_STREQ(file.GetErrorText(), "Error preparing to open file/File error 0xce");
  EXPECT_FALSE(file.IsOpen());
}

// Files that accept only a few bytes, like a full disk.
class FullDiskEnv : public EnvWrapper {
 public:
  explicit FullDiskEnv(size_t room) : EnvWrapper(Env::Default()), files_(Env::Default().Files()) {
    files_.SetWriteLimit(room);
  }
  FileSystem& Files() override { return files_; }

 private:
  FaultyFileSystem files_;
};

TEST(DesktopFile, DataThatNeverReachesTheDiskIsReportedAtClose) {
  TempDir dir;
  FullDiskEnv env(4);
  DesktopFile file(env.Files(), dir.Sub("full.tab").c_str());
  ASSERT_EQ(ToInt(file.OpenWrite()), 0);
  size_t count = 0;
  EXPECT_EQ(ToInt(file.Write("0123456789", 10, &count)), 0);  // still buffered
  EXPECT_EQ(ToInt(file.Close()), 1);
  EXPECT_STREQ(file.GetErrorText(), "Error closing file/File error 0x70");
  EXPECT_FALSE(file.IsOpen());
}

TEST(DesktopFile, AShortWriteIsAFailure) {
  TempDir dir;
  FullDiskEnv env(100);
  DesktopFile file(env.Files(), dir.Sub("full.tab").c_str());
  ASSERT_EQ(ToInt(file.OpenWrite()), 0);
  std::string big(200000, 'x');
  size_t count = 0;
  EXPECT_EQ(ToInt(file.Write(big.data(), big.size(), &count)), 1);
  EXPECT_LT(count, big.size());
  EXPECT_STREQ(std::string(file.GetErrorText()).substr(0, 18).c_str(), "Error writing file");
  EXPECT_NE(std::string(file.GetErrorText()).find("File is in use"), std::string::npos);
  file.Close();
}

}  // namespace
