#include "movies/movie_tables.h"

#include <gtest/gtest.h>

#include <string>

#include "movies/movie_lookup.h"

using namespace movie_tables;

namespace {

TEST(MovieTables, RowCountsAreTheFixedBounds) {
  EXPECT_EQ(AwardCount(), 21);
  EXPECT_EQ(StarRatingCount(), 8);
  EXPECT_EQ(MpaaRatingCount(), 6);
  EXPECT_EQ(LoanStatusCount(), 6);
  EXPECT_EQ(GenreCount(), 16);
  EXPECT_EQ(FilmProcessCount(), 78);
  EXPECT_EQ(ScreenEncodingCount(), 5);
  EXPECT_EQ(MediaTypeCount(), 9);
}

TEST(MovieTables, EveryRowHasItsNameAndOutOfRangeReadsRowZero) {
  for (int32_t i = 1; i < kFilmProcessCount; ++i) ASSERT_NE(std::string(FilmProcessName(i)), "") << i;
  for (int32_t i = 0; i < kAwardCount; ++i) {
    ASSERT_NE(kAwardKeys[i], nullptr);
    ASSERT_NE(kAwardAltKeys[i], nullptr);
  }
  EXPECT_STREQ(FilmProcessName(0), "");
  EXPECT_STREQ(FilmProcessName(1), "Actionscope");
  EXPECT_STREQ(FilmProcessName(67), "2.35 Research PLC");
  EXPECT_STREQ(FilmProcessName(72), "Vistascope");
  EXPECT_STREQ(FilmProcessName(74), "Vistascope");
  EXPECT_STREQ(FilmProcessName(77), "Widescreen");
  EXPECT_STREQ(FilmProcessName(78), "");
  EXPECT_STREQ(AwardName(20), "Visual Effects");
  EXPECT_STREQ(StarRatingName(2), "* 1/2");
  EXPECT_STREQ(StarRatingName(8), "NR");
  EXPECT_STREQ(MpaaRatingName(5), "[NC-17]");
  EXPECT_STREQ(MpaaRatingName(-1), "[NR]");
  EXPECT_STREQ(GenreName(11), "Mystery/Thriller");
  EXPECT_STREQ(LoanStatusName(5), "Returned");
  EXPECT_STREQ(ScreenEncodingName(5), "None");
  EXPECT_STREQ(MediaTypeName(8), "Other");
  EXPECT_STREQ(MediaTypeName(9), "DVD");
}

TEST(MovieLookup, IndexLookupIgnoresBlanksAndCaseAndPrefersTheLowestRow) {
  EXPECT_EQ(LookupIndex("** 1/2", kStarRatingKeys, kStarRatingNumericKeys, 8, 0), 4);
  EXPECT_EQ(LookupIndex("**1/2", kStarRatingKeys, kStarRatingNumericKeys, 8, 0), 4);
  EXPECT_EQ(LookupIndex("2.5", kStarRatingKeys, kStarRatingNumericKeys, 8, 0), 4);
  EXPECT_EQ(LookupIndex("[x]", kMpaaRatingNames, kMpaaRatingAltKeys, 6, 0), 5);
  EXPECT_EQ(LookupIndex("[M]", kMpaaRatingNames, kMpaaRatingAltKeys, 6, 0), 2);
  EXPECT_EQ(LookupIndex("[pg-13]", kMpaaRatingNames, kMpaaRatingAltKeys, 6, 0), 3);
  EXPECT_EQ(LookupIndex("", kMpaaRatingNames, kMpaaRatingAltKeys, 6, 3), 0);
  EXPECT_EQ(LookupIndex("Full Frame", kScreenEncodingNames, kScreenEncodingAltKeys, 5, 0), 1);
  EXPECT_EQ(LookupIndex("fullframe", kScreenEncodingNames, kScreenEncodingAltKeys, 5, 0), 1);
  EXPECT_EQ(LookupIndex("LB", kScreenEncodingNames, kScreenEncodingAltKeys, 5, 0), 3);
  EXPECT_EQ(LookupIndex("Letterbox", kScreenEncodingNames, kScreenEncodingAltKeys, 5, 0), 3);
  EXPECT_EQ(LookupIndex("Loan", kLoanStatusNames, kLoanStatusAltKeys, 6, 0), 2);
  EXPECT_EQ(LookupIndex("Loaned", kLoanStatusNames, kLoanStatusAltKeys, 6, 0), 2);
  EXPECT_EQ(LookupIndex("nothing", kLoanStatusNames, kLoanStatusAltKeys, 6, 4), 4);
  EXPECT_EQ(LookupIndex("Vistascope", kFilmProcessNames, kFilmProcessNames, 78, 0), 72);
}

TEST(MovieLookup, NamesWithABlankReadBackAsThemselves) {
  for (int32_t i = 0; i < kFilmProcessCount; ++i) {
    int32_t expected = (i == 74) ? 72 : i;  // the one name that stands twice
    ASSERT_EQ(LookupIndex(FilmProcessName(i), kFilmProcessNames, kFilmProcessNames, 78, 0), expected)
        << FilmProcessName(i);
  }
  EXPECT_EQ(LookupIndex("  super 35 ", kFilmProcessNames, kFilmProcessNames, 78, 0), 55);
  EXPECT_EQ(LookupIndex("Super35", kFilmProcessNames, kFilmProcessNames, 78, 0), 0);
}

TEST(MovieLookup, MaskLookupFindsKeysAnywhereInTheText) {
  EXPECT_EQ(LookupMask("Mystery/Thriller/Sci-Fi", kGenreKeys, kGenreAltKeys, 16), (1u << 11) | (1u << 13));
  EXPECT_EQ(LookupMask("science fiction", kGenreKeys, kGenreAltKeys, 16), 1u << 13);
  EXPECT_EQ(LookupMask("a THRILLER", kGenreKeys, kGenreAltKeys, 16), 1u << 11);
  EXPECT_EQ(LookupMask("", kGenreKeys, kGenreAltKeys, 16), 0u);
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "sound editing, sound ";
  EXPECT_EQ(LookupMask(many.c_str(), kAwardKeys, kAwardAltKeys, 21), (1u << 18) | (1u << 19));
}

TEST(MovieLookup, AKeyInsideALongerKeysOccurrenceDoesNotCount) {
  EXPECT_EQ(LookupMask("Sound Editing", kAwardKeys, kAwardAltKeys, 21), 1u << 19);
  EXPECT_EQ(LookupMask("Sound, Sound Editing", kAwardKeys, kAwardAltKeys, 21), (1u << 18) | (1u << 19));
  EXPECT_EQ(LookupMask("Sound Editing, Sound", kAwardKeys, kAwardAltKeys, 21), (1u << 18) | (1u << 19));
  EXPECT_EQ(LookupMask("oscar best actor-supporting", kAwardKeys, kAwardAltKeys, 21), 1u << 4);
  EXPECT_EQ(LookupMask("oscar best actor", kAwardKeys, kAwardAltKeys, 21), 1u << 2);
  EXPECT_EQ(LookupMask("oscar best sound", kAwardKeys, kAwardAltKeys, 21), 1u << 18);
  // Every exported award name reads back as exactly its own bit.
  for (int32_t i = 0; i < kAwardCount; ++i)
    ASSERT_EQ(LookupMask(kAwardNames[i], kAwardKeys, kAwardAltKeys, 21), 1u << i) << kAwardNames[i];
}

}  // namespace
