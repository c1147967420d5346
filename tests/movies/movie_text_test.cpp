#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "diag/handheld_link.h"
#include "movies/movie_categories.h"
#include "movies/movie_item.h"
#include "movies/movie_lookup.h"
#include "movies/movie_tables.h"
#include "movies/record_generator.h"
#include "platform/env.h"
#include "support/fixed_clock.h"

namespace {

MovieItem NewItem() {
  MovieItem item;
  item.Reset();
  return item;
}

// The clock that date texts are read and written with, unless a test hands its own.
Clock& DesktopClock() { return Env::Default().Time(); }

std::string Field(MovieItem& item, MovieField field, Clock& clock = DesktopClock()) {
  const int32_t index = ToInt(field);
  char text[2000];
  int32_t size = sizeof text;
  EXPECT_TRUE(item.GetFieldText(clock, index, text, &size)) << index;
  return text;
}

// Sets one field from its text on a new item and hands the item back.
MovieItem With(MovieField field, const char* text) {
  const int32_t index = ToInt(field);
  MovieItem item = NewItem();
  EXPECT_TRUE(item.SetFieldText(DesktopClock(), index, text));
  return item;
}

std::string DateText(uint32_t handheld_seconds, Clock& clock = DesktopClock()) {
  char text[kDateTextSize] = {};
  HandheldLink link(clock);
  link.FormatDate(handheld_seconds, text);
  return text;
}

// The block a conduit-created Movie-Lists database holds.
std::vector<uint8_t> DefaultCategoryBlock() {
  std::vector<uint8_t> block(276, 0);
  block[0] = 5;
  const char* names[] = {"Unfiled Movies", "Favorites", "My Top 20", "Recorded", "To Buy", "To Rent"};
  for (int i = 0; i < 6; ++i) std::copy(names[i], names[i] + strlen(names[i]), block.begin() + 2 + 16 * i);
  return block;
}

TEST(MovieText, GetFieldTextCutsToTheBufferAndReportsTheFullLength) {
  MovieItem item = NewItem();
  item.SetTitle("0123456789");
  char text[5] = {'x', 'x', 'x', 'x', 'x'};
  int32_t size = 5;
  EXPECT_FALSE(item.GetFieldText(DesktopClock(), ToInt(MovieField::kTitle), text, &size));
  EXPECT_STREQ(text, "0123");
  EXPECT_EQ(size, 10);
  size = 11;
  char fits[11];
  EXPECT_TRUE(item.GetFieldText(DesktopClock(), ToInt(MovieField::kTitle), fits, &size));
  EXPECT_EQ(size, 10);
}

TEST(MovieText, GetFieldTextRefusesMissingBuffersAndUnknownIndexes) {
  MovieItem item = NewItem();
  char text[8] = "keep";
  int32_t size = sizeof text;
  EXPECT_FALSE(item.GetFieldText(DesktopClock(), -1, text, &size));
  EXPECT_STREQ(text, "keep");
  EXPECT_FALSE(item.GetFieldText(DesktopClock(), ToInt(MovieField::kTitle), nullptr, &size));
  EXPECT_FALSE(item.GetFieldText(DesktopClock(), ToInt(MovieField::kTitle), text, nullptr));
  size = 0;
  EXPECT_FALSE(item.GetFieldText(DesktopClock(), ToInt(MovieField::kTitle), text, &size));
  EXPECT_STREQ(text, "keep");
  size = sizeof text;
  EXPECT_FALSE(item.GetFieldText(DesktopClock(), 34, text, &size));
  EXPECT_STREQ(text, "");  // zeroed first
  EXPECT_FALSE(item.SetFieldText(DesktopClock(), 34, "x"));
  EXPECT_FALSE(item.SetFieldText(DesktopClock(), -2, "x"));
  EXPECT_FALSE(item.SetFieldText(DesktopClock(), ToInt(MovieField::kTitle), nullptr));
}

TEST(MovieText, YearTextsExpandTwoDigitYears) {
  EXPECT_STREQ(With(MovieField::kYear, "7").GetYearText().Text(), "2007");
  EXPECT_STREQ(With(MovieField::kYear, "45").GetYearText().Text(), "1945");
  EXPECT_STREQ(With(MovieField::kYear, " 1999 ").GetYearText().Text(), "1999");
  EXPECT_STREQ(With(MovieField::kYear, "20").GetYearText().Text(), "2020");
  EXPECT_STREQ(With(MovieField::kYear, "21").GetYearText().Text(), "1921");
  EXPECT_EQ(With(MovieField::kYear, "0").GetYearOffset(), 0u);
  EXPECT_EQ(With(MovieField::kYear, "").GetYearOffset(), 0u);
  EXPECT_EQ(With(MovieField::kYear, "abc").GetYearOffset(), 0u);
  EXPECT_EQ(With(MovieField::kYear, "99999999999999999999").GetProdAttr() & 0xFF80u, 0x0200u);
  // A number reads when it is blank, or an optional sign and digits between blanks.
  for (const char* text : {"1999", " +12 ", "-3", "", "  "}) {
    EXPECT_TRUE(With(MovieField::kMediaRegion, text).LastTextRead()) << text;
  }
  for (const char* text : {"+", "-", "12x", "1 2", "x", "- 3"}) {
    EXPECT_FALSE(With(MovieField::kYear, text).LastTextRead()) << text;
  }
}

// The export's genre texts are read by a walk over the names: every one of them must give what the
// search for the keys gives, and texts near them (a slash too many, other letter case) too.
TEST(MovieText, EveryExportedGenreTextReadsAsTheKeysRead) {
  MovieItem item = NewItem();
  for (uint32_t genre = 0; genre < (1u << movie_tables::kGenreCount); ++genre) {
    item.SetGenre(genre);
    const std::string text = Field(item, MovieField::kGenre);
    MovieItem read = With(MovieField::kGenre, text.c_str());
    ASSERT_EQ(read.GetGenre(), genre) << text;
    ASSERT_EQ(LookupMask(text.c_str(), movie_tables::kGenreKeys, movie_tables::kGenreAltKeys,
                         movie_tables::kGenreCount),
              genre)
        << text;
    ASSERT_TRUE(read.LastTextRead()) << text;
  }
  EXPECT_EQ(With(MovieField::kGenre, "Action/").GetGenre(), 1u);
  EXPECT_EQ(With(MovieField::kGenre, "/Action").GetGenre(), 1u);
  EXPECT_EQ(With(MovieField::kGenre, "Action/drama").GetGenre(), 1u | (1u << 6));
  EXPECT_EQ(With(MovieField::kGenre, "Drama/Action").GetGenre(), 1u | (1u << 6));
  EXPECT_EQ(With(MovieField::kGenre, "Action Drama").GetGenre(), 1u | (1u << 6));
  EXPECT_EQ(With(MovieField::kGenre, "Actionx").GetGenre(), 1u);
  EXPECT_EQ(With(MovieField::kGenre, "War/Westerns").GetGenre(), (1u << 14) | (1u << 15));
  EXPECT_FALSE(With(MovieField::kGenre, "Cartoon").LastTextRead());
}

// The same for the export's award texts: every single award and pair, and sets of many.
TEST(MovieText, ExportedAwardTextsReadAsTheKeysRead) {
  std::vector<uint32_t> sets;
  for (int32_t a = 0; a < movie_tables::kAwardCount; ++a) {
    for (int32_t b = a; b < movie_tables::kAwardCount; ++b) sets.push_back((1u << a) | (1u << b));
  }
  uint32_t state = 12345;
  for (int i = 0; i < 2000; ++i) {
    state = state * 1103515245u + 12345u;
    sets.push_back((state >> 8) & ((1u << movie_tables::kAwardCount) - 1));
  }
  sets.push_back((1u << movie_tables::kAwardCount) - 1);
  MovieItem item = NewItem();
  for (uint32_t awards : sets) {
    if (awards == 0) continue;
    const uint32_t attr = (awards << 7) | (awards % 128);
    item.SetAwardsAttr(attr);
    const std::string text = Field(item, MovieField::kAwards);
    ASSERT_EQ(With(MovieField::kAwards, text.c_str()).GetAwardsAttr(), attr) << text;
    ASSERT_EQ(LookupMask(text.c_str(), movie_tables::kAwardKeys, movie_tables::kAwardAltKeys,
                         movie_tables::kAwardCount),
              awards)
        << text;
  }
  EXPECT_EQ(With(MovieField::kAwards, "1990 Sound, ").GetAwardsAttr(), (1u << (18 + 7)) | 63u);
  EXPECT_EQ(With(MovieField::kAwards, "1990 Sound Editing, Sound").GetAwardsAttr(), (3u << (18 + 7)) | 63u);
  EXPECT_EQ(With(MovieField::kAwards, "199x Sound").GetAwardsAttr(), 1u << (18 + 7));
}

// The texts the export writes for the rows of the value tables are answered without the search:
// each must read as the search reads it.
TEST(MovieText, EveryRowOfTheValueTablesReadsAsTheSearchReadsIt) {
  using namespace movie_tables;
  struct Table {
    MovieField field;
    const char* const* names;
    const char* const* alternatives;
    int32_t count;
    const char* (*shown)(int32_t);
    uint32_t (MovieItem::*get)() const;
  };
  const Table tables[] = {
      {MovieField::kLoanStatus, kLoanStatusNames, kLoanStatusAltKeys, kLoanStatusCount, LoanStatusName,
       &MovieItem::GetLoanStatus},
      {MovieField::kMediaType, kMediaTypeNames, kMediaTypeNames, kMediaTypeCount, MediaTypeName,
       &MovieItem::GetMediaType},
      {MovieField::kScreenEncoding, kScreenEncodingNames, kScreenEncodingAltKeys, kScreenEncodingCount,
       ScreenEncodingName, &MovieItem::GetScreenEncoding},
      {MovieField::kFilmProcess, kFilmProcessNames, kFilmProcessNames, kFilmProcessCount, FilmProcessName,
       &MovieItem::GetWideScreenProcess},
      {MovieField::kRating, kStarRatingKeys, kStarRatingNumericKeys, kStarRatingCount, StarRatingName,
       &MovieItem::GetMyRating},
      {MovieField::kMPAA, kMpaaRatingNames, kMpaaRatingAltKeys, kMpaaRatingCount, MpaaRatingName,
       &MovieItem::GetMpaaRating},
  };
  for (const Table& table : tables) {
    for (int32_t row = 0; row < table.count; ++row) {
      const char* text = table.shown(row);
      const int32_t searched = LookupIndex(text, table.names, table.alternatives, table.count, 0);
      // Not always the row itself: a name the table holds twice reads as its first row.
      EXPECT_EQ((With(table.field, text).*table.get)(), static_cast<uint32_t>(searched)) << text;
    }
  }
}

TEST(MovieText, TableFieldsAcceptTheirKeysAndAlternatives) {
  EXPECT_EQ(With(MovieField::kRating, "** 1/2").GetMyRating(), 4u);
  EXPECT_EQ(With(MovieField::kRating, "**1/2").GetMyRating(), 4u);
  EXPECT_EQ(With(MovieField::kRating, "2.5").GetMyRating(), 4u);
  MovieItem rated = With(MovieField::kRating, "2.5");
  EXPECT_EQ(Field(rated, MovieField::kRating), "** 1/2");
  EXPECT_EQ(With(MovieField::kMPAA, "[X]").GetMpaaRating(), 5u);
  EXPECT_EQ(With(MovieField::kMPAA, "[M]").GetMpaaRating(), 2u);
  EXPECT_EQ(With(MovieField::kMPAA, "[pg-13]").GetMpaaRating(), 3u);
  EXPECT_EQ(With(MovieField::kScreenEncoding, "Full Frame").GetScreenEncoding(), 1u);
  EXPECT_EQ(With(MovieField::kScreenEncoding, "fullframe").GetScreenEncoding(), 1u);
  EXPECT_EQ(With(MovieField::kScreenEncoding, "LB").GetScreenEncoding(), 3u);
  EXPECT_EQ(With(MovieField::kLoanStatus, "Loan").GetLoanStatus(), 2u);
  EXPECT_EQ(With(MovieField::kLoanStatus, "Loaned").GetLoanStatus(), 2u);
  EXPECT_EQ(With(MovieField::kGenre, "Mystery/Thriller/Sci-Fi").GetGenre(), (1u << 11) | (1u << 13));
  EXPECT_EQ(With(MovieField::kMediaType, "vhs").GetMediaType(), 6u);
  EXPECT_EQ(With(MovieField::kMediaType, "Betamax").GetMediaType(), 0u);
  EXPECT_EQ(With(MovieField::kFilmProcess, "CinemaScope 55").GetWideScreenProcess(), 7u);
  EXPECT_EQ(With(MovieField::kMediaQuantity, "3").GetMediaQuantity(), 3u);
  EXPECT_EQ(With(MovieField::kMediaQuantity, "259").GetMediaQuantity(), 3u);  // low 8 bits
  EXPECT_EQ(With(MovieField::kMediaRegion, "7").GetMediaRegion(), 6u);
}

TEST(MovieText, AwardsReadAndWriteTheYearAndTheNames) {
  MovieItem item = With(MovieField::kAwards, "2004 Best Picture, Best Director");
  EXPECT_EQ(item.GetAwardsAttr(), 77u | (1u << 7) | (1u << 8));
  EXPECT_EQ(Field(item, MovieField::kAwards), "2004 Best Picture, Best Director");
  EXPECT_EQ(With(MovieField::kAwards, "").GetAwardsAttr(), 0u);
  MovieItem no_year = With(MovieField::kAwards, "Best Picture");
  EXPECT_EQ(no_year.GetAwardsAttr(), 1u << 7);
  EXPECT_EQ(Field(no_year, MovieField::kAwards), "1927 Best Picture");
  EXPECT_EQ(With(MovieField::kAwards, "1900 Best Picture").GetAwardsAttr(), 1u << 7);
  // A year past 2054 does not fit seven bits and must not reach the award bits.
  EXPECT_EQ(With(MovieField::kAwards, "2100 Best Picture").GetAwardsAttr(), 1u << 7);
  EXPECT_EQ(With(MovieField::kAwards, "999999999999 Makeup").GetAwardsAttr(), 1u << 20);
  MovieItem sound = With(MovieField::kAwards, "1980 Sound Editing");
  EXPECT_EQ(sound.GetAwards(), 1u << 19);
  EXPECT_EQ(Field(sound, MovieField::kAwards), "1980 Sound Editing");
}

TEST(MovieText, BooleansAcceptTrueYesAndOne) {
  EXPECT_TRUE(With(MovieField::kOwned, "TRUE").GetOwned());
  EXPECT_TRUE(With(MovieField::kOwned, "Yes").GetOwned());
  EXPECT_TRUE(With(MovieField::kOwned, "1").GetOwned());
  EXPECT_FALSE(With(MovieField::kViewed, "y").GetViewed());
  EXPECT_FALSE(With(MovieField::kViewed, "on").GetViewed());
  EXPECT_FALSE(With(MovieField::kViewed, "").GetViewed());
  MovieItem audio = With(MovieField::kAudioDD51, "true");
  EXPECT_EQ(audio.GetAudioFlags(), 1u << 3);
  EXPECT_EQ(Field(audio, MovieField::kAudioDD51), "True");
  EXPECT_EQ(Field(audio, MovieField::kAudioDD20), "False");
  EXPECT_TRUE(With(MovieField::kMadeForTV, "true").GetMadeForTV());
  EXPECT_FALSE(With(MovieField::kColor, "false").GetColor());
}

TEST(MovieText, DueDateCodesCountFromTheLoanDate) {
  const uint32_t loan = 3300000000u;
  MovieItem item = NewItem();
  item.SetLoanDate(loan);
  item.SetDueDate(4);
  EXPECT_EQ(Field(item, MovieField::kDueDate), DateText(loan + 604800));
  item.SetDueDate(1);
  EXPECT_EQ(Field(item, MovieField::kDueDate), DateText(loan + 86400));
  item.SetDueDate(0);
  EXPECT_EQ(Field(item, MovieField::kDueDate), "");
  EXPECT_EQ(Field(item, MovieField::kLoanDate), DateText(loan));
  // Without a loan date the handheld's clock is the base; with no handheld at hand (as here), the
  // local time of the clock handed in (fixed far from the real one, which must not be read).
  item.SetLoanDate(0);
  item.SetDueDate(4);
  FixedClock clock(DesktopClock(), 1000000000);  // 2001-09-09
  uint32_t now = 0;
  HandheldLink link(clock);
  if (link.ReadHandheldClock(&now) != 0) {
    uint32_t local = 0;
    link.LocalTimeNow(&local);
    now = link.DesktopToHandheld(local);
  }
  EXPECT_EQ(Field(item, MovieField::kDueDate, clock), DateText(now + 604800, clock));
  EXPECT_EQ(Field(item, MovieField::kLoanDate, clock), "");
}

TEST(MovieText, DatesReadBackOnTheSameDay) {
  MovieItem item = With(MovieField::kLoanDate, DateText(3300000000u).c_str());
  EXPECT_EQ(item.GetLoanDate() / 86400, 3300000000u / 86400);
  EXPECT_EQ(With(MovieField::kLoanDate, "").GetLoanDate(), 0u);
  EXPECT_EQ(With(MovieField::kDueDate, "").GetDueDate(), 0u);
  // Dates read as numbers give what the text gives to ParseDate; a year written first is moved.
  const std::pair<const char*, const char*> dates[] = {
      {"3/5/2024", "3/5/2024"},   {"03/05/24", "03/05/24"},     {"12/31/1999", "12/31/1999"},
      {"1/1/70", "1/1/70"},       {"2/29/2000", "2/29/2000"},   {"2024-03-05", "3/5/2024"},
      {"1999/12/31", "12/31/1999"}, {"12/31/12345", "12/31/12345"}, {"7 4 1976", "7 4 1976"}};
  for (const auto& date : dates) {
    uint32_t expected = 0;
    HandheldLink link(DesktopClock());
    link.ParseDate(date.second, &expected);
    EXPECT_EQ(With(MovieField::kLoanDate, date.first).GetLoanDate(), expected) << date.first;
  }
}

TEST(MovieText, KeyAndDescriptionJoinTitleYearRunTimeAndMedia) {
  MovieItem item = NewItem();
  item.SetTitle("Alien");
  item.SetYear(1979);
  item.SetRunTime("117");
  EXPECT_STREQ(item.BuildKey().Text(), "Alien1979117DVD");
  EXPECT_STREQ(item.Describe(), "Alien (DVD-1979, 117m)");
  MovieItem bare = NewItem();
  EXPECT_STREQ(bare.Describe(), " (DVD-, m)");
  Describable plain;
  EXPECT_STREQ(plain.Describe(), "<unknown>");
}

TEST(MovieText, CategoriesComeFromTheCurrentCategoryTable) {
  MovieItem item = NewItem();
  item.SetCategory(3);
  EXPECT_EQ(Field(item, MovieField::kCategory), "Unfiled Movies");  // no table
  EXPECT_EQ(With(MovieField::kCategory, "Favorites").GetCategory(), 0u);
  std::vector<uint8_t> block = DefaultCategoryBlock();
  MovieCategories categories(nullptr);
  categories.LoadFromBlock(block.data(), block.size());
  SetCurrentMovieCategories(&categories);
  EXPECT_EQ(categories.Count(), 6);
  EXPECT_EQ(Field(item, MovieField::kCategory), "Recorded");
  EXPECT_EQ(With(MovieField::kCategory, "favorites").GetCategory(), 1u);
  EXPECT_EQ(With(MovieField::kCategory, "Nowhere").GetCategory(), 0u);
  EXPECT_EQ(With(MovieField::kCategory, "To").GetCategory(), 0u);  // a name is matched whole, not by its start
  item.SetCategory(16);
  EXPECT_EQ(Field(item, MovieField::kCategory), "Unfiled Movies");
  item.SetCategory(9);
  EXPECT_EQ(Field(item, MovieField::kCategory), "Unfiled Movies");  // a slot without a name
  SetCurrentMovieCategories(nullptr);
}

TEST(MovieCategories, LoadEntersEveryNamedSlotAndLaterSlotsWin) {
  std::vector<uint8_t> block = DefaultCategoryBlock();
  block[0] = 0;  // the handheld's usual word when no category was renamed: no count of names
  const char* dup = "FAVORITES";
  std::copy(dup, dup + 9, block.begin() + 2 + 16 * 4);  // slot 4 repeats slot 1's name
  MovieCategories categories(nullptr);
  categories.LoadFromBlock(block.data(), block.size());
  EXPECT_EQ(categories.Count(), 5);
  EXPECT_EQ(categories.FindExact("favorites"), 4);
  EXPECT_EQ(categories.FindExact("To Rent"), 5);
  EXPECT_EQ(categories.FindExact("Nothing"), -1);
  EXPECT_EQ(categories.FindPrefix("my"), 2);
  TextString name;
  EXPECT_FALSE(categories.GetName(16, name));
  EXPECT_FALSE(categories.GetName(-1, name));
  EXPECT_TRUE(categories.GetName(1, name));
  EXPECT_STREQ(name.Text(), "Favorites");
}

TEST(MovieCategories, AnEmptyOrShortBlockGivesUnfiled) {
  MovieCategories categories(nullptr);
  std::vector<uint8_t> empty(326, 0);
  categories.LoadFromBlock(empty.data(), empty.size());
  EXPECT_EQ(categories.Count(), 1);
  EXPECT_EQ(categories.FindExact("unfiled"), 0);
  uint8_t short_block[5] = {0xFF, 0xFF, 'A', 'b', 'c'};  // a huge count, names cut short
  categories.LoadFromBlock(short_block, sizeof short_block);
  EXPECT_EQ(categories.FindExact("Abc"), 0);
  categories.Load();  // no database: nothing changes
  EXPECT_EQ(categories.FindExact("Abc"), 0);
  // Names that fill all 16 bytes are cut to 15 characters.
  std::vector<uint8_t> full(326, 'x');
  full[0] = 16;
  full[1] = 0;
  categories.LoadFromBlock(full.data(), full.size());
  TextString name;
  categories.GetName(15, name);
  EXPECT_EQ(name.Length(), 15);
}

TEST(MovieText, EveryFieldOfAGeneratedRecordSurvivesItsOwnText) {
  for (uint32_t n = 0; n < 300; ++n) {
    std::vector<uint8_t> bytes = record_generator::PackedRecord(n);
    MovieItem source;
    source.SetPackedRecord(bytes.data(), static_cast<uint32_t>(bytes.size()));
    MovieItem copy = NewItem();
    for (int32_t index = 0; index < kMovieFieldCount; ++index) {
      char text[2000];
      int32_t size = sizeof text;
      ASSERT_TRUE(source.GetFieldText(DesktopClock(), index, text, &size));
      ASSERT_TRUE(copy.SetFieldText(DesktopClock(), index, text));
    }
    ASSERT_TRUE(copy.IsSameAs(source)) << "record " << n << ": " << source.Describe();
  }
}

}  // namespace
