#include "platform/text_stream.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "platform/env.h"

namespace {

std::string ReadAllText(const std::string& path, size_t piece = 7) {
  std::unique_ptr<TextStream> in;
  EXPECT_EQ(TextStream::Open(Env::Default().Files(), path, FileMode::kReadExisting, &in), 0u);
  if (!in) return "";
  std::string text;
  char buffer[4096];
  for (;;) {
    size_t n = in->Read(buffer, piece);
    text.append(buffer, n);
    if (n < piece) break;
  }
  EXPECT_TRUE(in->Eof());
  EXPECT_FALSE(in->Error());
  return text;
}

TEST(TextStream, WritesLineFeedsAsCrLf) {
  TempDir dir;
  std::unique_ptr<TextStream> out;
  ASSERT_EQ(TextStream::Open(Env::Default().Files(), dir.Sub("t.txt"), FileMode::kWriteCreateAlways, &out), 0u);
  EXPECT_EQ(out->Write(std::string("one\ntwo\n\x1A\rend")), 13u);
  EXPECT_EQ(out->Close(), 0u);
  EXPECT_EQ(ReadFileBytes(dir.Sub("t.txt")), std::string("one\r\ntwo\r\n\x1A\rend"));
}

TEST(TextStream, ReadsCrLfAsLineFeedAndKeepsLoneCarriageReturns) {
  TempDir dir;
  WriteFileBytes(dir.Sub("t.txt"), "a\r\nb\rc\n\r\r\nd\r");
  // Read in pieces that end anywhere, also between a CR and its LF.
  for (size_t piece : {1, 2, 3, 7, 4096}) {
    EXPECT_EQ(ReadAllText(dir.Sub("t.txt"), piece), "a\nb\rc\n\r\nd\r") << piece;
  }
}

TEST(TextStream, ByteOneAEndsTheData) {
  TempDir dir;
  WriteFileBytes(dir.Sub("t.txt"), std::string("before\x1A" "after", 12));
  EXPECT_EQ(ReadAllText(dir.Sub("t.txt")), "before");
}

TEST(TextStream, CrLfSplitAcrossBufferRefillsIsOneLineFeed) {
  TempDir dir;
  // The internal buffer holds 64 KiB; put the CR as its last byte.
  std::string bytes(64 * 1024 - 1, 'x');
  bytes += "\r\nz";
  WriteFileBytes(dir.Sub("t.txt"), bytes);
  std::string text = ReadAllText(dir.Sub("t.txt"), 1000);
  ASSERT_EQ(text.size(), 64 * 1024 - 1 + 2);
  EXPECT_EQ(text.substr(text.size() - 2), "\nz");
}

TEST(TextStream, LargeWriteRoundTrips) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\n";
  {
    std::unique_ptr<TextStream> out;
    ASSERT_EQ(TextStream::Open(Env::Default().Files(), dir.Sub("t.txt"), FileMode::kWriteCreateAlways, &out), 0u);
    EXPECT_EQ(out->Write(text), text.size());
  }  // closed by the destructor, which must flush
  EXPECT_EQ(ReadAllText(dir.Sub("t.txt"), 4096), text);
}

}  // namespace
