// The fields of a movie's text form, each named after its column in the tab-delimited files.
#ifndef REELBOX_MOVIES_MOVIE_FIELD_H
#define REELBOX_MOVIES_MOVIE_FIELD_H

#include <cstdint>

// The number is the field index that DataRecord's text operations and the column maps take.
enum class MovieField : int32_t {
  kCategory = 0,
  kTitle = 1,
  kDirector = 2,
  kCountry = 3,
  kYear = 4,
  kMadeForTV = 5,
  kGenre = 6,
  kCast = 7,
  kLoanStatus = 8,
  kLoanDate = 9,
  kDueDate = 10,
  kLoanLocation = 11,
  kOwned = 12,
  kViewed = 13,
  kAcquired = 14,
  kPrice = 15,
  kCatalog = 16,
  kRunningTime = 17,
  kMediaType = 18,
  kMediaQuantity = 19,
  kMediaRegion = 20,
  kColor = 21,
  kScreenEncoding = 22,
  kFilmProcess = 23,
  kAudioMono = 24,
  kAudioStereo = 25,
  kAudioDD20 = 26,
  kAudioDD51 = 27,
  kAudioDTS = 28,
  kAudioTHX = 29,
  kRating = 30,
  kMPAA = 31,
  kNotes = 32,
  kAwards = 33,
};

// The number of fields of the text form (field indexes 0 to 33).
constexpr int32_t kMovieFieldCount = 34;

constexpr int32_t ToInt(MovieField field) { return static_cast<int32_t>(field); }

#endif  // REELBOX_MOVIES_MOVIE_FIELD_H
