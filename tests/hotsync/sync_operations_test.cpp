// The SYNC20 operations on a real handheld folder: results, record ids, attributes, walks and
// write-back, checked in the files with the Palm database reader.
#include <gtest/gtest.h>

#include <cstring>

#include "hotsync_api.h"
#include "hotsync_session.h"
#include "support/handheld.h"

using hotsync::PalmDatabase;
using reelbox_test::TempUserRoot;

namespace {

class SyncOperations : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText(); }

  uint8_t Create(const char* name) {
    DatabaseCreateRecord create = {};
    create.creator = hotsync::FourCharCode("QVX5");
    create.type = hotsync::FourCharCode("QV05");
    create.flags = 8;
    std::strncpy(create.name, name, sizeof create.name - 1);
    create.version = 2;
    EXPECT_EQ(SyncCreateDB(&create), 0);
    return create.handle;
  }

  // Writes a record (id 0: new) and returns the id the manager handed back.
  uint32_t Write(uint8_t handle, uint32_t id, const std::string& data, int16_t category,
                 uint8_t attributes = kRecAttrDirty) {
    RecordExchange record = {};
    record.handle = handle;
    record.recordId = id;
    record.attributes = attributes;
    record.category = category;
    record.recordSize = static_cast<uint32_t>(data.size());
    record.bufferSize = static_cast<uint16_t>(data.size());
    record.buffer = reinterpret_cast<uint8_t*>(const_cast<char*>(data.data()));
    EXPECT_EQ(SyncWriteRec(&record), 0);
    return record.recordId;
  }

  PalmDatabase ReadFile(const std::string& name) {
    PalmDatabase db;
    std::string error;
    EXPECT_TRUE(reelbox_test::ReadPalmFile(root_.DatabasePath(name), &db, &error)) << error;
    return db;
  }

  TempUserRoot root_;
  uint8_t buffer_[64] = {};
};

}  // namespace

TEST_F(SyncOperations, OpenOfMissingDatabaseIsNotFound) {
  uint8_t handle = 0;
  EXPECT_EQ(SyncOpenDB("Movie-Events", 0, &handle, kSyncOpenReadWrite), kSyncErrNotFound);
}

TEST_F(SyncOperations, CreateReportsExistsAndAlreadyOpen) {
  const uint8_t handle = Create("Movie-Events");
  EXPECT_NE(handle, 0);
  DatabaseCreateRecord again = {};
  std::strcpy(again.name, "Movie-Events");
  again.flags = 8;
  EXPECT_EQ(SyncCreateDB(&again), kSyncErrAlreadyOpen);
  EXPECT_EQ(SyncCloseDB(handle), 0);
  EXPECT_EQ(SyncCreateDB(&again), kSyncErrExists);
  const PalmDatabase db = ReadFile("Movie-Events");
  EXPECT_EQ(db.type, hotsync::FourCharCode("QV05"));
  EXPECT_EQ(db.version, 2);
  EXPECT_EQ(db.attributes, hotsync::kDbAttrBackup);
}

TEST_F(SyncOperations, NewRecordsGetFreshIdsThatAreNeverReused) {
  const uint8_t handle = Create("Movie-Events");
  const uint32_t first = Write(handle, 0, "one", 1);
  const uint32_t second = Write(handle, 0, "two", 2);
  EXPECT_NE(first, 0u);
  EXPECT_NE(second, first);
  RecordExchange doomed = {};
  doomed.handle = handle;
  doomed.recordId = second;
  EXPECT_EQ(SyncDeleteRec(&doomed), 0);
  EXPECT_EQ(SyncCloseDB(handle), 0);
  uint8_t reopened = 0;
  ASSERT_EQ(SyncOpenDB("Movie-Events", 0, &reopened, kSyncOpenReadWrite), 0);
  const uint32_t third = Write(reopened, 0, "three", 3);
  EXPECT_GT(third, second);
  doomed.handle = reopened;
  EXPECT_EQ(SyncDeleteRec(&doomed), kSyncErrNotFound);
}

TEST_F(SyncOperations, WrittenRecordsCarryTheWritersAttributesAndCategory) {
  const uint8_t handle = Create("Movie-Events");
  const uint32_t id = Write(handle, 0, "movie", 5, kRecAttrDirty);
  Write(handle, id, "rewritten", 7, kRecAttrDirty | kRecAttrSecret);
  ASSERT_EQ(SyncCloseDB(handle), 0);
  const PalmDatabase db = ReadFile("Movie-Events");
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(db.records[0].id, id);
  EXPECT_EQ(db.records[0].attributes, kRecAttrDirty | kRecAttrSecret | 7);
  EXPECT_EQ(std::string(db.records[0].data.begin(), db.records[0].data.end()), "rewritten");
}

TEST_F(SyncOperations, ReadByIndexAndIdReturnEveryFieldAndCutLongData) {
  const uint8_t handle = Create("Movie-Events");
  const std::string long_data(100, 'L');
  const uint32_t id = Write(handle, 0, long_data, 4);
  RecordExchange record = {};
  record.handle = handle;
  record.index = 0;
  record.buffer = buffer_;
  record.bufferSize = sizeof buffer_;
  ASSERT_EQ(SyncReadRecordByIndex(&record), 0);
  EXPECT_EQ(+record.recordId, id);
  EXPECT_EQ(+record.category, 4);
  EXPECT_EQ(+record.attributes, kRecAttrDirty);
  EXPECT_EQ(+record.recordSize, 100u);
  EXPECT_EQ(buffer_[63], 'L');
  record.index = 1;
  EXPECT_EQ(SyncReadRecordByIndex(&record), kSyncErrNotFound);
  RecordExchange by_id = {};
  by_id.handle = handle;
  by_id.recordId = id;
  EXPECT_EQ(SyncReadRecordById(&by_id), 0);
  EXPECT_EQ(+by_id.recordSize, 100u);
  by_id.recordId = id + 1000;
  EXPECT_EQ(SyncReadRecordById(&by_id), kSyncErrNotFound);
}

TEST_F(SyncOperations, CategoryWalkFollowsTheRecordListAndSkipsDeleted) {
  const uint8_t handle = Create("Movie-Events");
  const uint32_t a = Write(handle, 0, "a", 2);
  Write(handle, 0, "b", 3);
  Write(handle, 0, "c", 2, kRecAttrDirty | kRecAttrDelete);
  const uint32_t d = Write(handle, 0, "d", 2);
  EXPECT_EQ(SyncResetRecordIndex(handle), 0);
  RecordExchange record = {};
  record.handle = handle;
  record.category = 2;
  ASSERT_EQ(SyncReadNextRecInCategory(&record), 0);
  EXPECT_EQ(+record.recordId, a);
  ASSERT_EQ(SyncReadNextRecInCategory(&record), 0);
  EXPECT_EQ(+record.recordId, d);
  EXPECT_EQ(SyncReadNextRecInCategory(&record), kSyncErrNotFound);
  EXPECT_EQ(SyncResetRecordIndex(handle), 0);
  ASSERT_EQ(SyncReadNextRecInCategory(&record), 0);
  EXPECT_EQ(+record.recordId, a);
}

TEST_F(SyncOperations, EndOfPassPurgesDeletedThenClearsDirty) {
  const uint8_t handle = Create("Movie-Events");
  Write(handle, 0, "kept", 1);
  Write(handle, 0, "gone", 1, kRecAttrDelete);
  uint16_t count = 0;
  ASSERT_EQ(SyncGetDBRecordCount(handle, &count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(SyncFinishPassPurge(handle), 0);
  ASSERT_EQ(SyncGetDBRecordCount(handle, &count), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(SyncFinishPassClearFlags(handle), 0);
  ASSERT_EQ(SyncCloseDB(handle), 0);
  const PalmDatabase db = ReadFile("Movie-Events");
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(db.records[0].attributes, 1);
}

TEST_F(SyncOperations, PurgeAndChangeCategoryTouchOnlyThatCategory) {
  const uint8_t handle = Create("Movie-Events");
  Write(handle, 0, "a", 1);
  Write(handle, 0, "b", 2);
  Write(handle, 0, "c", 1);
  EXPECT_EQ(SyncChangeCategory(handle, 2, 9), 0);
  EXPECT_EQ(SyncPurgeAllRecsInCategory(handle, 1), 0);
  EXPECT_EQ(SyncPurgeAllRecsInCategory(handle, 16), kHsErrBadArgument);
  ASSERT_EQ(SyncCloseDB(handle), 0);
  const PalmDatabase db = ReadFile("Movie-Events");
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(db.records[0].attributes & 0x0F, 9);
}

TEST_F(SyncOperations, AppInfoBlockIsWrittenAndReadWithItsSize) {
  const uint8_t handle = Create("Movie-Events");
  DatabaseBlockInfo info = {};
  info.buffer = buffer_;
  info.bufferSize = sizeof buffer_;
  EXPECT_EQ(SyncReadDBAppInfoBlock(handle, &info), kSyncErrNotFound);
  uint8_t block[100];
  for (int i = 0; i < 100; ++i) block[i] = static_cast<uint8_t>(i);
  DatabaseBlockInfo write = {};
  write.buffer = block;
  write.bufferSize = 100;
  write.byteCount = 100;
  ASSERT_EQ(SyncWriteDBAppInfoBlock(handle, &write), 0);
  info.byteCount = sizeof buffer_;
  ASSERT_EQ(SyncReadDBAppInfoBlock(handle, &info), 0);
  EXPECT_EQ(+info.byteCount, 100);  // above the buffer size: the caller knows it was too large
  EXPECT_EQ(buffer_[63], 63);
  ASSERT_EQ(SyncCloseDB(handle), 0);
  EXPECT_EQ(ReadFile("Movie-Events").appInfo.size(), 100u);
}

TEST_F(SyncOperations, PreferenceIsAbsentThenWrittenAndReadBack) {
  uint8_t data[5000] = {};
  AppPreferenceRequest read = {};
  read.creator = hotsync::FourCharCode("KVRT");
  read.prefId = 4;
  read.requestedSize = 5000;
  read.backedUp = 1;
  read.bufferSize = 5000;
  read.buffer = data;
  EXPECT_EQ(SyncReadAppPreference(&read), kSyncErrNotFound);
  uint8_t value[2] = {0x12, 0x34};
  AppPreferenceRequest write = {};
  write.version = 1;
  write.creator = hotsync::FourCharCode("KVRT");
  write.prefId = 4;
  write.requestedSize = 2;
  write.backedUp = 1;
  write.bufferSize = 2;
  write.buffer = value;
  ASSERT_EQ(SyncWriteAppPreference(&write), 0);
  ASSERT_EQ(SyncReadAppPreference(&read), 0);
  EXPECT_EQ(+read.version, 1);
  EXPECT_EQ(+read.actualSize, 2);
  EXPECT_EQ(+read.returnedSize, 2);
  EXPECT_EQ(data[0], 0x12);
  EXPECT_EQ(data[1], 0x34);
  PalmDatabase prefs;
  std::string error;
  ASSERT_TRUE(reelbox_test::ReadPalmFile(root_.DatabasePath("Saved Preferences", true), &prefs,
                                         &error)) << error;
  EXPECT_EQ(prefs.type, hotsync::FourCharCode("sprf"));
  EXPECT_EQ(prefs.creator, hotsync::FourCharCode("psys"));
  EXPECT_EQ(prefs.attributes, hotsync::kDbAttrResource | hotsync::kDbAttrBackup);
  ASSERT_EQ(prefs.resources.size(), 1u);
  EXPECT_EQ(prefs.resources[0].data, (hotsync::Bytes{0, 1, 0x12, 0x34}));
}

TEST_F(SyncOperations, HandheldClockFollowsTheOffset) {
  uint32_t before = 0;
  ASSERT_EQ(SyncReadSysDateTime(&before), 0);
  HsSetClockOffset(86400);
  uint32_t after = 0;
  ASSERT_EQ(SyncReadSysDateTime(&after), 0);
  EXPECT_GE(after - before, 86400u);
  EXPECT_LE(after - before, 86402u);
}

TEST_F(SyncOperations, RegistrationGivesANonZeroHandle) {
  uint32_t handle = 0;
  ASSERT_EQ(SyncRegisterConduit(&handle), 0);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(SyncUnRegisterConduit(handle), 0);
  EXPECT_EQ(SyncYieldCycles(1), 0);
}

TEST_F(SyncOperations, OperationsWithoutASessionFail) {
  ASSERT_EQ(HsEndSession(), 0);
  uint8_t handle = 0;
  EXPECT_EQ(SyncOpenDB("Movie-Events", 0, &handle, kSyncOpenReadWrite), kHsErrNoSession);
  EXPECT_EQ(LogAddEntry("x", -1, 0), kHsErrNoSession);
  EXPECT_EQ(UmGetUserCount(), 0);
}

TEST_F(SyncOperations, FullDatabaseOf65535RecordsIsWrittenReadAndRefusesOneMore) {
  const uint8_t handle = Create("Movie-Events");
  uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  RecordExchange record = {};
  record.handle = handle;
  record.attributes = kRecAttrDirty;
  record.recordSize = sizeof data;
  record.bufferSize = sizeof data;
  record.buffer = data;
  for (int i = 0; i < 65535; ++i) {
    record.recordId = 0;
    ASSERT_EQ(SyncWriteRec(&record), 0) << i;
  }
  record.recordId = 0;
  EXPECT_EQ(SyncWriteRec(&record), kHsErrFull);
  ASSERT_EQ(SyncCloseDB(handle), 0);
  uint8_t reopened = 0;
  ASSERT_EQ(SyncOpenDB("Movie-Events", 0, &reopened, kSyncOpenReadWrite), 0);
  RecordExchange read = {};
  read.handle = reopened;
  read.buffer = buffer_;
  read.bufferSize = sizeof buffer_;
  for (uint32_t id = 1; id <= 65535; id += 7) {
    read.recordId = id;
    ASSERT_EQ(SyncReadRecordById(&read), 0) << id;
    record.recordId = id;
    record.handle = reopened;
    ASSERT_EQ(SyncWriteRec(&record), 0) << id;
  }
  EXPECT_EQ(SyncCloseDB(reopened), 0);
  EXPECT_EQ(ReadFile("Movie-Events").records.size(), 65535u);
}
