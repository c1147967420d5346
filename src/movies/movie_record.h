// The byte layouts of a Movie-Lists record: the packed form stored on the handheld and the trans
// form in which every text sits in a fixed array. Numbers stay big-endian in both forms.
#ifndef REELBOX_MOVIES_MOVIE_RECORD_H
#define REELBOX_MOVIES_MOVIE_RECORD_H

#include <cstddef>
#include <cstdint>

namespace movie_record {

// Offsets of the fixed part.
constexpr size_t kFirstWord = 0;
constexpr size_t kAlarmDueDate = 4;
constexpr size_t kGenre = 8;
constexpr size_t kStatus = 10;
constexpr size_t kWideScreenProcess = 11;
constexpr size_t kLoanDate = 12;
constexpr size_t kDueDate = 16;
constexpr size_t kProdAttr = 20;
constexpr size_t kRatingAttr = 22;
constexpr size_t kMyRating = 23;
constexpr size_t kTechAttr = 24;
constexpr size_t kMediaAttr = 28;
constexpr size_t kAwardsAttr = 30;  // not 4-byte aligned
constexpr size_t kFixedSize = 34;

// A big-endian number of width (1, 2 or 4) bytes at offset of a whole fixed part.
inline uint32_t FixedNumber(const uint8_t* fixed, size_t offset, int width) {
  const uint8_t* p = fixed + offset;
  if (width == 1) return p[0];
  if (width == 2) return static_cast<uint32_t>(p[0]) << 8 | p[1];
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// The values that share a word of the fixed part, as the handheld application lays them out.
inline bool OwnedOf(uint32_t status) { return (status & 0x01) != 0; }
inline bool ViewedOf(uint32_t status) { return (status & 0x02) != 0; }
inline uint32_t LoanStatusOf(uint32_t status) { return status >> 2; }
inline uint32_t YearOffsetOf(uint32_t prod_attr) { return prod_attr & 0x7F; }
inline bool MadeForTVOf(uint32_t prod_attr) { return (prod_attr & 0x80) != 0; }
inline bool ColorOf(uint32_t prod_attr) { return (prod_attr & 0x0200) != 0; }
inline uint32_t MpaaRatingOf(uint32_t rating_attr) { return (rating_attr >> 3) & 0x07; }
inline uint32_t AudioFlagsOf(uint32_t tech_attr) { return tech_attr & 0x3F; }
inline uint32_t ScreenEncodingOf(uint32_t tech_attr) { return (tech_attr >> 6) & 0x0F; }
inline uint32_t MediaRegionOf(uint32_t media_attr) { return media_attr & 0x07; }
inline uint32_t MediaQuantityOf(uint32_t media_attr) { return ((media_attr >> 3) & 0x0F) + 1; }
inline uint32_t MediaTypeOf(uint32_t media_attr) { return (media_attr >> 7) & 0x0F; }

// The eleven texts in record order.
enum TextField {
  kTitle, kLocation, kCatalog, kDirector, kCountry, kCast, kAcquiredFrom, kPrice, kRunTime,
  kReview, kNotes, kTextFieldCount
};
constexpr size_t kCapacity[kTextFieldCount] = {181, 51, 11, 501, 51, 501, 51, 7, 4, 1101, 501};

// Where each text lies in the trans record.
struct TextOffsets {
  size_t at[kTextFieldCount];
};
constexpr TextOffsets MakeTextOffsets() {
  TextOffsets offsets{};
  size_t offset = kFixedSize;
  for (int i = 0; i < kTextFieldCount; ++i) {
    offsets.at[i] = offset;
    offset += kCapacity[i];
  }
  return offsets;
}
constexpr TextOffsets kTextOffsets = MakeTextOffsets();

constexpr size_t kMinPackedSize = kFixedSize + kTextFieldCount;  // 45
constexpr size_t kMaxPackedSize = 2994;
constexpr size_t kPackedBufferSize = 3094;

}  // namespace movie_record

// The unpacked working form.
struct MovieTransRecord {
  uint8_t fixed[movie_record::kFixedSize];
  char title[181];
  char location[51];
  char catalog[11];
  char director[501];
  char country[51];
  char cast[501];
  char acquired_from[51];
  char price[7];
  char run_time[4];
  char review[1101];
  char notes[501];

  char* Text(movie_record::TextField field) {
    return reinterpret_cast<char*>(this) + movie_record::kTextOffsets.at[field];
  }
  const char* Text(movie_record::TextField field) const {
    return reinterpret_cast<const char*>(this) + movie_record::kTextOffsets.at[field];
  }
};
static_assert(sizeof(MovieTransRecord) == movie_record::kMaxPackedSize, "trans record is 2994 bytes");

// Packs the trans record into out (room for kMaxPackedSize bytes); returns the packed length. A text
// that fills its whole array without a NUL is cut to capacity - 1.
size_t PackMovieRecord(const MovieTransRecord& trans, uint8_t* out);
// The same for texts of known lengths (no NUL among a text's bytes; a length is cut to
// capacity - 1), without looking for their ends.
size_t PackMovieRecord(const MovieTransRecord& trans, const uint16_t* lengths, uint8_t* out);

// Unpacks size bytes into trans. Never reads past size nor writes past an array: a fixed part shorter
// than 34 bytes is completed with zeros, a text longer than its array is cut to capacity - 1 (the
// rest of it is skipped), and texts missing at the end of the record are empty.
void UnpackMovieRecord(const uint8_t* packed, size_t size, MovieTransRecord* trans);
// The same result over a record whose text i holds only zeros past its first dirty[i] bytes: only
// those bytes are cleared, not the whole record. dirty[i] becomes the length of the text unpacked.
void UnpackMovieRecordOver(const uint8_t* packed, size_t size, MovieTransRecord* trans, uint16_t* dirty);

#endif  // REELBOX_MOVIES_MOVIE_RECORD_H
