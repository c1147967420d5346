#include "conduit/conduit_info.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(GetConduitName, CutsToTheBufferAndZeroFillsTheRest) {
  char small[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(ConduitName(small, sizeof small), 0);
  EXPECT_STREQ(small, "Ree");
  char big[16];
  std::memset(big, 'x', sizeof big);
  EXPECT_EQ(ConduitName(big, sizeof big), 0);
  EXPECT_STREQ(big, "Reelbox");
  for (size_t i = 7; i < sizeof big; ++i) EXPECT_EQ(big[i], 0);
  char untouched = 'x';
  EXPECT_EQ(ConduitName(&untouched, 0), 0);
  EXPECT_EQ(untouched, 'x');
}

TEST(GetConduitInfo, ChecksPointersBeforeTheQuery) {
  uint32_t size = 4;
  char out[4];
  EXPECT_EQ(ToInt(ConduitInfo(9, nullptr, nullptr, &size)), 4209);
  EXPECT_EQ(ToInt(ConduitInfo(9, nullptr, out, nullptr)), 4215);
  EXPECT_EQ(ToInt(ConduitInfo(9, nullptr, out, &size)), 4208);
}

TEST(GetConduitInfo, DisplayNameNeedsARecordOfVersionOneAndSizeEighty) {
  uint8_t record[8] = {1, 0, 0, 0, 80, 0, 0, 0};
  char out[20];
  uint32_t size = sizeof out;
  EXPECT_EQ(ToInt(ConduitInfo(0, nullptr, out, &size)), 4212);
  record[4] = 72;
  EXPECT_EQ(ToInt(ConduitInfo(0, record, out, &size)), 4213);
  record[4] = 80;
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(ToInt(ConduitInfo(0, record, out, &size)), 0);
  EXPECT_STREQ(out, "Reelbox");
  EXPECT_EQ(out[19], 0);
  size = 0;
  EXPECT_EQ(ToInt(ConduitInfo(0, record, out, &size)), 0);  // nothing written, nothing overrun
}

TEST(GetConduitInfo, FourByteQueriesNeedSizeFourAndLeaveOtherwiseUntouched) {
  uint8_t out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  uint32_t size = 8;
  EXPECT_EQ(ToInt(ConduitInfo(2, nullptr, out, &size)), 4211);
  EXPECT_EQ(out[0], 9);
  size = 4;
  EXPECT_EQ(ToInt(ConduitInfo(1, nullptr, out, &size)), 0);
  EXPECT_EQ(out[3], 0x10);
  EXPECT_EQ(ToInt(ConduitInfo(2, nullptr, out, &size)), 0);
  EXPECT_EQ(out[3], 0);
  EXPECT_EQ(out[4], 9);
}

}  // namespace
