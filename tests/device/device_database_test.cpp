// DeviceDatabase against the stand-in manager's real libraries and handheld files.
#include "device/sync_device_database.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/device_database_holder.h"
#include "hotsync_session.h"
#include "support/handheld.h"

using reelbox_test::TempUserRoot;

namespace {

class DeviceDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText(); }
  void TearDown() override {
    if (HsSessionActive()) HsEndSession();
  }

  DatabaseCreateInfo Info(const char* name) {
    DatabaseCreateInfo info;
    std::memset(&info, 0, sizeof info);
    std::snprintf(info.name, sizeof info.name, "%s", name);
    info.type = hotsync::FourCharCode("QV05");
    info.creator = hotsync::FourCharCode("QVX5");
    info.version = 0x10002;
    return info;
  }

  void CreateOpen(SyncDeviceDatabase* db, const char* name = "Movie-Events") {
    DatabaseCreateInfo info = Info(name);
    ASSERT_EQ(db->Create(&info, 0), DeviceError::kOk);
  }

  uint32_t Add(SyncDeviceDatabase* db, int32_t category, const std::string& data) {
    uint32_t id = 0;
    EXPECT_EQ(db->AddRecordWithId(&id, category, data.data(), static_cast<uint32_t>(data.size())), DeviceError::kOk);
    return id;
  }

  std::string Current(SyncDeviceDatabase* db) {
    std::vector<char> buffer(70000);
    uint32_t size = 0;
    EXPECT_EQ(db->CopyCurrentRecord(buffer.data(), static_cast<uint32_t>(buffer.size()), &size), DeviceError::kOk);
    return std::string(buffer.data(), size);
  }

  std::string Text(DeviceDatabase* db) {
    char text[DeviceDatabase::kErrorTextSize];
    return db->GetErrorText(text);
  }

  hotsync::PalmDatabase File(const char* name) {
    hotsync::PalmDatabase file;
    std::string error;
    EXPECT_TRUE(reelbox_test::ReadPalmFile(root_.DatabasePath(name), &file, &error)) << error;
    return file;
  }

  TempUserRoot root_;
};

TEST_F(DeviceDatabaseTest, OpenOfAMissingDatabaseIsFourWithoutPlatformCodeThenCreateOpensIt) {
  SyncDeviceDatabase db;
  EXPECT_EQ(db.Open("Movie-Events", -1, -1), DeviceError::kNotFound);
  EXPECT_EQ(db.GetErrorCode(), 0u);
  EXPECT_EQ(Text(&db), "");
  EXPECT_FALSE(db.IsOpen());
  CreateOpen(&db);
  EXPECT_TRUE(db.IsOpen());
  EXPECT_STREQ(db.Name(), "Movie-Events");
  DatabaseCreateInfo info = Info("Other");
  EXPECT_EQ(db.Create(&info, 0), DeviceError::kAlreadyOpen);
  EXPECT_EQ(db.Open("Other", -1, -1), DeviceError::kAlreadyOpen);
  EXPECT_STREQ(db.Name(), "Movie-Events");
  EXPECT_EQ(db.Create(nullptr, 0), DeviceError::kNoDescription);
}

TEST_F(DeviceDatabaseTest, CreateOfAnExistingDatabaseIsFiveAndCloseAllowsReopen) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  EXPECT_EQ(db.Close(), DeviceError::kOk);
  EXPECT_FALSE(db.IsOpen());
  EXPECT_STREQ(db.Name(), "");
  EXPECT_EQ(db.Close(), DeviceError::kNotOpen);
  DatabaseCreateInfo info = Info("Movie-Events");
  EXPECT_EQ(db.Create(&info, 0), DeviceError::kExists);
  EXPECT_EQ(db.GetErrorCode(), 0u);
  EXPECT_EQ(db.Open("Movie-Events", -1, -1), DeviceError::kOk);
}

TEST_F(DeviceDatabaseTest, CreateTakesAtMostThirtyOneCharactersOfAnUnterminatedName) {
  SyncDeviceDatabase db;
  DatabaseCreateInfo info = Info("");
  std::memset(info.name, 'N', sizeof info.name);
  ASSERT_EQ(db.Create(&info, 0), DeviceError::kOk);
  EXPECT_EQ(std::string(db.Name()), std::string(31, 'N'));
}

TEST_F(DeviceDatabaseTest, OperationsOnAClosedDatabaseAreTwo) {
  SyncDeviceDatabase db;
  uint32_t n = 0;
  char buffer[8];
  EXPECT_EQ(db.GetRecordCount(&n), DeviceError::kNotOpen);
  EXPECT_EQ(db.ReadFirstRecord(), DeviceError::kNotOpen);
  EXPECT_EQ(db.AddRecord(0, "x", 1), DeviceError::kNotOpen);
  EXPECT_EQ(db.ReadAppInfo(buffer, sizeof buffer), DeviceError::kNotOpen);
  EXPECT_EQ(db.ChangeCategory(1, 2), DeviceError::kNotOpen);
  EXPECT_EQ(db.FinishPassFirst(), DeviceError::kNotOpen);
  EXPECT_EQ(db.ReadRecordAt(0), DeviceError::kNotSupported);
  n = 7;
  EXPECT_EQ(db.GetCurrentIndex(&n), DeviceError::kNotSupported);
  EXPECT_EQ(n, 0u);
}

TEST_F(DeviceDatabaseTest, WalkByIndexVisitsEveryRecordThenSeven) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  EXPECT_EQ(db.ReadNextRecord(), DeviceError::kNoCurrent);
  EXPECT_EQ(db.ReadFirstRecord(), DeviceError::kNoMoreRecords);
  Add(&db, 1, "one");
  Add(&db, 2, "two");
  Add(&db, 1, "three");
  uint32_t count = 0;
  EXPECT_EQ(db.GetRecordCount(&count), DeviceError::kOk);
  EXPECT_EQ(count, 3u);
  std::vector<std::string> seen;
  for (DeviceError r = db.ReadFirstRecord(); r == DeviceError::kOk; r = db.ReadNextRecord()) seen.push_back(Current(&db));
  EXPECT_EQ(seen, (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_FALSE(db.HasCurrentRecord());
  EXPECT_EQ(db.ReadNextRecord(), DeviceError::kNoCurrent);
  EXPECT_EQ(db.WriteCurrentRecord("x", 1, nullptr), DeviceError::kNoCurrent);
}

TEST_F(DeviceDatabaseTest, WalkByCategoryVisitsOnlyThatCategory) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  EXPECT_EQ(db.ReadNextInCategory(1), DeviceError::kNoCurrent);
  Add(&db, 1, "a");
  Add(&db, 2, "b");
  Add(&db, 1, "c");
  std::vector<std::string> seen;
  for (DeviceError r = db.ReadFirstInCategory(1); r == DeviceError::kOk; r = db.ReadNextInCategory(1)) {
    int32_t category = -1;
    EXPECT_EQ(db.GetCurrentCategory(&category), DeviceError::kOk);
    EXPECT_EQ(category, 1);
    seen.push_back(Current(&db));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "c"}));
  EXPECT_FALSE(db.HasCurrentRecord());
  EXPECT_EQ(db.ReadNextInCategory(1), DeviceError::kNoCurrent);
}

TEST_F(DeviceDatabaseTest, LargeRecordsGrowTheBufferAndKeepTheCategoryPosition) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  std::string big(5000, 'B');
  big[4999] = 'E';
  Add(&db, 3, "small");
  Add(&db, 3, big);
  Add(&db, 3, "last");
  ASSERT_EQ(db.ReadFirstInCategory(3), DeviceError::kOk);
  EXPECT_EQ(Current(&db), "small");
  ASSERT_EQ(db.ReadNextInCategory(3), DeviceError::kOk);
  EXPECT_EQ(Current(&db), big);
  EXPECT_EQ(db.BufferSize(), 5100u);
  ASSERT_EQ(db.ReadNextInCategory(3), DeviceError::kOk);
  EXPECT_EQ(Current(&db), "last");
  EXPECT_EQ(db.ReadNextInCategory(3), DeviceError::kNoMoreRecords);
}

TEST_F(DeviceDatabaseTest, LargeRecordIsReadWholeByIndexAndById) {
  std::string big(5000, 'x');
  uint32_t id = 0;
  {
    SyncDeviceDatabase db;
    CreateOpen(&db);
    id = Add(&db, 0, big);
  }
  SyncDeviceDatabase db;
  ASSERT_EQ(db.Open("Movie-Events", -1, -1), DeviceError::kOk);
  ASSERT_EQ(db.ReadFirstRecord(), DeviceError::kOk);
  EXPECT_EQ(Current(&db), big);
  ASSERT_EQ(db.ReadRecordById(id), DeviceError::kOk);
  EXPECT_EQ(Current(&db), big);
  EXPECT_EQ(db.ReadNextRecord(), DeviceError::kNoCurrent);  // a read by id ends the walk
}

TEST_F(DeviceDatabaseTest, CopyIntoASmallBufferIsEightAndReportsTheSize) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  Add(&db, 0, std::string(2000, 'r'));
  ASSERT_EQ(db.ReadFirstRecord(), DeviceError::kOk);
  char buffer[1024];
  uint32_t size = 0;
  EXPECT_EQ(db.CopyCurrentRecord(buffer, sizeof buffer, &size), DeviceError::kBufferTooSmall);
  EXPECT_EQ(size, 2000u);
}

TEST_F(DeviceDatabaseTest, AddThenWriteCurrentRewritesTheRecordJustAdded) {
  uint32_t id = 0;
  {
    SyncDeviceDatabase db;
    CreateOpen(&db);
    id = Add(&db, 2, "first");
    uint32_t current = 0;
    EXPECT_EQ(db.GetCurrentRecordId(&current), DeviceError::kOk);
    EXPECT_EQ(current, id);
    int32_t category = 5;
    EXPECT_EQ(db.WriteCurrentRecord("second", 6, &category), DeviceError::kOk);
    EXPECT_TRUE(db.HasCurrentRecord());
    EXPECT_EQ(db.WriteCurrentRecord("third", 5, nullptr), DeviceError::kOk);  // keeps category 5
  }
  HsEndSession();
  hotsync::PalmDatabase file = File("Movie-Events");
  ASSERT_EQ(file.records.size(), 1u);
  EXPECT_EQ(file.records[0].id, id);
  EXPECT_EQ(std::string(file.records[0].data.begin(), file.records[0].data.end()), "third");
  EXPECT_EQ(file.records[0].attributes, 0x40 | 5);
}

TEST_F(DeviceDatabaseTest, AppInfoRoundTripsAndALargerBlockIsEight) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  std::string block(1960, 'i');
  ASSERT_EQ(db.WriteAppInfo(block.data(), static_cast<uint16_t>(block.size())), DeviceError::kOk);
  std::vector<char> back(1960);
  EXPECT_EQ(db.ReadAppInfo(back.data(), static_cast<uint16_t>(back.size())), DeviceError::kOk);
  EXPECT_EQ(std::string(back.begin(), back.end()), block);
  char small[100];
  EXPECT_EQ(db.ReadAppInfo(small, sizeof small), DeviceError::kBufferTooSmall);
}

TEST_F(DeviceDatabaseTest, CategoriesOutOfRangeAreNineWithoutAPlatformCall) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  HsInjectFault("SyncPurgeAllRecsInCategory", 1, 0x4001);
  EXPECT_EQ(db.PurgeCategory(16), DeviceError::kBadCategory);
  EXPECT_EQ(db.PurgeCategory(-1), DeviceError::kBadCategory);
  EXPECT_EQ(db.ChangeCategory(0, 16), DeviceError::kBadCategory);
  // The fault is still pending: the platform was not called.
  EXPECT_EQ(db.PurgeCategory(3), DeviceError::kPlatformError);
}

TEST_F(DeviceDatabaseTest, PurgeAndChangeCategoryMoveAndRemoveRecords) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  Add(&db, 1, "a");
  Add(&db, 2, "b");
  EXPECT_EQ(db.ChangeCategory(1, 4), DeviceError::kOk);
  EXPECT_FALSE(db.HasCurrentRecord());
  EXPECT_EQ(db.ReadFirstInCategory(4), DeviceError::kOk);
  EXPECT_EQ(Current(&db), "a");
  EXPECT_EQ(db.PurgeCategory(2), DeviceError::kOk);
  EXPECT_EQ(db.ReadFirstInCategory(2), DeviceError::kNoMoreRecords);
}

TEST_F(DeviceDatabaseTest, PlatformCodesAreMappedWithTheirMessages) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  uint32_t id = Add(&db, 0, "x");
  HsInjectFault("SyncWriteRec", 1, 1);
  EXPECT_EQ(db.AddRecord(0, "y", 1), DeviceError::kPlatformError);
  EXPECT_EQ(db.GetErrorCode(), 1u);
  EXPECT_EQ(Text(&db), "An unexpected Palm error occured (1)");
  EXPECT_FALSE(db.HasCurrentRecord());
  EXPECT_EQ(db.ReadRecordById(id + 1000), DeviceError::kNotFound);
  EXPECT_EQ(db.GetErrorCode(), 0x4003u);
  EXPECT_EQ(Text(&db), "Database or record does not exist");
  EXPECT_EQ(db.ReadRecordById(id), DeviceError::kOk);
  EXPECT_EQ(db.GetErrorCode(), 0u);
  EXPECT_EQ(Text(&db), "");
  HsInjectFault("SyncDeleteRec", 1, 0x400B);
  EXPECT_EQ(db.DeleteCurrentRecord(), DeviceError::kExists);
  EXPECT_EQ(Text(&db), "Database already exists");
  EXPECT_FALSE(db.HasCurrentRecord());
}

TEST_F(DeviceDatabaseTest, AFailedCloseLeavesTheDatabaseOpen) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  HsInjectFault("SyncCloseDB", 1, 0x4008);
  EXPECT_EQ(db.Close(), DeviceError::kPlatformError);
  EXPECT_TRUE(db.IsOpen());
  EXPECT_EQ(db.Close(), DeviceError::kOk);
}

TEST_F(DeviceDatabaseTest, TheHolderClosesTheDatabaseItOwns) {
  {
    DeviceDatabase* db = nullptr;
    NewDeviceDatabaseHolder holder(&db);
    ASSERT_NE(db, nullptr);
    DatabaseCreateInfo info = Info("Movie-Lists");
    ASSERT_EQ(db->Create(&info, 0), DeviceError::kOk);
    ASSERT_EQ(db->AddRecord(7, "kept", 4), DeviceError::kOk);
  }
  DeviceDatabase* none = reinterpret_cast<DeviceDatabase*>(&root_);
  DeviceDatabaseHolder empty(&none, false);
  EXPECT_EQ(none, nullptr);
  // Closed by the holder: another object can open it and sees the record.
  SyncDeviceDatabase again;
  ASSERT_EQ(again.Open("Movie-Lists", -1, -1), DeviceError::kOk);
  ASSERT_EQ(again.ReadFirstInCategory(7), DeviceError::kOk);
  EXPECT_EQ(Current(&again), "kept");
}

TEST_F(DeviceDatabaseTest, FinishPassesNeedAnOpenDatabase) {
  SyncDeviceDatabase db;
  CreateOpen(&db);
  Add(&db, 0, "x");
  EXPECT_EQ(db.FinishPassFirst(), DeviceError::kOk);
  EXPECT_EQ(db.FinishPassSecond(), DeviceError::kOk);
}

}  // namespace
