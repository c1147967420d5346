#include "platform/byte_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// The scans give the same answers in every form a processor may take: blocks of sixteen bytes where
// SSE2 runs, words of eight where it does not, and byte by byte at the end of a text.
TEST(ByteScan, BlockAndWordFormsAgree) {
  std::mt19937 random(5);
  const char alphabet[] = {'\t', '"', '<', '\0', 'a', ' ', '\x80', '\xff', 'Z'};
  for (int round = 0; round < 2000; ++round) {
    std::string text(static_cast<size_t>(random() % 150), 'x');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    const char* begin = text.data();
    const char* end = begin + text.size();
    size_t expected_any = text.size();
    size_t expected_either = text.size();
    size_t expected_byte = text.size();
    bool expected_high = false;
    bool expected_odd = false;
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      expected_odd ^= c == '"';
      if (expected_any == text.size() && (c == '\t' || c == '"' || c == '<' || c == '\0')) expected_any = i;
      if (expected_either == text.size() && (c == '"' || c == '<')) expected_either = i;
      if (expected_byte == text.size() && c == '\0') expected_byte = i;
      expected_high = expected_high || (static_cast<unsigned char>(c) & 0x80) != 0;
    }
    EXPECT_EQ(static_cast<size_t>(byte_scan::FindAny(begin, end, '\t', '"', '<', '\0') - begin), expected_any);
    EXPECT_EQ(static_cast<size_t>(byte_scan::FindEither(begin, end, '"', '<') - begin), expected_either);
    EXPECT_EQ(static_cast<size_t>(byte_scan::FindByte(begin, end, '\0') - begin), expected_byte);
    EXPECT_EQ(byte_scan::HasHighByte(begin, end), expected_high);
    EXPECT_EQ(byte_scan::OddCount(begin, end, '"'), expected_odd);
    for (size_t at = 0; at + byte_scan::MarkBlock::kSize <= text.size(); ++at) {
      uint64_t bits = 0;
      for (size_t i = 0; i < byte_scan::MarkBlock::kSize; ++i) {
        const char c = text[at + i];
        if (c == '\t' || c == '"' || c == '<' || c == '\0') bits |= uint64_t{1} << i;
      }
      const char* p = begin + at;
      EXPECT_EQ(byte_scan::MarkBlock::Marks(p, '\t', '"', '<', '\0'), bits);
      EXPECT_EQ(byte_scan::MarkBlock::WordForm(p, '\t', '"', '<', '\0'), bits);
    }
  }
}

}  // namespace
