#include "movies/movie_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "movies/movie_item.h"

using namespace movie_record;

namespace {

std::vector<uint8_t> Packed(const std::vector<std::string>& texts, uint8_t fill = 0) {
  std::vector<uint8_t> bytes(kFixedSize, fill);
  for (const std::string& text : texts) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
  }
  return bytes;
}

TEST(MovieRecord, EmptyTextsPackTo45BytesAndFullTextsTo2994) {
  MovieTransRecord trans;
  std::memset(&trans, 0, sizeof trans);
  uint8_t out[kPackedBufferSize];
  EXPECT_EQ(PackMovieRecord(trans, out), 45u);
  for (int i = 0; i < kTextFieldCount; ++i) {
    char* text = trans.Text(static_cast<TextField>(i));
    std::memset(text, 'a' + i, kCapacity[i] - 1);
  }
  EXPECT_EQ(PackMovieRecord(trans, out), 2994u);
  // A field without its NUL (filled to the brim) is cut to capacity - 1.
  std::memset(trans.title, 'z', sizeof trans.title);
  EXPECT_EQ(PackMovieRecord(trans, out), 2994u);
}

TEST(MovieRecord, UnpackThenPackReproducesTheRecordByteForByte) {
  std::vector<uint8_t> bytes = Packed({"Alien", "", "C-1", "Ridley Scott", "UK", "Sigourney Weaver",
                                       "Shop", "9.99", "117", "a review", "notes"});
  for (size_t i = 0; i < kFixedSize; ++i) bytes[i] = static_cast<uint8_t>(0xA5 ^ (i * 37));
  MovieTransRecord trans;
  UnpackMovieRecord(bytes.data(), bytes.size(), &trans);
  EXPECT_STREQ(trans.title, "Alien");
  EXPECT_STREQ(trans.review, "a review");
  EXPECT_STREQ(trans.notes, "notes");
  uint8_t out[kPackedBufferSize];
  ASSERT_EQ(PackMovieRecord(trans, out), bytes.size());
  EXPECT_EQ(std::memcmp(out, bytes.data(), bytes.size()), 0);
}

TEST(MovieRecord, UnpackOfATruncatedRecordLeavesTheMissingTextsEmpty) {
  std::vector<uint8_t> bytes = Packed({"Title", "Loc"});
  bytes.push_back('C');  // the third text starts but the record ends inside it
  MovieTransRecord trans;
  UnpackMovieRecord(bytes.data(), bytes.size(), &trans);
  EXPECT_STREQ(trans.title, "Title");
  EXPECT_STREQ(trans.location, "Loc");
  EXPECT_STREQ(trans.catalog, "C");
  EXPECT_STREQ(trans.director, "");
  EXPECT_STREQ(trans.notes, "");
  // A record shorter than its fixed part.
  UnpackMovieRecord(bytes.data(), 10, &trans);
  EXPECT_EQ(std::memcmp(trans.fixed, bytes.data(), 10), 0);
  EXPECT_EQ(trans.fixed[10], 0);
  EXPECT_STREQ(trans.title, "");
}

TEST(MovieRecord, UnpackCutsAnOverlongTextAndKeepsTheFollowingFieldsAligned) {
  std::vector<uint8_t> bytes = Packed({std::string(400, 'T'), "Location", std::string(50, 'c')});
  MovieTransRecord trans;
  UnpackMovieRecord(bytes.data(), bytes.size(), &trans);
  EXPECT_EQ(std::string(trans.title), std::string(180, 'T'));
  EXPECT_STREQ(trans.location, "Location");
  EXPECT_EQ(std::string(trans.catalog), std::string(10, 'c'));
}

// A record read from the handheld shows its texts in place: each must be what unpacking gives.
TEST(MovieRecord, APackedItemShowsTheTextsItsUnpackedFormHolds) {
  std::vector<uint8_t> truncated = Packed({"Title", "Loc"});
  truncated.push_back('C');
  const std::vector<std::vector<uint8_t>> records = {
      Packed({"Alien", "", "C-1", "Ridley Scott", "UK", "Sigourney Weaver", "Shop", "9.99", "117", "a review", "notes"}),
      Packed({std::string(400, 'T'), "Location", std::string(50, 'c'), "", "", "", "", "12345678", "99999"}),
      truncated, std::vector<uint8_t>(truncated.begin(), truncated.begin() + 10)};
  for (const std::vector<uint8_t>& bytes : records) {
    MovieTransRecord trans;
    UnpackMovieRecord(bytes.data(), bytes.size(), &trans);
    MovieItem item;
    ASSERT_TRUE(item.SetPackedRecord(bytes.data(), static_cast<uint32_t>(bytes.size())));
    for (int i = 0; i < kTextFieldCount; ++i) {
      const TextField field = static_cast<TextField>(i);
      EXPECT_EQ(item.TextView(field), std::string(trans.Text(field))) << "text " << i;
    }
    EXPECT_FALSE(item.IsTransValid());
    // After a change the texts come from the changed item.
    item.SetPrice("1.00");
    EXPECT_EQ(item.TextView(kPrice), "1.00");
    EXPECT_EQ(item.TextView(kTitle), std::string(trans.title));
  }
}

// An item packs its texts by the lengths it keeps: the bytes must be those of a walk to each NUL.
TEST(MovieRecord, AnItemPacksWhatAWalkToEachNulPacks) {
  const std::vector<std::string> titles = {"", "A", std::string(16, 't'), std::string(500, 'T')};
  for (const std::string& title : titles) {
    std::vector<uint8_t> bytes = Packed({"Old title", "Loc", "C-1", "Director", "", "Cast", "", "9.99", "117", "", "notes"});
    MovieItem item;
    item.SetPackedRecord(bytes.data(), static_cast<uint32_t>(bytes.size()));
    item.SetTitle(title.c_str());
    item.SetNotes(std::string(600, 'n').c_str());
    item.SetCatalog("");
    item.SetLocation(item.GetLocation() + 1);  // from the item's own array
    uint32_t size = 0;
    const uint8_t* packed = item.GetPackedRecord(&size);
    uint8_t walked[kPackedBufferSize];
    const size_t walked_size = PackMovieRecord(*item.GetTransRecord(), walked);
    ASSERT_EQ(std::vector<uint8_t>(packed, packed + size), std::vector<uint8_t>(walked, walked + walked_size));
    EXPECT_EQ(item.TextView(kTitle), title.substr(0, kCapacity[kTitle] - 1));
    EXPECT_EQ(item.TextView(kLocation), "oc");
  }
}

TEST(MovieItem, AShortHandheldRecordReadsNumbersAsZeroPastItsEnd) {
  uint8_t bytes[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x03, 0x07, 0, 0xAA, 0xBB};
  MovieItem item;
  ASSERT_TRUE(item.SetPackedRecord(bytes, sizeof bytes));
  EXPECT_EQ(item.GetGenre(), 3u);
  EXPECT_EQ(item.GetStatus(), 7u);
  EXPECT_EQ(item.GetLoanDate(), 0xAABB0000u);
  EXPECT_EQ(item.GetAwardsAttr(), 0u);
  EXPECT_STREQ(item.GetTitle(), "");
}

}  // namespace
