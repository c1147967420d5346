#include "movies/movie_item.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "movies/bit_array.h"
#include "support/log_capture.h"
#include "movies/record_generator.h"
#include "platform/env.h"

namespace {

MovieItem NewItem() {
  MovieItem item;
  item.Reset();
  return item;
}

MovieItem FromHandheld(uint32_t n, record_generator::Options options = {}) {
  std::vector<uint8_t> bytes = record_generator::PackedRecord(n, options);
  MovieItem item;
  item.SetPackedRecord(bytes.data(), static_cast<uint32_t>(bytes.size()));
  return item;
}

TEST(MovieItem, ResetGivesTheNewItemDefaults) {
  MovieItem item = NewItem();
  EXPECT_TRUE(item.IsTransValid());
  EXPECT_FALSE(item.IsPackedValid());
  EXPECT_EQ(item.GetProdAttr(), 0x0200u);
  EXPECT_EQ(item.GetMediaRegion(), 1u);
  EXPECT_FALSE(item.GetOwned());
  EXPECT_TRUE(item.GetViewed());
  EXPECT_EQ(item.GetCategory(), 0u);
  EXPECT_EQ(item.GetRecordId(), 0xFFFFFFFFu);
  EXPECT_EQ(item.GetMediaAttr(), 1u);
  EXPECT_EQ(item.GetStatus(), 2u);
  uint32_t size = 0;
  ASSERT_NE(item.GetPackedRecord(&size), nullptr);
  EXPECT_EQ(size, 45u);
}

TEST(MovieItem, ConvertsBetweenFormsOnlyWhenNeeded) {
  MovieItem item = FromHandheld(5);
  EXPECT_TRUE(item.IsPackedValid());
  EXPECT_FALSE(item.IsTransValid());
  item.GetGenre();  // numbers read from the packed bytes
  EXPECT_FALSE(item.IsTransValid());
  item.GetTitle();
  EXPECT_TRUE(item.IsTransValid());
  EXPECT_TRUE(item.IsPackedValid());
  item.SetOwned(true);
  EXPECT_TRUE(item.IsTransValid());
  EXPECT_FALSE(item.IsPackedValid());
  EXPECT_NE(item.GetPackedRecord(), nullptr);
  EXPECT_TRUE(item.IsPackedValid());
  EXPECT_TRUE(item.GetOwned());
}

TEST(MovieItem, AnUnchangedRecordPacksBackByteForByte) {
  record_generator::Options everything;
  everything.exportable = false;  // first word, unused bits, review and all
  for (uint32_t n = 0; n < 200; ++n) {
    std::vector<uint8_t> bytes = record_generator::PackedRecord(n, everything);
    MovieItem item;
    item.SetPackedRecord(bytes.data(), static_cast<uint32_t>(bytes.size()));
    item.GetTitle();
    item.SetTitle(std::string(item.GetTitle()).c_str());  // force a repack from the trans form
    uint32_t size = 0;
    const uint8_t* packed = item.GetPackedRecord(&size);
    ASSERT_EQ(std::vector<uint8_t>(packed, packed + size), bytes) << "record " << n;
  }
}

TEST(MovieItem, ASetterOnAnEmptyItemLeavesItEmpty) {
  LogCapture log;
  MovieItem item;
  item.ResetAll();
  item.SetLoanDate(12345);
  item.SetTitle("x");
  EXPECT_FALSE(item.IsTransValid());
  EXPECT_FALSE(item.IsPackedValid());
  EXPECT_EQ(item.GetLoanDate(), 0u);
  EXPECT_EQ(item.GetPackedRecord(), nullptr);
  EXPECT_EQ(item.GetPackedSize(), 0u);
  EXPECT_EQ(item.GetTransRecord(), nullptr);
  EXPECT_TRUE(log.Has("No valid movie item record attempting to set loan date!\n"));
  EXPECT_TRUE(log.Has("No valid trans record attempting to set Title!\n"));
  EXPECT_TRUE(log.Has("No valid movie item record attempting to get loan date!\n"));
  EXPECT_TRUE(log.Has("Unexpected zero-length packed record!\n"));
  EXPECT_STREQ(item.GetReview(), "");
  EXPECT_TRUE(log.Has("No valid trans record attempting to get review!\n"));
}

TEST(MovieItem, MediaRegionAndQuantityStayInsideTheirBits) {
  MovieItem item = NewItem();
  item.SetMediaType(7);
  item.SetMediaRegion(9);
  EXPECT_EQ(item.GetMediaRegion(), 6u);
  item.SetMediaQuantity(0);
  EXPECT_EQ(item.GetMediaQuantity(), 1u);
  item.SetMediaQuantity(1);
  EXPECT_EQ(item.GetMediaQuantity(), 1u);
  item.SetMediaQuantity(16);
  EXPECT_EQ(item.GetMediaQuantity(), 16u);
  item.SetMediaQuantity(200);
  EXPECT_EQ(item.GetMediaQuantity(), 16u);
  EXPECT_EQ(item.GetMediaType(), 7u);
  EXPECT_EQ(item.GetMediaRegion(), 6u);
}

TEST(MovieItem, YearSetterWrapsAtTheSevenBitOffset) {
  MovieItem item = NewItem();
  item.SetMadeForTV(true);
  item.SetYear(2031);
  EXPECT_EQ(item.GetYearOffset() + 1904, 2031u);
  EXPECT_STREQ(item.GetYearText().Text(), "2031");
  item.SetYear(2032);
  EXPECT_EQ(item.GetYearOffset(), 0u);
  EXPECT_STREQ(item.GetYearText().Text(), "");
  item.SetYear(50);
  EXPECT_STREQ(item.GetYearText().Text(), "1954");
  EXPECT_TRUE(item.GetMadeForTV());
  EXPECT_EQ(item.GetProdAttr() & 0xFF80u, 0x0280u);
}

TEST(MovieItem, ColorFalseStoresColourCodeOne) {
  MovieItem item = NewItem();
  item.SetColor(false);
  EXPECT_EQ(item.GetProdAttr(), 0x0100u);
  EXPECT_FALSE(item.GetColor());
  item.SetColor(true);
  EXPECT_EQ(item.GetProdAttr(), 0x0200u);
  EXPECT_EQ(item.GetColorCode(), 2u);
}

TEST(MovieItem, AudioAndScreenSettersClearTheHighHalfOfTechAttr) {
  MovieItem item = NewItem();
  item.SetTechAttr(0xABCD03C0u);  // bits 6-9 set, high half set
  item.SetAudioFlags(0x25);
  EXPECT_EQ(item.GetTechAttr(), 0x000003E5u);
  item.SetTechAttr(0xABCD003Fu | (1u << 9) | (3u << 6));
  item.SetScreenEncoding(4);
  // Bits 6-8 replaced, bit 9 and bits 0-5 kept.
  EXPECT_EQ(item.GetTechAttr(), 0x0000003Fu | (1u << 9) | (4u << 6));
  EXPECT_EQ(item.GetAudioFlags(), 0x3Fu);
}

TEST(MovieItem, OutOfRangeIndexesReadAsRowZero) {
  MovieItem item = NewItem();
  item.SetWideScreenProcess(200);
  EXPECT_STREQ(item.GetFilmProcessName(), "");
  item.SetWideScreenProcess(77);
  EXPECT_STREQ(item.GetFilmProcessName(), "Widescreen");
  item.SetLoanStatus(7);
  EXPECT_EQ(item.GetLoanStatus(), 7u);
  char text[32];
  int32_t size = sizeof text;
  ASSERT_TRUE(item.GetFieldText(Env::Default().Time(), ToInt(MovieField::kLoanStatus), text, &size));
  EXPECT_STREQ(text, "None");
  item.SetMediaType(12);
  EXPECT_STREQ(item.GetMediaTypeName(), "DVD");
}

TEST(MovieItem, GenreNamesJoinTheSetBitsWithSlashes) {
  MovieItem item = NewItem();
  item.SetGenre((1u << 0) | (1u << 11));
  EXPECT_STREQ(item.GetGenreNames().Text(), "Action/Mystery/Thriller");
  item.SetGenre(0);
  EXPECT_STREQ(item.GetGenreNames().Text(), "");
}

TEST(MovieItem, TextSettersCutAtCapacityAndPadWithNul) {
  MovieItem item = NewItem();
  item.SetTitle(std::string(200, 'x').c_str());
  EXPECT_EQ(std::string(item.GetTitle()), std::string(180, 'x'));
  item.SetRunTime("12345");
  EXPECT_STREQ(item.GetRunTime(), "123");
  item.SetTitle("ab");
  const MovieTransRecord* trans = item.GetTransRecord();
  for (size_t i = 2; i < sizeof trans->title; ++i) ASSERT_EQ(trans->title[i], 0);
  item.SetTitle(item.GetTitle() + 1);  // the field's own text
  EXPECT_STREQ(item.GetTitle(), "b");
}

TEST(MovieItem, IsSameAsComparesTrimmedTextsAndDatesByDay) {
  MovieItem a = NewItem();
  MovieItem b = NewItem();
  a.SetTitle("  Alien\t");
  b.SetTitle("Alien");
  EXPECT_TRUE(a.IsSameAs(b));
  b.SetTitle("ALIEN");
  EXPECT_FALSE(a.IsSameAs(b));
  b.SetTitle("Alien");
  a.SetLoanDate(3000000000u - 3000000000u % 86400u + 10);
  b.SetLoanDate(3000000000u - 3000000000u % 86400u + 80000);
  EXPECT_TRUE(a.IsSameAs(b));
  b.SetLoanDate(3000000000u - 3000000000u % 86400u + 86400);
  EXPECT_FALSE(a.IsSameAs(b));
  b.SetLoanDate(a.GetLoanDate());
  a.SetNotes("   ");
  EXPECT_TRUE(a.IsSameAs(b));
  b.SetCategory(5);  // category takes no part
  EXPECT_TRUE(a.IsSameAs(b));
  b.SetMyRating(3);
  EXPECT_FALSE(a.IsSameAs(b));
}

TEST(MovieItem, TrimmedComparisonOrdersPrefixesAndEmptyTexts) {
  EXPECT_EQ(CompareTrimmed("abc", "abcd"), -1);
  EXPECT_EQ(CompareTrimmed("abcd", "abc"), 1);
  EXPECT_EQ(CompareTrimmed("", "a"), -1);
  EXPECT_EQ(CompareTrimmed("a", " "), 1);
  EXPECT_EQ(CompareTrimmed(" \r\n", ""), 0);
  EXPECT_EQ(CompareTrimmed(nullptr, nullptr), 0);
  EXPECT_EQ(CompareTrimmed(nullptr, ""), -1);
  EXPECT_EQ(CompareTrimmed("", nullptr), 1);
  EXPECT_EQ(CompareTrimmed("\xE9", "a"), 1);  // unsigned bytes
}

TEST(MovieItem, AssignmentClearsTheMarkersAndCopyConstructionKeepsThem) {
  MovieItem source = FromHandheld(3);
  source.SetOnDesktop(1);
  source.SetMatched(1);
  source.SetWriteBack(1);
  source.FieldsPresent().Set(ToInt(MovieField::kCast), 1);
  MovieItem assigned;
  assigned.SetMatched(1);
  assigned = source;
  EXPECT_EQ(assigned.OnDesktop(), 0);
  EXPECT_EQ(assigned.Matched(), 0);
  EXPECT_EQ(assigned.WriteBack(), 0);
  EXPECT_EQ(assigned.FieldsPresent().Get(7), 1);
  EXPECT_TRUE(assigned.IsSameAs(source));
  MovieItem copied(source);
  EXPECT_EQ(copied.OnDesktop(), 1);
  EXPECT_EQ(copied.Matched(), 1);
  EXPECT_EQ(copied.WriteBack(), 1);
  uint32_t a_size = 0, b_size = 0;
  const uint8_t* a = copied.GetPackedRecord(&a_size);
  const uint8_t* b = source.GetPackedRecord(&b_size);
  ASSERT_EQ(a_size, b_size);
  EXPECT_NE(a, b);
  EXPECT_EQ(std::vector<uint8_t>(a, a + a_size), std::vector<uint8_t>(b, b + b_size));
}

TEST(MovieItem, CopyPresentFieldsCopiesOnlyThePresentFields) {
  MovieItem source = NewItem();
  source.SetTitle("Source");
  source.SetDirector("Someone");
  MovieItem target = NewItem();
  target.SetTitle("Target");
  target.CopyPresentFields(Env::Default().Time(), source);
  EXPECT_STREQ(target.GetTitle(), "Target");
  source.FieldsPresent().Set(ToInt(MovieField::kDirector), 1);
  target.CopyPresentFields(Env::Default().Time(), source);
  EXPECT_STREQ(target.GetTitle(), "Target");
  EXPECT_STREQ(target.GetDirector(), "Someone");
  EXPECT_EQ(target.FieldsPresent().Get(2), 0);
}

// From another movie item some fields are copied as values: the result must be what copying
// every field through its text gives, whatever bits the records hold.
TEST(MovieItem, CopyingFromAMovieItemEqualsCopyingThroughTheTexts) {
  Clock& clock = Env::Default().Time();
  for (uint32_t n = 0; n < 200; ++n) {
    record_generator::Options options;
    options.exportable = n % 2 == 0;
    std::vector<uint8_t> from = record_generator::PackedRecord(n, options);
    std::vector<uint8_t> to = record_generator::PackedRecord(n + 1000, options);
    MovieItem source;
    source.SetPackedRecord(from.data(), static_cast<uint32_t>(from.size()));
    for (int32_t field = 0; field < kMovieFieldCount; ++field) source.FieldsPresent().Set(field, (field + n) % 5 != 0);
    MovieItem by_value;
    MovieItem by_text;
    by_value.SetPackedRecord(to.data(), static_cast<uint32_t>(to.size()));
    by_text.SetPackedRecord(to.data(), static_cast<uint32_t>(to.size()));
    by_value.CopyPresentFields(clock, source);
    by_text.CopyPresentFields(clock, static_cast<DataRecord&>(source));
    uint32_t value_size = 0;
    uint32_t text_size = 0;
    const uint8_t* value_bytes = by_value.GetPackedRecord(&value_size);
    const uint8_t* text_bytes = by_text.GetPackedRecord(&text_size);
    ASSERT_EQ(std::vector<uint8_t>(value_bytes, value_bytes + value_size),
              std::vector<uint8_t>(text_bytes, text_bytes + text_size))
        << "record " << n;
  }
}

TEST(BitArray, StoresBitsMostSignificantFirstAndGrowsOnSet) {
  BitArray bits;
  EXPECT_EQ(bits.ByteCount(), 1);
  bits.Set(0, 1);
  bits.Set(9, 1);  // beyond the first byte: grows to 41 bits
  EXPECT_EQ(bits.BitCount(), 41);
  EXPECT_EQ(bits.ByteCount(), 6);
  EXPECT_EQ(bits.Get(0), 1);
  EXPECT_EQ(bits.Get(1), 0);
  EXPECT_EQ(bits.Get(9), 1);
  EXPECT_EQ(bits.Get(1000), 0);
  EXPECT_EQ(bits.Get(-1), 0);
  BitArray copy;
  copy.Assign(bits);
  EXPECT_EQ(copy.Get(9), 1);
  EXPECT_EQ(copy.BitCount(), 41);
  bits.Resize(7);  // one byte
  EXPECT_EQ(bits.Get(0), 1);
  EXPECT_EQ(bits.Get(9), 0);
  bits.SetAll(1);
  EXPECT_EQ(bits.Get(7), 1);
  bits.Set(7, 0);
  EXPECT_EQ(bits.Get(7), 0);
}

}  // namespace
