#include "diag/sync_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace {

struct Echo : HotSyncLogTarget {
  void AddHotSyncLogEntry(const char* text, LogCode code, uint8_t) override {
    entries.push_back(std::to_string(static_cast<int32_t>(code)) + ":" + text);
  }
  std::vector<std::string> entries;
};

class SyncLogTest : public ::testing::Test {
 protected:
  SyncLogTest() { SetLogLevel(kLogLevelStandard); }
  ~SyncLogTest() override { SetLogLevel(0); }
  std::string Debug() {
    FlushLogFiles();
    return ReadFileBytes(dir_.Sub("kvrtdebuglog.txt"));
  }
  std::string Sync() { return ReadFileBytes(dir_.Sub("kvrtsynclog.txt")); }

  TempDir dir_;
  CapturingEnv env_;
  Echo echo_;
};

TEST_F(SyncLogTest, LineFeedsBecomeCrLfInBothFilesButNotInTheDebuggerOutput) {
  {
    SyncLog log(env_, &echo_, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt");
    LogSync("a\nb");
    LogDebug("c%d\n", 1);
  }
  EXPECT_EQ(Sync(), "a\r\nb");
  EXPECT_EQ(Debug(), "a\r\nbc1\r\n");
  ASSERT_EQ(env_.Lines().size(), 2u);
  EXPECT_EQ(env_.Lines()[0], "a\nb");
  ASSERT_EQ(echo_.entries.size(), 1u);
  EXPECT_EQ(echo_.entries[0], "-10:a\r\nb");
}

TEST_F(SyncLogTest, AuditWritesNothingAnywhereWithoutTheFullAudit) {
  SyncLog log(env_, &echo_, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt");
  LogAudit("hidden\n");
  EXPECT_TRUE(env_.Lines().empty());
  SetLogLevel(kLogLevelAudit);
  LogAudit("shown\n");
  EXPECT_EQ(Debug(), "shown\r\n");
  EXPECT_EQ(env_.Lines().size(), 1u);
}

TEST_F(SyncLogTest, SyncLogAccumulatesAndDebugLogHoldsOnlyTheLastSynchronization) {
  for (const char* banner : {"first\n", "second\n"}) {
    SyncLog log(env_, &echo_, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt");
    LogSync("%s", banner);
  }
  EXPECT_EQ(Sync(), "first\r\nsecond\r\n");
  EXPECT_EQ(Debug(), "second\r\n");
}

TEST_F(SyncLogTest, ASecondLogOpensNothingAndLeavesTheFirstOpen) {
  SyncLog first(env_, &echo_, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt");
  {
    TempDir other;
    SyncLog second(env_, &echo_, other.path(), "kvrtdebuglog.txt", other.path(), "kvrtsynclog.txt");
    EXPECT_FALSE(second.OwnsFiles());
    LogDebug("one\n");
    EXPECT_FALSE(other.path().empty());
    EXPECT_EQ(ReadFileBytes(other.Sub("kvrtdebuglog.txt")), "");
  }
  LogDebug("two\n");
  EXPECT_EQ(Debug(), "one\r\ntwo\r\n");
}

// The debug log is written in batches, never losing a line: at each sync-log line, every few
// hundred lines, and when the log closes.
TEST_F(SyncLogTest, DebugLinesReachTheFileInBatchesAndAllOfThemAtTheEnd) {
  std::string path = dir_.Sub("kvrtdebuglog.txt");
  {
    SyncLog log(env_, &echo_, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt");
    LogDebug("a\n");
    LogSync("phase\n");
    EXPECT_EQ(ReadFileBytes(path), "a\r\nphase\r\n");
    for (int i = 0; i < 3000; ++i) LogDebug("line %d\n", i);
    std::string partial = ReadFileBytes(path);
    EXPECT_NE(partial.find("line 2000\r\n"), std::string::npos);
    EXPECT_EQ(partial.find("line 2999\r\n"), std::string::npos);
  }
  std::string all = ReadFileBytes(path);
  EXPECT_EQ(all.substr(all.size() - 11), "line 2999\r\n");
}

TEST_F(SyncLogTest, OutsideASynchronizationOnlyTheDebuggerHearsIt) {
  LogSync("unheard\n");
  EXPECT_TRUE(env_.Lines().empty());
  SyncLog log(env_);
  LogSync("alone\n");
  EXPECT_TRUE(echo_.entries.empty());
  EXPECT_EQ(env_.Lines().size(), 1u);
}

TEST_F(SyncLogTest, LinesLongerThanTheWorkingBufferAreCut) {
  std::string big(5000, 'x');
  {
    SyncLog log(env_, &echo_, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt");
    LogDebug("%s\n", big.c_str());
  }
  EXPECT_EQ(Debug(), std::string(1023, 'x'));
}

// The log formats the common conversions itself: every line must read as the C runtime writes it.
#define LOG_AS_SNPRINTF(...)                                   \
  do {                                                         \
    LogDebug(__VA_ARGS__);                                     \
    char text[1024];                                           \
    std::snprintf(text, sizeof text, __VA_ARGS__);             \
    expected += text;                                          \
  } while (0)

TEST_F(SyncLogTest, FormattedLinesReadAsTheCRuntimeWritesThem) {
  std::string expected;
  const std::string long_text(1020, 'y');
  {
    SyncLog log(env_, &echo_, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt");
    LOG_AS_SNPRINTF("#%i ('%s') %d|", -2147483647 - 1, "title", 0);
    LOG_AS_SNPRINTF("%u %lu %lx %li 100%%|", 4294967295u, 4294967295ul, 0xBEEFul, -7l);
    // Widths, precisions and other conversions after plain ones.
    LOG_AS_SNPRINTF("%s %2.2i %c %.3s %4.4i|", "x", 5, 'q', "abcdef", 31);
    // Cut inside a number and inside a text.
    LOG_AS_SNPRINTF("%s%i", long_text.c_str(), 123456);
    LOG_AS_SNPRINTF("%s%s", long_text.c_str(), "abcdef");
  }
  EXPECT_EQ(Debug(), expected);
}

#undef LOG_AS_SNPRINTF

TEST_F(SyncLogTest, AFolderTooLongOpensNoFileAndSaysSoInTheDebuggerOutput) {
  std::string folder = dir_.path() + std::string(300, 'f');
  {
    SyncLog log(env_, &echo_, folder, "kvrtdebuglog.txt", folder, "kvrtsynclog.txt");
    LogSync("still running\n");
  }
  ASSERT_GE(env_.Lines().size(), 3u);
  EXPECT_NE(env_.Lines()[0].find("kvrtdebuglog.txt"), std::string::npos);
  EXPECT_NE(env_.Lines()[0].find("is longer than 259 characters"), std::string::npos);
  EXPECT_EQ(echo_.entries.size(), 1u);
}

}  // namespace
