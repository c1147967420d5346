#include "diag/sync_log.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "diag/audit_line.h"
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
    // The audit's pieces go their own way to the same batches.
    SetLogLevel(kLogLevelAudit);
    for (int i = 0; i < 3000; ++i) {
      AuditLine().Text("piece ").Integer(i).Text(" - ").Write();
      LogAuditText("end\n");
    }
    partial = ReadFileBytes(path);
    EXPECT_NE(partial.find("piece 2000 - end\r\n"), std::string::npos);
    EXPECT_EQ(partial.find("piece 2999 - end\r\n"), std::string::npos);
  }
  std::string all = ReadFileBytes(path);
  EXPECT_EQ(all.substr(all.size() - 18), "piece 2999 - end\r\n");
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

// Audit lines put together in pieces must read as LogAudit writes the same text: line feeds where
// the pieces put them, numbers at their extremes, and the cut of an overlong line.
TEST_F(SyncLogTest, AuditLinesInPiecesReadAsLogAuditWritesThem) {
  SetLogLevel(kLogLevelAudit);
  const std::string data = "Title\nwith a feed";
  const std::string long_data(1015, 'z');
  std::string pieces, formatted;
  for (bool in_pieces : {true, false}) {
    TempDir dir;
    {
      SyncLog log(env_, &echo_, dir.path(), "kvrtdebuglog.txt", dir.path(), "kvrtsynclog.txt");
      if (in_pieces) {
        AuditLine().Text("Read item #").Integer(INT_MIN).Text(" ('").Data(data.data(), data.size()).Text("') - ").Write();
        LogAuditText("[MATCH] ");
        LogAuditText("[DONE]\n");
        AuditLine().Text("\nfirst ").Integer(0).Text(" then ").Integer(INT_MAX).Text("\n").Write();
        AuditLine line;
        line.Text("key '");
        std::memcpy(line.End(), "a\nb", 3);
        line.Advance(3).Text("'\n").Write();
        AuditLine().Text("cut ").Data(long_data.data(), long_data.size()).Text("\nlost\n").Write();
        AuditLine().Text("cut ").Integer(-7).Data(long_data.data(), long_data.size()).Integer(12345).Write();
        AuditLine().Text("cut ").Data(long_data.data(), long_data.size()).Text("abcd\n").Write();
      } else {
        LogAudit("Read item #%i ('%s') - ", INT_MIN, data.c_str());
        LogAudit("[MATCH] ");
        LogAudit("[DONE]\n");
        LogAudit("\nfirst %i then %i\n", 0, INT_MAX);
        LogAudit("key '%s'\n", "a\nb");
        LogAudit("cut %s\nlost\n", long_data.c_str());
        LogAudit("cut %i%s%i", -7, long_data.c_str(), 12345);
        LogAudit("cut %sabcd\n", long_data.c_str());
      }
    }
    (in_pieces ? pieces : formatted) = ReadFileBytes(dir.Sub("kvrtdebuglog.txt"));
  }
  EXPECT_EQ(pieces, formatted);
  EXPECT_EQ(formatted.substr(0, 32), "Read item #-2147483648 ('Title\r\n");
  // Every piece reached the debugger as a text of its own.
  ASSERT_EQ(env_.Lines().size(), 16u);
  EXPECT_EQ(env_.Lines()[1], "[MATCH] ");
  EXPECT_EQ(env_.Lines()[1], env_.Lines()[9]);
}

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
