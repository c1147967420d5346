// Sample Movie-Lists content for tests and benchmarks, packed by hand (independently of the
// conduit's own MovieItem) in the handheld's record format.
#ifndef REELBOX_TESTS_SUPPORT_MOVIE_SAMPLES_H
#define REELBOX_TESTS_SUPPORT_MOVIE_SAMPLES_H

#include <cstdint>
#include <string>
#include <vector>

namespace reelbox_test {

// One movie record's fields, numbers in host order.
struct SampleMovie {
  uint32_t firstWord = 0;
  uint32_t alarmDueDate = 0;
  uint16_t genre = 0;
  uint8_t status = 0x02;  // viewed
  uint8_t wideScreenProcess = 0;
  uint32_t loanDate = 0;
  uint32_t dueDate = 0;
  uint16_t prodAttr = 0x0200;  // colour, no year
  uint8_t ratingAttr = 0;
  uint8_t myRating = 0;
  uint32_t techAttr = 0;
  uint16_t mediaAttr = 1;  // region 1, one DVD
  uint32_t awardsAttr = 0;
  std::string title, location, catalog, director, country, cast, acquiredFrom, price, runTime, review,
      notes;
  uint8_t category = 0;
};

// The record bytes: the 34-byte fixed part big-endian, then the eleven texts each ended by a NUL.
std::string PackSampleMovie(const SampleMovie& movie);
// A short movie with a title, a year (1905 to 2031), a running time and a media type index (0-8).
SampleMovie SimpleMovie(const std::string& title, int year, const std::string& run_time, int media_type = 0);
// Movie number n of a generated list: every field that the tab-delimited files carry is set,
// varied with n, to values that read back unchanged from their text form; titles are unique.
SampleMovie GeneratedMovie(uint32_t n);
// The 276-byte category block of a new Movie-Lists database (six default names).
std::string DefaultMovieCategoryBlock();

}  // namespace reelbox_test

#endif  // REELBOX_TESTS_SUPPORT_MOVIE_SAMPLES_H
