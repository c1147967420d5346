// Movie items read from and written to a Movie-Lists database of the stand-in handheld.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/sync_device_database.h"
#include "hotsync_session.h"
#include "movies/movie_categories.h"
#include "movies/movie_item.h"
#include "movies/record_generator.h"
#include "mymovies/movie_lists_block.h"
#include "support/handheld.h"

namespace {

class MovieHandheldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText();
    DatabaseCreateInfo info;
    std::memset(&info, 0, sizeof info);
    std::snprintf(info.name, sizeof info.name, "%s", kMovieListsName);
    info.type = kMovieListsType;
    info.creator = kMovieListsCreator;
    info.version = kMovieListsVersion;
    ASSERT_EQ(db_.Create(&info, 0), DeviceError::kOk);
    uint8_t block[kMovieListsBlockSize];
    BuildMovieListsBlock(block);
    ASSERT_EQ(db_.WriteAppInfo(block, sizeof block), DeviceError::kOk);
  }
  void TearDown() override {
    db_.Close();
    if (HsSessionActive()) HsEndSession();
  }

  reelbox_test::TempUserRoot root_;
  SyncDeviceDatabase db_;
};

TEST_F(MovieHandheldTest, ReadFromTakesTheRecordItsIdAndCategory) {
  record_generator::Options everything;
  everything.exportable = false;
  std::vector<std::vector<uint8_t>> records;
  std::vector<uint32_t> ids;
  for (uint32_t n = 0; n < 20; ++n) {
    records.push_back(record_generator::PackedRecord(n, everything));
    uint32_t id = 0;
    ASSERT_EQ(db_.AddRecordWithId(&id, static_cast<int32_t>(n % 6), records.back().data(),
                                  static_cast<uint32_t>(records.back().size())),
              DeviceError::kOk);
    ids.push_back(id);
  }
  size_t n = 0;
  for (DeviceError r = db_.ReadFirstRecord(); r == DeviceError::kOk; r = db_.ReadNextRecord(), ++n) {
    MovieItem item;
    ASSERT_EQ(item.ReadFrom(&db_), DeviceError::kOk);
    EXPECT_TRUE(item.IsPackedValid());
    EXPECT_FALSE(item.IsTransValid());
    EXPECT_EQ(item.GetRecordId(), ids[n]);
    EXPECT_EQ(item.GetCategory(), n % 6);
    uint32_t size = 0;
    const uint8_t* packed = item.GetPackedRecord(&size);
    ASSERT_EQ(std::vector<uint8_t>(packed, packed + size), records[n]);
  }
  EXPECT_EQ(n, records.size());
}

TEST_F(MovieHandheldTest, ReadFromFailsCleanlyWithoutARecordOrWithAnOversizedOne) {
  MovieItem item;
  EXPECT_EQ(item.ReadFrom(nullptr), DeviceError::kNotOpen);
  EXPECT_EQ(item.GetPackedRecord(), nullptr);
  EXPECT_EQ(item.ReadFrom(&db_), DeviceError::kNoCurrent);
  EXPECT_FALSE(item.IsPackedValid());
  EXPECT_EQ(item.GetRecordId(), 0xFFFFFFFFu);
  std::string big(4000, 'x');
  ASSERT_EQ(db_.AddRecord(2, big.data(), static_cast<uint32_t>(big.size())), DeviceError::kOk);
  ASSERT_EQ(db_.ReadFirstRecord(), DeviceError::kOk);
  EXPECT_EQ(item.ReadFrom(&db_), DeviceError::kBufferTooSmall);
  EXPECT_FALSE(item.IsPackedValid());
  EXPECT_FALSE(item.IsTransValid());
  EXPECT_EQ(item.GetCategory(), 2u);
}

TEST_F(MovieHandheldTest, AnItemWrittenToTheHandheldReadsBackByteForByte) {
  MovieItem item;
  item.Reset();
  item.SetTitle("Alien");
  item.SetYear(1979);
  item.SetRunTime("117");
  item.SetAwardsAttr((1u << 7) | 53);
  uint32_t size = 0;
  const uint8_t* packed = item.GetPackedRecord(&size);
  ASSERT_EQ(db_.AddRecord(3, packed, size), DeviceError::kOk);
  ASSERT_EQ(db_.ReadFirstRecord(), DeviceError::kOk);
  MovieItem back;
  ASSERT_EQ(back.ReadFrom(&db_), DeviceError::kOk);
  EXPECT_TRUE(back.IsSameAs(item));
  EXPECT_STREQ(back.Describe(), "Alien (DVD-1979, 117m)");
  uint32_t back_size = 0;
  const uint8_t* back_packed = back.GetPackedRecord(&back_size);
  EXPECT_EQ(std::vector<uint8_t>(back_packed, back_packed + back_size), std::vector<uint8_t>(packed, packed + size));
}

TEST_F(MovieHandheldTest, CategoriesLoadFromTheDatabasesBlock) {
  MovieCategories categories(&db_);
  categories.Load();
  EXPECT_EQ(categories.Count(), 6);
  EXPECT_EQ(categories.FindExact("to rent"), 5);
  TextString name;
  ASSERT_TRUE(categories.GetName(2, name));
  EXPECT_STREQ(name.Text(), "My Top 20");
  db_.Close();
  categories.Load();  // a failed read leaves the index empty
  EXPECT_EQ(categories.Count(), 0);
  EXPECT_EQ(categories.FindExact("to rent"), -1);
}

}  // namespace
