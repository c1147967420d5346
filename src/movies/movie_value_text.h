// Single field values read from and written as the texts of the tab-delimited files: yes/no,
// numbers, the names of the value tables, dates, awards. The small ones run for every field of
// every line and are defined here, so the callers' loops keep them inline.
#ifndef REELBOX_MOVIES_MOVIE_VALUE_TEXT_H
#define REELBOX_MOVIES_MOVIE_VALUE_TEXT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "diag/handheld_link.h"
#include "diag/text_string.h"
#include "movies/movie_lookup.h"
#include "movies/movie_tables.h"
#include "platform/byte_scan.h"

namespace movie_value_text {

inline const char* BoolText(bool value) { return value ? "True" : "False"; }

// Equal as TextString::Compare sees texts: ASCII letter case ignored.
inline bool FoldedEquals(const char* text, size_t length, const char* word) {
  size_t i = 0;
  for (; i < length; ++i) {
    unsigned char a = static_cast<unsigned char>(text[i]);
    unsigned char b = static_cast<unsigned char>(word[i]);
    if (b == 0) return false;
    if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a + ('a' - 'A'));
    if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b + ('a' - 'A'));
    if (a != b) return false;
  }
  return word[i] == '\0';
}

inline bool IsTrueText(const char* text, size_t length) {
  return FoldedEquals(text, length, "true") || FoldedEquals(text, length, "yes") || FoldedEquals(text, length, "1");
}

// Leading white space, an optional sign, decimal digits; no digits gives 0. Saturates instead of
// overflowing on absurdly long digit runs. *read: the text is blank, or the sign and digits stand
// between blanks.
inline int32_t ReadInteger(const char* text, bool* read) {
  while (IsSpaceChar(*text)) ++text;
  const bool sign = *text == '+' || *text == '-';
  const bool negative = *text == '-';
  if (sign) ++text;
  const char* digits = text;
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > INT32_MAX) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (text == digits) {
    *read = !sign && *text == '\0';
  } else {
    while (IsSpaceChar(*text)) ++text;
    *read = *text == '\0';
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

// The date text into buffer (kDateTextSize bytes; empty for 0); gives buffer.
inline const char* DateInto(Clock& clock, uint32_t handheld_seconds, char* buffer) {
  buffer[0] = '\0';
  if (handheld_seconds == 0) return buffer;
  HandheldLink link(clock);
  link.FormatDate(handheld_seconds, buffer);
  buffer[kDateTextSize - 1] = '\0';
  return buffer;
}

// As DateInto, as a text of its own.
inline TextString DateText(Clock& clock, uint32_t handheld_seconds) {
  char buffer[kDateTextSize] = {};
  return TextString(DateInto(clock, handheld_seconds, buffer));
}

inline bool IsBlank(const char* text) {
  while (IsSpaceChar(*text)) ++text;
  return *text == '\0';
}

// The value of a yes/no text of size bytes (the text itself is "true", "yes" or "1", letter case
// ignored) and in *read whether it reads as one at all (trimmed, one of those or "false", "no",
// "0", or blank).
inline bool ReadBool(const char* text, size_t size, bool* read) {
  // The texts the export writes, looked at first.
  if (size == 4 && std::memcmp(text, "True", 4) == 0) {
    *read = true;
    return true;
  }
  if (size == 5 && std::memcmp(text, "False", 5) == 0) {
    *read = true;
    return false;
  }
  if (IsTrueText(text, size)) {
    *read = true;
    return true;
  }
  const char* begin = text;
  const char* end = text + size;
  while (begin < end && IsSpaceChar(*begin)) ++begin;
  while (end > begin && IsSpaceChar(end[-1])) --end;
  const size_t n = static_cast<size_t>(end - begin);
  *read = n == 0 || IsTrueText(begin, n) || FoldedEquals(begin, n, "false") || FoldedEquals(begin, n, "no") ||
          FoldedEquals(begin, n, "0");
  return false;
}

// The value tables the import reads, prepared once for the process.
inline const LookupTable& LoanStatusTable() {
  static const LookupTable kTable(movie_tables::kLoanStatusNames, movie_tables::kLoanStatusAltKeys,
                                  movie_tables::kLoanStatusCount, LookupTable::Kind::kIndex,
                                  movie_tables::kLoanStatusNames);
  return kTable;
}

inline const LookupTable& MediaTypeTable() {
  static const LookupTable kTable(movie_tables::kMediaTypeNames, movie_tables::kMediaTypeNames,
                                  movie_tables::kMediaTypeCount, LookupTable::Kind::kIndex,
                                  movie_tables::kMediaTypeNames);
  return kTable;
}

inline const LookupTable& ScreenEncodingTable() {
  static const LookupTable kTable(movie_tables::kScreenEncodingNames, movie_tables::kScreenEncodingAltKeys,
                                  movie_tables::kScreenEncodingCount, LookupTable::Kind::kIndex,
                                  movie_tables::kScreenEncodingNames);
  return kTable;
}

inline const LookupTable& FilmProcessTable() {
  static const LookupTable kTable(movie_tables::kFilmProcessNames, movie_tables::kFilmProcessNames,
                                  movie_tables::kFilmProcessCount, LookupTable::Kind::kIndex,
                                  movie_tables::kFilmProcessNames);
  return kTable;
}

inline const LookupTable& StarRatingTable() {
  static const LookupTable kTable(movie_tables::kStarRatingKeys, movie_tables::kStarRatingNumericKeys,
                                  movie_tables::kStarRatingCount, LookupTable::Kind::kIndex,
                                  movie_tables::kStarRatingDisplay);
  return kTable;
}

inline const LookupTable& MpaaRatingTable() {
  static const LookupTable kTable(movie_tables::kMpaaRatingNames, movie_tables::kMpaaRatingAltKeys,
                                  movie_tables::kMpaaRatingCount, LookupTable::Kind::kIndex,
                                  movie_tables::kMpaaRatingNames);
  return kTable;
}

inline const LookupTable& GenreTable() {
  static const LookupTable kGenres(movie_tables::kGenreKeys, movie_tables::kGenreAltKeys, movie_tables::kGenreCount,
                                   LookupTable::Kind::kMask);
  return kGenres;
}

inline const LookupTable& AwardTable() {
  static const LookupTable kAwards(movie_tables::kAwardKeys, movie_tables::kAwardAltKeys, movie_tables::kAwardCount,
                                   LookupTable::Kind::kMask);
  return kAwards;
}

// The row the text names in a kIndex table (0 for none); *read: it names one or is blank.
inline uint32_t ReadIndex(const LookupTable& table, const char* text, size_t size, bool* read) {
  int32_t row = table.Index(text, size, -1);
  *read = row >= 0 || IsBlank(text);
  return row < 0 ? 0u : static_cast<uint32_t>(row);
}

// The rows whose keys the text holds in a kMask table; *read: it holds one or is blank.
inline uint32_t ReadMask(const LookupTable& table, const char* text, size_t size, bool* read) {
  uint32_t mask = table.Mask(text, size);
  *read = mask != 0 || IsBlank(text);
  return mask;
}

// A genre text as the export writes it is read by the walk over the names, any other by the search
// for the keys, which gives the same genres for such a text.
uint32_t ReadGenre(const char* text, size_t size, bool* read);

// A date text: as ParseDate reads it (month, day, year), or written year first (four digits, then
// month and day), as spreadsheets save dates. *read is false when the text holds no real date; the
// value is then what ParseDate makes of it.
uint32_t ReadDate(Clock& clock, const char* text, bool* read);

// The two digits of each value below 100.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline uint64_t DigitPair(uint32_t value) {
  uint16_t pair;
  std::memcpy(&pair, kDigitPairs + 2 * value, sizeof pair);
  return pair;
}

// value in decimal into out (room for 11 bytes), NUL-terminated; gives the number of digits.
inline size_t DecimalInto(uint32_t value, char* out) {
  if (value < 10000) {
    // Years, counts and regions: the digits and the NUL after them in one store, two digits a
    // step (the text is read back a word at a time right away).
    uint64_t word;
    size_t n;
    if (value < 10) {
      word = '0' + value;
      n = 1;
    } else if (value < 100) {
      word = DigitPair(value);
      n = 2;
    } else if (value < 1000) {
      word = ('0' + value / 100) | DigitPair(value % 100) << 8;
      n = 3;
    } else {
      word = DigitPair(value / 100) | DigitPair(value % 100) << 16;
      n = 4;
    }
    std::memcpy(out, &word, sizeof word);
    return n;
  }
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  if (n < 8) {
    // The digits and the NUL after them in one store: the text is read back a word at a time
    // right away, and a word loaded over byte stores waits for them.
    uint64_t word = 0;
    for (int i = 0; i < n; ++i) word |= static_cast<uint64_t>(static_cast<unsigned char>(digits[n - 1 - i])) << (8 * i);
    std::memcpy(out, &word, sizeof word);
    return static_cast<size_t>(n);
  }
  for (int i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
  out[n] = '\0';
  return static_cast<size_t>(n);
}

// value in decimal into out (room for 11 bytes); gives out.
inline const char* DecimalText(uint32_t value, char* out) {
  DecimalInto(value, out);
  return out;
}

// value in decimal as a text of its own.
inline TextString Decimal(uint32_t value) {
  char text[11];
  return TextString(DecimalText(value, text));
}

// The year and the names of the awards into out (kAwardsTextSize bytes); gives its length. Every
// name of the table together fits.
inline constexpr size_t kAwardsTextSize = 1024;
size_t AwardsInto(uint32_t awards_attr, char* out);

// As AwardsInto, as a text of its own.
TextString AwardsText(uint32_t awards_attr);

// The awards attribute an awards text of size bytes gives: the award bits from bit 7 up, the year
// offset from 1927 below them (0 for no year or one that does not fit).
uint32_t ParseAwards(const char* text, size_t size);


// text into buffer (*size bytes), cut to fit; *size gets the full length. True when it fitted.
inline bool CopyFieldText(const char* text, char* buffer, int32_t* size) {
  const int32_t length = static_cast<int32_t>(std::strlen(text));
  const int32_t copy = length < *size - 1 ? length : *size - 1;
  std::memcpy(buffer, text, static_cast<size_t>(copy));
  buffer[copy] = '\0';
  const bool fitted = length < *size;
  *size = length;
  return fitted;
}

// A NUL-terminated name as a view.
inline std::string_view NameView(const char* name) { return std::string_view(name, byte_scan::TextLength(name)); }

}  // namespace movie_value_text

#endif  // REELBOX_MOVIES_MOVIE_VALUE_TEXT_H
