// The Palm database file library: exact round trips and a clear error for each malformed file.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "pdb/byte_arena.h"
#include "pdb/palm_database.h"
#include "support/handheld.h"

using hotsync::Bytes;
using hotsync::PalmDatabase;
using reelbox_test::AddTestRecord;
using reelbox_test::NewRecordDatabase;

namespace {

PalmDatabase SampleRecords() {
  PalmDatabase db = NewRecordDatabase("Movie-Lists", "QV03", "QVX3");
  db.hasAppInfo = true;
  db.appInfo = Bytes{1, 2, 3, 4, 5};
  AddTestRecord(&db, "first", 0x40 | 3);
  AddTestRecord(&db, "", 0x80);
  AddTestRecord(&db, std::string(300, 'x'), 0x15);
  return db;
}

PalmDatabase SampleResources() {
  PalmDatabase db;
  db.name = "Saved Preferences";
  db.attributes = hotsync::kDbAttrResource | hotsync::kDbAttrBackup;
  db.type = hotsync::FourCharCode("sprf");
  db.creator = hotsync::FourCharCode("psys");
  db.resources.push_back({hotsync::FourCharCode("KVRT"), 4, Bytes{0, 1, 0x12, 0x34}});
  db.resources.push_back({hotsync::FourCharCode("abcd"), 0, Bytes{}});
  return db;
}

std::string ParseError(const Bytes& file) {
  PalmDatabase db;
  std::string error;
  EXPECT_FALSE(hotsync::ParsePalmDatabase(file, "bad.pdb", &db, &error));
  return error;
}

void Put32(Bytes* file, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*file)[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

}  // namespace

TEST(PalmDatabase, RecordDatabaseRoundTripsWithAllFields) {
  const PalmDatabase db = SampleRecords();
  const Bytes file = hotsync::SerializePalmDatabase(db);
  PalmDatabase back;
  std::string error;
  ASSERT_TRUE(hotsync::ParsePalmDatabase(file, "x.pdb", &back, &error)) << error;
  EXPECT_EQ(back.name, "Movie-Lists");
  EXPECT_EQ(back.type, hotsync::FourCharCode("QV03"));
  EXPECT_EQ(back.creator, hotsync::FourCharCode("QVX3"));
  EXPECT_EQ(back.creationDate, db.creationDate);
  EXPECT_EQ(back.uniqueIdSeed, db.uniqueIdSeed);
  EXPECT_EQ(back.appInfo, db.appInfo);
  ASSERT_EQ(back.records.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back.records[i].id, db.records[i].id);
    EXPECT_EQ(back.records[i].attributes, db.records[i].attributes);
    EXPECT_EQ(back.records[i].data, db.records[i].data);
  }
  EXPECT_EQ(hotsync::SerializePalmDatabase(back), file);
}

TEST(PalmDatabase, ResourceDatabaseRoundTripsByteForByte) {
  const Bytes file = hotsync::SerializePalmDatabase(SampleResources());
  PalmDatabase back;
  std::string error;
  ASSERT_TRUE(hotsync::ParsePalmDatabase(file, "x.prc", &back, &error)) << error;
  ASSERT_EQ(back.resources.size(), 2u);
  EXPECT_EQ(back.resources[0].type, hotsync::FourCharCode("KVRT"));
  EXPECT_EQ(back.resources[0].id, 4);
  EXPECT_EQ(back.resources[0].data, (Bytes{0, 1, 0x12, 0x34}));
  EXPECT_EQ(hotsync::SerializePalmDatabase(back), file);
}

TEST(PalmDatabase, UnusualValidLayoutsRoundTripByteForByte) {
  // No gap, an empty SortInfo block, an empty last record: all kept exactly.
  PalmDatabase db = SampleRecords();
  db.gap.clear();
  db.hasSortInfo = true;
  AddTestRecord(&db, "", 0);
  Bytes file = hotsync::SerializePalmDatabase(db);
  PalmDatabase back;
  std::string error;
  ASSERT_TRUE(hotsync::ParsePalmDatabase(file, "x.pdb", &back, &error)) << error;
  EXPECT_TRUE(back.hasSortInfo);
  EXPECT_TRUE(back.sortInfo.empty());
  EXPECT_EQ(hotsync::SerializePalmDatabase(back), file);

  // An empty database with only a header and the gap.
  PalmDatabase empty = NewRecordDatabase("Empty", "DATA", "test");
  file = hotsync::SerializePalmDatabase(empty);
  EXPECT_EQ(file.size(), 80u);
  ASSERT_TRUE(hotsync::ParsePalmDatabase(file, "x.pdb", &back, &error)) << error;
  EXPECT_EQ(hotsync::SerializePalmDatabase(back), file);
}

TEST(PalmDatabase, ShortHeaderIsReported) {
  Bytes file = hotsync::SerializePalmDatabase(SampleRecords());
  file.resize(77);
  EXPECT_EQ(ParseError(file), "Palm database file \"bad.pdb\" is damaged: short header (77 bytes, 78 needed)");
  EXPECT_NE(ParseError(Bytes()).find("short header (0 bytes"), std::string::npos);
}

TEST(PalmDatabase, RecordCountThatDoesNotFitIsReported) {
  Bytes file = hotsync::SerializePalmDatabase(SampleRecords());
  file[76] = 0x10;  // 4099 records in a file of a few hundred bytes
  EXPECT_NE(ParseError(file).find("record count 4099 does not fit"), std::string::npos);
}

TEST(PalmDatabase, NonZeroNextRecordListIsReported) {
  Bytes file = hotsync::SerializePalmDatabase(SampleRecords());
  file[75] = 1;
  EXPECT_NE(ParseError(file).find("non-zero next record list id (0x00000001)"), std::string::npos);
}

TEST(PalmDatabase, OffsetPastTheEndIsReported) {
  Bytes file = hotsync::SerializePalmDatabase(SampleRecords());
  Put32(&file, 78 + 2 * 8, static_cast<uint32_t>(file.size() + 1));
  EXPECT_NE(ParseError(file).find("of record 2 is past the end of the file"), std::string::npos);
  file = hotsync::SerializePalmDatabase(SampleRecords());
  Put32(&file, 52, 0xFFFFFFF0u);
  EXPECT_NE(ParseError(file).find("of AppInfo block is past the end"), std::string::npos);
}

TEST(PalmDatabase, OffsetsOutOfOrderAreReported) {
  Bytes file = hotsync::SerializePalmDatabase(SampleRecords());
  Put32(&file, 78, 200);  // record 0 after record 1's start
  EXPECT_NE(ParseError(file).find("of record 1 is out of order"), std::string::npos);
  file = hotsync::SerializePalmDatabase(SampleRecords());
  Put32(&file, 52, 10);  // AppInfo inside the header
  EXPECT_NE(ParseError(file).find("of AppInfo block is out of order"), std::string::npos);
}

TEST(PalmDatabase, UnterminatedNameIsReported) {
  Bytes file = hotsync::SerializePalmDatabase(SampleRecords());
  for (size_t i = 0; i < 32; ++i) file[i] = 'A';
  EXPECT_NE(ParseError(file).find("name is not terminated"), std::string::npos);
}

TEST(PalmDatabase, EveryTruncationIsRejectedOrReadWithoutCrash) {
  const Bytes full = hotsync::SerializePalmDatabase(SampleRecords());
  for (size_t size = 0; size < full.size(); ++size) {
    Bytes file(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
    PalmDatabase db;
    std::string error;
    if (!hotsync::ParsePalmDatabase(file, "cut.pdb", &db, &error)) {
      EXPECT_EQ(error.find("Palm database file \"cut.pdb\" is damaged: "), 0u);
    } else {
      EXPECT_EQ(hotsync::SerializePalmDatabase(db), file);
    }
  }
}

TEST(PalmDatabase, FourCharCodesReadMostSignificantFirst) {
  EXPECT_EQ(hotsync::FourCharCode("KVRT"), 0x4B565254u);
  EXPECT_EQ(hotsync::FourCharText(0x4B565254u), "KVRT");
}

TEST(PalmDatabase, BytesAfterTheNameTerminatorAreKeptUntilTheNameChanges) {
  Bytes file = hotsync::SerializePalmDatabase(SampleRecords());
  file[29] = 'g';  // junk after the terminator, as some desktop tools leave it
  PalmDatabase db;
  std::string error;
  ASSERT_TRUE(hotsync::ParsePalmDatabase(file, "x.pdb", &db, &error)) << error;
  EXPECT_EQ(db.name, "Movie-Lists");
  EXPECT_EQ(hotsync::SerializePalmDatabase(db), file);
  db.name = "Renamed";
  const Bytes renamed = hotsync::SerializePalmDatabase(db);
  EXPECT_EQ(renamed[29], 0);
  EXPECT_EQ(std::string(renamed.begin(), renamed.begin() + 8), std::string("Renamed\0", 8));
}

TEST(PalmDatabase, RecordsShareTheFileBytesButChangeAlone) {
  const Bytes file = hotsync::SerializePalmDatabase(SampleRecords());
  PalmDatabase db;
  std::string error;
  {
    std::unique_ptr<uint8_t[]> storage(new uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), storage.get());
    ASSERT_TRUE(hotsync::ParsePalmDatabase(hotsync::SharedBytes(std::move(storage), file.size()), "x.pdb",
                                           &db, &error)) << error;
  }
  PalmDatabase copy = db;
  // From its own bytes: the source must survive the change.
  copy.records[2].data.assign(copy.records[2].data.data() + 1, 5);
  EXPECT_EQ(copy.records[2].data, (Bytes{'x', 'x', 'x', 'x', 'x'}));
  EXPECT_EQ(db.records[2].data, Bytes(300, 'x'));
  const hotsync::SharedBytes held = copy.records[2].data;
  copy.records[2].data.assign(copy.records[0].data.data(), 3);
  EXPECT_EQ(held, (Bytes{'x', 'x', 'x', 'x', 'x'}));
  EXPECT_EQ(copy.records[2].data, (Bytes{'f', 'i', 'r'}));
  copy.records[0].data = Bytes{};
  EXPECT_TRUE(copy.records[0].data.empty());
  EXPECT_EQ(hotsync::SerializePalmDatabase(db), file);
}

TEST(PalmDatabase, WrittenRecordsKeepTheirBytesInAnArenaAndAfterIt) {
  std::vector<Bytes> sources;
  std::vector<hotsync::SharedBytes> copies;
  {
    // A budget that runs out part way, sizes that cross block ends, some too large to share.
    hotsync::ByteArena arena(300 * 1024);
    for (size_t i = 0; i < 3000; ++i) {
      Bytes bytes(i % 7 == 0 ? 20000 + i : i % 301);
      for (size_t j = 0; j < bytes.size(); ++j) bytes[j] = static_cast<uint8_t>(i + j * 7);
      copies.push_back(arena.Copy(bytes.data(), bytes.size()));
      sources.push_back(std::move(bytes));
    }
  }
  for (size_t i = 0; i < sources.size(); ++i) EXPECT_EQ(copies[i], sources[i]) << i;
}
