// The fixed value tables whose row indexes a movie record stores. Each table has a row count that
// serves as the bound of its index: an index at or above it (or negative) reads as row 0.
#ifndef REELBOX_MOVIES_MOVIE_TABLES_H
#define REELBOX_MOVIES_MOVIE_TABLES_H

#include <cstdint>

namespace movie_tables {

constexpr int32_t kAwardCount = 21;
constexpr int32_t kStarRatingCount = 8;
constexpr int32_t kMpaaRatingCount = 6;
constexpr int32_t kGenreCount = 16;
constexpr int32_t kFilmProcessCount = 78;
constexpr int32_t kLoanStatusCount = 6;
constexpr int32_t kScreenEncodingCount = 5;
constexpr int32_t kMediaTypeCount = 9;

// Columns of the tables, for the import lookups. A null entry marks a row without that form.
extern const char* const kAwardNames[kAwardCount];
extern const char* const kAwardKeys[kAwardCount];
extern const char* const kAwardAltKeys[kAwardCount];
extern const char* const kStarRatingDisplay[kStarRatingCount];
extern const char* const kStarRatingKeys[kStarRatingCount];
extern const char* const kStarRatingNumericKeys[kStarRatingCount];
extern const char* const kMpaaRatingNames[kMpaaRatingCount];
extern const char* const kMpaaRatingAltKeys[kMpaaRatingCount];
extern const char* const kGenreNames[kGenreCount];
extern const char* const kGenreKeys[kGenreCount];
extern const char* const kGenreAltKeys[kGenreCount];
extern const char* const kFilmProcessNames[kFilmProcessCount];
extern const char* const kLoanStatusNames[kLoanStatusCount];
extern const char* const kLoanStatusAltKeys[kLoanStatusCount];
extern const char* const kScreenEncodingNames[kScreenEncodingCount];
extern const char* const kScreenEncodingAltKeys[kScreenEncodingCount];
extern const char* const kMediaTypeNames[kMediaTypeCount];

}  // namespace movie_tables

// Row count and display name of each table.
int32_t AwardCount();
const char* AwardName(int32_t index);
int32_t StarRatingCount();
const char* StarRatingName(int32_t index);
int32_t MpaaRatingCount();
const char* MpaaRatingName(int32_t index);
int32_t GenreCount();
const char* GenreName(int32_t index);
int32_t FilmProcessCount();
const char* FilmProcessName(int32_t index);
int32_t LoanStatusCount();
const char* LoanStatusName(int32_t index);
int32_t ScreenEncodingCount();
const char* ScreenEncodingName(int32_t index);
int32_t MediaTypeCount();
const char* MediaTypeName(int32_t index);

#endif  // REELBOX_MOVIES_MOVIE_TABLES_H
