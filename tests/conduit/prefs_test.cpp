#include "conduit/conduit_prefs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "support/temp_dir.h"
#include "platform/env.h"

namespace {

ConduitPrefs Record(uint16_t version, uint32_t flags, uint32_t interval, uint32_t last, uint32_t level) {
  ConduitPrefs p;
  std::memset(&p, 0, sizeof p);
  p.version = version;
  p.spare = 0x1234;
  p.flags = flags;
  p.eventsInterval = interval;
  p.lastEventsRun = last;
  p.logLevel = level;
  return p;
}

void ExpectDefaults(const ConduitPrefs& p) {
  EXPECT_EQ(p.version, 3);
  EXPECT_EQ(p.flags, 9u);
  EXPECT_EQ(p.eventsInterval, 604800u);
  EXPECT_EQ(p.logLevel, 4u);
}

class PrefsFile : public ::testing::Test {
 protected:
  std::string Path() { return dir_.Sub(kPrefsFileName); }
  ConduitPrefs Read() {
    ConduitPrefs p;
    ReadConduitPrefs(Env::Default().Files(), &p, dir_.path().c_str());
    return p;
  }
  TempDir dir_;
};

TEST_F(PrefsFile, MissingFileGivesTheDefaults) {
  ConduitPrefs p = Read();
  ExpectDefaults(p);
  EXPECT_EQ(p.spare, 0);
  EXPECT_EQ(p.lastEventsRun, 0u);
}

TEST_F(PrefsFile, RoundTripsAsTwentyLittleEndianBytes) {
  ConduitPrefs written = Record(3, 8, 86400, 0x44332211, 8);
  WriteConduitPrefs(Env::Default().Files(), written, dir_.path().c_str());
  std::string bytes = ReadFileBytes(Path());
  ASSERT_EQ(bytes.size(), 20u);
  EXPECT_EQ(bytes.substr(12, 4), std::string("\x11\x22\x33\x44", 4));
  ConduitPrefs read = Read();
  EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);
  EXPECT_FALSE(std::ifstream(Path() + ".new").good());
}

TEST_F(PrefsFile, LineFeedBytesAreStoredAsCrLfAndReadBack) {
  ConduitPrefs written = Record(3, 9, 604800, 0x0A1A0A0D, 4);
  WriteConduitPrefs(Env::Default().Files(), written, dir_.path().c_str());
  std::string bytes = ReadFileBytes(Path());
  EXPECT_EQ(bytes.size(), 22u);
  EXPECT_EQ(bytes.substr(12, 6), std::string("\x0D\x0D\x0A\x1A\x0D\x0A", 6));
  ConduitPrefs read = Read();
  EXPECT_EQ(read.lastEventsRun, 0x0A1A0A0Du);
  EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);
}

TEST_F(PrefsFile, VersionTwoIsMigratedKeepingTheOtherFields) {
  WriteConduitPrefs(Env::Default().Files(), Record(2, 1, 86400, 777, 8), dir_.path().c_str());
  ConduitPrefs p = Read();
  EXPECT_EQ(p.version, 3);
  EXPECT_EQ(p.flags, 9u);
  EXPECT_EQ(p.eventsInterval, 86400u);
  EXPECT_EQ(p.lastEventsRun, 777u);
  EXPECT_EQ(p.logLevel, 8u);
  EXPECT_EQ(p.spare, 0x1234);
}

TEST_F(PrefsFile, ShortFileGivesDefaultsKeepingWhatWasReadOfSpareAndLastRun) {
  std::string bytes = EncodeConduitPrefs(Record(3, 8, 86400, 777, 8));
  WriteFileBytes(Path(), bytes.substr(0, 10));
  ConduitPrefs p = Read();
  ExpectDefaults(p);
  EXPECT_EQ(p.spare, 0x1234);
  EXPECT_EQ(p.lastEventsRun, 0u);
}

TEST_F(PrefsFile, OtherVersionsLongFilesAndGarbageGiveUsableRecords) {
  WriteConduitPrefs(Env::Default().Files(), Record(4, 8, 86400, 777, 8), dir_.path().c_str());
  ConduitPrefs p = Read();
  ExpectDefaults(p);
  EXPECT_EQ(p.lastEventsRun, 777u);

  std::string longer = EncodeConduitPrefs(Record(3, 8, 0, 5, 8)) + std::string(5000, '\n');
  WriteFileBytes(Path(), longer);
  p = Read();
  EXPECT_EQ(p.eventsInterval, 0u);
  EXPECT_EQ(p.lastEventsRun, 5u);

  WriteFileBytes(Path(), std::string(40, '\r'));
  ExpectDefaults(Read());
}

TEST_F(PrefsFile, AFolderWhosePathDoesNotFitIsNeitherReadNorWritten) {
  std::string folder = dir_.path() + std::string(300, 'x');
  ConduitPrefs p;
  ReadConduitPrefs(Env::Default().Files(), &p, folder.c_str());
  ExpectDefaults(p);
  WriteConduitPrefs(Env::Default().Files(), p, folder.c_str());  // must not crash or write elsewhere
}

TEST_F(PrefsFile, WriteIntoAMissingFolderLeavesNothingBehind) {
  std::string folder = dir_.Sub("missing");
  WriteConduitPrefs(Env::Default().Files(), Record(3, 8, 0, 0, 4), folder.c_str());
  ConduitPrefs p;
  ReadConduitPrefs(Env::Default().Files(), &p, folder.c_str());
  ExpectDefaults(p);
}

}  // namespace
