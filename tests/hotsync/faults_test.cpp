// Fault injection, damaged handheld files, failed write-backs and the handheld lock.
#include <gtest/gtest.h>

#include <cstring>

#include "hotsync_api.h"
#include "hotsync_session.h"
#include "platform/host.h"
#include "support/handheld.h"

using hotsync::Bytes;
using hotsync::PalmDatabase;
using reelbox_test::TempUserRoot;

namespace {

void PutDatabase(const TempUserRoot& root, const std::string& name, int records) {
  PalmDatabase db = reelbox_test::NewRecordDatabase(name, "QV03", "QVX3");
  for (int i = 0; i < records; ++i) reelbox_test::AddTestRecord(&db, "record", 1);
  reelbox_test::WritePalmFile(root.DatabasePath(name), db);
}

bool LogHas(const std::string& part) {
  char text[1024];
  int32_t code = 0;
  for (int32_t i = 0; i < HsGetLogEntryCount(); ++i) {
    HsGetLogEntry(i, text, sizeof text, &code);
    if (std::string(text).find(part) != std::string::npos) return true;
  }
  return false;
}

int32_t AddRecord(uint8_t handle) {
  uint8_t data[3] = {1, 2, 3};
  RecordExchange record = {};
  record.handle = handle;
  record.attributes = kRecAttrDirty;
  record.recordSize = 3;
  record.bufferSize = 3;
  record.buffer = data;
  return SyncWriteRec(&record);
}

}  // namespace

TEST(Faults, NthCallOfANamedOperationFailsOnceWithTheCode) {
  TempUserRoot root;
  PutDatabase(root, "Movie-Lists", 0);
  ASSERT_EQ(root.BeginSession(), 0);
  uint8_t handle = 0;
  ASSERT_EQ(SyncOpenDB("Movie-Lists", 0, &handle, kSyncOpenReadWrite), 0);
  ASSERT_EQ(HsInjectFault("SyncWriteRec", 2, 0x4009), 0);
  EXPECT_EQ(AddRecord(handle), 0);
  EXPECT_EQ(AddRecord(handle), 0x4009);
  EXPECT_EQ(AddRecord(handle), 0);
  uint16_t count = 0;
  ASSERT_EQ(SyncGetDBRecordCount(handle, &count), 0);
  EXPECT_EQ(count, 2);  // the failed call changed nothing
  EXPECT_EQ(HsInjectFault("LogAddEntry", 1, 7), 0);
  EXPECT_EQ(LogAddEntry("lost", -1, 0), 7);
  EXPECT_EQ(HsInjectFault("SyncWriteRec", 0, 1), kHsErrBadArgument);
  EXPECT_EQ(HsEndSession(), 0);
}

TEST(Faults, FailedCloseKeepsTheDatabaseOpenAndTheFileAsItWas) {
  TempUserRoot root;
  PutDatabase(root, "Movie-Lists", 2);
  const Bytes before = reelbox_test::ReadBytes(root.DatabasePath("Movie-Lists"));
  ASSERT_EQ(root.BeginSession(), 0);
  uint8_t handle = 0;
  ASSERT_EQ(SyncOpenDB("Movie-Lists", 0, &handle, kSyncOpenReadWrite), 0);
  ASSERT_EQ(AddRecord(handle), 0);
  ASSERT_EQ(HsInjectFault("WriteBack", 1, kHsErrIo), 0);
  EXPECT_EQ(SyncCloseDB(handle), kHsErrIo);
  EXPECT_EQ(reelbox_test::ReadBytes(root.DatabasePath("Movie-Lists")), before);
  EXPECT_EQ(SyncCloseDB(handle), 0);  // still open; the second write-back succeeds
  PalmDatabase after;
  std::string error;
  ASSERT_TRUE(reelbox_test::ReadPalmFile(root.DatabasePath("Movie-Lists"), &after, &error));
  EXPECT_EQ(after.records.size(), 3u);
  EXPECT_EQ(HsEndSession(), 0);
}

TEST(Faults, EndOfSessionWritesBackDatabasesLeftOpen) {
  TempUserRoot root;
  PutDatabase(root, "Movie-Lists", 1);
  ASSERT_EQ(root.BeginSession(), 0);
  uint8_t handle = 0;
  ASSERT_EQ(SyncOpenDB("Movie-Lists", 0, &handle, kSyncOpenReadWrite), 0);
  ASSERT_EQ(AddRecord(handle), 0);
  ASSERT_EQ(HsEndSession(), 0);
  PalmDatabase after;
  std::string error;
  ASSERT_TRUE(reelbox_test::ReadPalmFile(root.DatabasePath("Movie-Lists"), &after, &error));
  EXPECT_EQ(after.records.size(), 2u);
  EXPECT_EQ(after.modificationNumber, 1u);
}

TEST(Faults, DamagedFileIsReportedNeverOpenedAndNeverOverwritten) {
  TempUserRoot root;
  PutDatabase(root, "Movie-Lists", 2);
  Bytes damaged = reelbox_test::ReadBytes(root.DatabasePath("Movie-Lists"));
  damaged[76] = 0x7F;  // a record count that does not fit
  reelbox_test::WriteBytes(root.DatabasePath("Movie-Lists"), damaged);
  ASSERT_EQ(root.BeginSession(), 0);
  uint8_t handle = 0;
  EXPECT_EQ(SyncOpenDB("Movie-Lists", 0, &handle, kSyncOpenReadWrite), kHsErrDamaged);
  DatabaseCreateRecord create = {};
  std::strcpy(create.name, "Movie-Lists");
  create.flags = 8;
  EXPECT_EQ(SyncCreateDB(&create), kHsErrDamaged);
  EXPECT_TRUE(LogHas("record count 32514 does not fit"));
  EXPECT_NE(std::string(HsGetLastErrorText()).find("Movie-Lists.pdb"), std::string::npos);
  EXPECT_EQ(HsEndSession(), 0);
  EXPECT_EQ(reelbox_test::ReadBytes(root.DatabasePath("Movie-Lists")), damaged);
}

TEST(Faults, DamagedPreferencesAreReportedAndKept) {
  TempUserRoot root;
  const Bytes junk = {1, 2, 3};
  reelbox_test::WriteBytes(root.DatabasePath("Saved Preferences", true), junk);
  ASSERT_EQ(root.BeginSession(), 0);
  uint8_t value[2] = {0, 1};
  AppPreferenceRequest request = {};
  request.creator = hotsync::FourCharCode("KVRT");
  request.prefId = 4;
  request.requestedSize = 2;
  request.backedUp = 1;
  request.bufferSize = 2;
  request.buffer = value;
  EXPECT_EQ(SyncReadAppPreference(&request), kHsErrDamaged);
  EXPECT_EQ(SyncWriteAppPreference(&request), kHsErrDamaged);
  EXPECT_EQ(HsEndSession(), 0);
  EXPECT_EQ(reelbox_test::ReadBytes(root.DatabasePath("Saved Preferences", true)), junk);
}

TEST(Faults, SecondSyncOfOneHandheldIsLockedOut) {
  TempUserRoot root;
  hotsync::FileLock other;
  std::string error;
  ASSERT_TRUE(other.Acquire(hotsync::JoinPath(root.handheld(), "HotSync.lock"), &error)) << error;
  EXPECT_EQ(root.BeginSession(), kHsErrLocked);
  EXPECT_NE(std::string(HsGetLastErrorText()).find("another synchronization"), std::string::npos);
  other.Release();
  EXPECT_EQ(root.BeginSession(), 0);
  EXPECT_EQ(HsEndSession(), 0);
}

TEST(Faults, LeftoversOfAKilledWriteBackAreRemovedAtTheNextSession) {
  TempUserRoot root;
  PutDatabase(root, "Movie-Lists", 1);
  const std::string leftover = root.DatabasePath("Movie-Lists") + ".tmp";
  reelbox_test::WriteBytes(leftover, Bytes{1, 2});
  ASSERT_EQ(root.BeginSession(), 0);
  EXPECT_FALSE(hotsync::FileExists(leftover));
  EXPECT_EQ(HsEndSession(), 0);
}
