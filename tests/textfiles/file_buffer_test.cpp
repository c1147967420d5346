#include "textfiles/file_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "textfiles/desktop_file.h"
#include "platform/env.h"

namespace {

// Every line the buffer delivers, read with a buffer big enough for any of them.
std::vector<std::string> Lines(const std::string& bytes) {
  TempDir dir;
  std::string path = dir.Sub("lines.tab");
  WriteFileBytes(path, bytes);
  DesktopFile file(Env::Default().Files(), path.c_str());
  FileBuffer buffer(&file);
  EXPECT_EQ(ToInt(buffer.Open()), 0);
  std::vector<std::string> lines;
  std::vector<char> line(30000);
  for (;;) {
    uint32_t size = static_cast<uint32_t>(line.size());
    if (buffer.ReadLine(line.data(), &size) == nullptr) {
      EXPECT_EQ(size, 0u);
      break;
    }
    lines.emplace_back(line.data(), size);
  }
  return lines;
}

TEST(FileBuffer, AnyLineEndGivesTheSameLinesAndBlankLinesAreSkipped) {
  std::vector<std::string> expected = {"one", "two", "three"};
  EXPECT_EQ(Lines("one\r\ntwo\r\nthree\r\n"), expected);
  EXPECT_EQ(Lines("one\ntwo\nthree"), expected);
  EXPECT_EQ(Lines("one\rtwo\rthree\r"), expected);
  EXPECT_EQ(Lines("\r\n\r\none\n\n\ntwo\r\r\nthree"), expected);
  EXPECT_TRUE(Lines("").empty());
  EXPECT_TRUE(Lines("\r\n\n\r").empty());
}

TEST(FileBuffer, ALineLongerThanTheWindowArrivesInTwoPieces) {
  std::string long_line(25000, 'x');
  long_line[0] = 'a';
  long_line[19999] = 'b';
  std::vector<std::string> lines = Lines(long_line + "\r\nnext\r\n");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], long_line.substr(0, 19999));
  EXPECT_EQ(lines[1], long_line.substr(19999));
  EXPECT_EQ(lines[2], "next");
}

TEST(FileBuffer, LinesAcrossManyWindowsArriveWhole) {
  std::string bytes;
  std::vector<std::string> expected;
  for (int i = 0; i < 5000; ++i) {
    expected.push_back("line " + std::to_string(i) + std::string(i % 37, '.'));
    bytes += expected.back() + "\r\n";
  }
  EXPECT_EQ(Lines(bytes), expected);
}

TEST(FileBuffer, ManyBlankLinesDoNotEndTheData) {
  std::string bytes = "first\r\n" + std::string(50000, '\n') + "last\r\n";
  std::vector<std::string> expected = {"first", "last"};
  EXPECT_EQ(Lines(bytes), expected);
  EXPECT_EQ(Lines(std::string(45000, '\r') + "only"), std::vector<std::string>{"only"});
}

TEST(FileBuffer, NulBytesStayInTheirLineAndTheRestOfTheFileIsRead) {
  std::vector<std::string> lines = Lines(std::string("ab\0cd\r\nnext\r\n", 13));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string("ab\0cd", 5));
  EXPECT_EQ(lines[1], "next");
}

TEST(FileBuffer, EndOfDataMarkerEndsTheLines) {
  std::vector<std::string> expected = {"one", "tw"};
  EXPECT_EQ(Lines("one\r\ntw\x1Ao\r\nthree\r\n"), expected);
}

TEST(FileBuffer, ALineThatDoesNotFitIsDeliveredAgainToABiggerBuffer) {
  TempDir dir;
  std::string path = dir.Sub("short.tab");
  WriteFileBytes(path, "0123456789abcdefghij\r\nnext\r\n");
  DesktopFile file(Env::Default().Files(), path.c_str());
  FileBuffer buffer(&file);
  ASSERT_EQ(ToInt(buffer.Open()), 0);
  char small[10];
  uint32_t size = sizeof small;
  EXPECT_EQ(buffer.ReadLine(small, &size), nullptr);
  EXPECT_EQ(size, 20u);
  EXPECT_STREQ(small, "012345678");
  EXPECT_EQ(buffer.GetErrorCode(), 4u);
  EXPECT_STREQ(buffer.GetErrorText(), "Insufficient buffer/FileBuffer error 0x4");
  char big[32];
  size = sizeof big;
  ASSERT_NE(buffer.ReadLine(big, &size), nullptr);
  EXPECT_STREQ(big, "0123456789abcdefghij");
  EXPECT_EQ(size, 20u);
  EXPECT_EQ(buffer.GetErrorCode(), 0u);
  buffer.Close();
  EXPECT_FALSE(file.IsOpen());
}

TEST(FileBuffer, OpenOfAMissingFileCarriesTheFilesMessage) {
  TempDir dir;
  DesktopFile file(Env::Default().Files(), dir.Sub("nothing.tab").c_str());
  FileBuffer buffer(&file);
  EXPECT_EQ(ToInt(buffer.Open()), 5);
  EXPECT_FALSE(buffer.IsOpen());
  EXPECT_STREQ(buffer.GetErrorText(),
               "unable to open FileBuffer/Generic FileBuffer error/Error preparing to open file/File not found");
  char line[8];
  uint32_t size = sizeof line;
  EXPECT_EQ(buffer.ReadLine(line, &size), nullptr);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(ToInt(buffer.Refill()), 2);
  EXPECT_STREQ(buffer.GetErrorText(), "unable to refresh FileBuffer/Generic FileBuffer error");
}

TEST(FileBuffer, ReopeningStartsAgainFromTheTop) {
  TempDir dir;
  std::string path = dir.Sub("again.tab");
  WriteFileBytes(path, "a\r\nb\r\n");
  DesktopFile file(Env::Default().Files(), path.c_str());
  FileBuffer buffer(&file);
  char line[8];
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_EQ(ToInt(buffer.Open()), 0);
    uint32_t size = sizeof line;
    ASSERT_NE(buffer.ReadLine(line, &size), nullptr);
    EXPECT_STREQ(line, "a");
    buffer.Close();
  }
}

}  // namespace
