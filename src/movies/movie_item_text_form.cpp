// The text form of a movie item: one text per field index, as the tab-delimited files carry it,
// copying present fields through it, the one-line description and the matching key.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "diag/handheld_link.h"
#include "movies/movie_categories.h"
#include "movies/movie_item.h"
#include "movies/movie_lookup.h"
#include "movies/movie_tables.h"
#include "platform/byte_scan.h"

using namespace movie_tables;

namespace {

const char* BoolText(bool value) { return value ? "True" : "False"; }

// Equal as TextString::Compare sees texts: ASCII letter case ignored.
bool FoldedEquals(const char* text, size_t length, const char* word) {
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

bool IsTrueText(const char* text, size_t length) {
  return FoldedEquals(text, length, "true") || FoldedEquals(text, length, "yes") || FoldedEquals(text, length, "1");
}

// Leading white space, an optional sign, decimal digits; no digits gives 0. Saturates instead of
// overflowing on absurdly long digit runs. *read: the text is blank, or the sign and digits stand
// between blanks.
int32_t ReadInteger(const char* text, bool* read) {
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
const char* DateInto(Clock& clock, uint32_t handheld_seconds, char* buffer) {
  buffer[0] = '\0';
  if (handheld_seconds == 0) return buffer;
  HandheldLink link(clock);
  link.FormatDate(handheld_seconds, buffer);
  buffer[kDateTextSize - 1] = '\0';
  return buffer;
}

TextString DateText(Clock& clock, uint32_t handheld_seconds) {
  char buffer[kDateTextSize] = {};
  return TextString(DateInto(clock, handheld_seconds, buffer));
}

bool IsBlank(const char* text) {
  while (IsSpaceChar(*text)) ++text;
  return *text == '\0';
}

// The value of a yes/no text of size bytes (the text itself is "true", "yes" or "1", letter case
// ignored) and in *read whether it reads as one at all (trimmed, one of those or "false", "no",
// "0", or blank).
bool ReadBool(const char* text, size_t size, bool* read) {
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
const LookupTable& LoanStatusTable() {
  static const LookupTable kTable(kLoanStatusNames, kLoanStatusAltKeys, kLoanStatusCount, LookupTable::Kind::kIndex,
                                  kLoanStatusNames);
  return kTable;
}

const LookupTable& MediaTypeTable() {
  static const LookupTable kTable(kMediaTypeNames, kMediaTypeNames, kMediaTypeCount, LookupTable::Kind::kIndex,
                                  kMediaTypeNames);
  return kTable;
}

const LookupTable& ScreenEncodingTable() {
  static const LookupTable kTable(kScreenEncodingNames, kScreenEncodingAltKeys, kScreenEncodingCount,
                                  LookupTable::Kind::kIndex, kScreenEncodingNames);
  return kTable;
}

const LookupTable& FilmProcessTable() {
  static const LookupTable kTable(kFilmProcessNames, kFilmProcessNames, kFilmProcessCount, LookupTable::Kind::kIndex,
                                  kFilmProcessNames);
  return kTable;
}

const LookupTable& StarRatingTable() {
  static const LookupTable kTable(kStarRatingKeys, kStarRatingNumericKeys, kStarRatingCount, LookupTable::Kind::kIndex,
                                  kStarRatingDisplay);
  return kTable;
}

const LookupTable& MpaaRatingTable() {
  static const LookupTable kTable(kMpaaRatingNames, kMpaaRatingAltKeys, kMpaaRatingCount, LookupTable::Kind::kIndex,
                                  kMpaaRatingNames);
  return kTable;
}

const LookupTable& GenreTable() {
  static const LookupTable kGenres(kGenreKeys, kGenreAltKeys, kGenreCount, LookupTable::Kind::kMask);
  return kGenres;
}

const LookupTable& AwardTable() {
  static const LookupTable kAwards(kAwardKeys, kAwardAltKeys, kAwardCount, LookupTable::Kind::kMask);
  return kAwards;
}

uint32_t ReadIndex(const LookupTable& table, const char* text, size_t size, bool* read) {
  int32_t row = table.Index(text, size, -1);
  *read = row >= 0 || IsBlank(text);
  return row < 0 ? 0u : static_cast<uint32_t>(row);
}

uint32_t ReadMask(const LookupTable& table, const char* text, size_t size, bool* read) {
  uint32_t mask = table.Mask(text, size);
  *read = mask != 0 || IsBlank(text);
  return mask;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The names of a table as the export joins them: the names of the set rows in table order, a
// separator between. Such a text is read back by one walk: at each name, only the rows whose name
// begins with its first byte are tried.
class JoinedNames {
 public:
  JoinedNames(const char* const* names, int32_t count, const char* separator)
      : names_(names), count_(count < 32 ? count : 32), separator_(separator), separator_size_(std::strlen(separator)) {
    for (int& row : first_) row = -1;
    for (int32_t row = count_ - 1; row >= 0; --row) {
      sizes_[row] = std::strlen(names[row]);
      const unsigned char c = static_cast<unsigned char>(names[row][0]);
      next_[row] = first_[c];
      first_[c] = row;
    }
  }

  // The set rows when the text is such a join of at least one name; 0 otherwise.
  uint32_t Read(const char* text, size_t size) const {
    uint32_t mask = 0;
    int32_t last = -1;
    size_t at = 0;
    while (at < size) {
      int32_t row = first_[static_cast<unsigned char>(text[at])];
      size_t end = 0;
      for (; row >= 0; row = next_[row]) {
        const size_t n = sizes_[row];
        if (row <= last || size - at < n || !byte_scan::SameShort(text + at, names_[row], n)) continue;
        end = at + n;
        if (end == size) break;
        if (size - end > separator_size_ && SeparatorAt(text + end)) break;
      }
      if (row < 0) return 0;
      mask |= 1u << row;
      last = row;
      if (end == size) return mask;
      at = end + separator_size_;
    }
    return 0;
  }

 private:
  // Separators are a byte or two: the first is compared on its own.
  bool SeparatorAt(const char* p) const {
    return p[0] == separator_[0] &&
           (separator_size_ == 1 || byte_scan::SameShort(p + 1, separator_ + 1, separator_size_ - 1));
  }

  const char* const* names_;
  int32_t count_;
  const char* separator_;
  size_t separator_size_;
  size_t sizes_[32] = {};
  int32_t next_[32] = {};  // the next row whose name begins with the same byte, or -1
  int first_[256];         // by first byte: the first row whose name begins with it, or -1
};

// A genre text as the export writes it is read by the walk over the names, any other by the search
// for the keys, which gives the same genres for such a text.
uint32_t ReadGenre(const char* text, size_t size, bool* read) {
  static const JoinedNames kExported(kGenreNames, kGenreCount, "/");
  const uint32_t mask = kExported.Read(text, size);
  if (mask != 0) {
    *read = true;
    return mask;
  }
  return ReadMask(GenreTable(), text, size, read);
}

// The next run of digits after any other characters, as ParseDate reads its numbers; -1 when there
// is none. *digits gets the run's length.
int32_t NextDateNumber(const char** cursor, int* digits) {
  const char* p = *cursor;
  while (*p != '\0' && (*p < '0' || *p > '9')) ++p;
  *digits = 0;
  int32_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p, ++*digits) {
    if (value < 100000) value = value * 10 + (*p - '0');
  }
  *cursor = p;
  return *digits == 0 ? -1 : value;
}

bool ValidDate(int32_t year, int32_t month, int32_t day) {
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month != 2 || day <= 28 || leap;
}

// A date text: as ParseDate reads it (month, day, year), or written year first (four digits, then
// month and day), as spreadsheets save dates. *read is false when the text holds no real date; the
// value is then what ParseDate makes of it.
uint32_t ReadDate(Clock& clock, const char* text, bool* read) {
  *read = true;
  if (IsBlank(text)) return 0;
  const char* p = text;
  int d1 = 0, d2 = 0, d3 = 0;
  int32_t a = NextDateNumber(&p, &d1);
  int32_t b = NextDateNumber(&p, &d2);
  int32_t c = NextDateNumber(&p, &d3);
  HandheldLink link(clock);
  uint32_t value = 0;
  if (d1 == 4 && b >= 0 && c >= 0 && ValidDate(a, b, c)) {
    // Month, day and year as the text gives them in the other order.
    link.ParseDateNumbers(b, c, a, &value);
    return value;
  }
  int32_t year = c < 0 ? -1 : c < 70 ? c + 2000 : c < 100 ? c + 1900 : c;
  *read = a >= 0 && b >= 0 && c >= 0 && ValidDate(year, a, b);
  // Numbers of up to four digits are the ones ParseDate reads from the text; others it caps.
  if (*read && d1 <= 4 && d2 <= 4 && d3 <= 4) {
    link.ParseDateNumbers(a, b, c, &value);
  } else {
    link.ParseDate(text, &value);
  }
  return value;
}

// The due date as a date text into buffer (kDateTextSize bytes); gives buffer.
const char* DueDateInto(Clock& clock, const MovieItem& item, char* buffer) {
  static const uint32_t kPeriods[5] = {0, 86400, 172800, 259200, 604800};
  uint32_t due = item.GetDueDate();
  buffer[0] = '\0';
  if (due == 0) return buffer;
  if (due >= 5) return DateInto(clock, due, buffer);
  uint32_t base = item.GetLoanDate();
  if (base == 0) {
    HandheldLink link(clock);
    // Without the handheld's clock the desktop's local time is the nearest wall clock.
    if (link.ReadHandheldClock(&base) != 0) {
      uint32_t local = 0;
      link.LocalTimeNow(&local);
      base = link.DesktopToHandheld(local);
    }
  }
  return DateInto(clock, base + kPeriods[due], buffer);
}

TextString DueDateText(Clock& clock, const MovieItem& item) {
  char buffer[kDateTextSize] = {};
  return TextString(DueDateInto(clock, item, buffer));
}

// The two digits of each value below 100.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

uint64_t DigitPair(uint32_t value) {
  uint16_t pair;
  std::memcpy(&pair, kDigitPairs + 2 * value, sizeof pair);
  return pair;
}

// value in decimal into out (room for 11 bytes), NUL-terminated; gives the number of digits.
size_t DecimalInto(uint32_t value, char* out) {
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
const char* DecimalText(uint32_t value, char* out) {
  DecimalInto(value, out);
  return out;
}

// The year and the names of the awards into out (kAwardsTextSize bytes); gives its length. Every
// name of the table together fits.
constexpr size_t kAwardsTextSize = 1024;
size_t AwardsInto(uint32_t awards_attr, char* out) {
  struct Names {
    size_t size[kAwardCount];
    size_t total;
  };
  static const Names kNames = [] {
    Names names{};
    for (int32_t i = 0; i < kAwardCount; ++i) {
      names.size[i] = std::strlen(kAwardNames[i]);
      names.total += names.size[i] + 2;
    }
    return names;
  }();
  out[0] = '\0';
  if ((awards_attr & 0xFFFFFF80u) == 0) return 0;
  // The year has four digits: the offset is 0 to 127.
  size_t used = DecimalInto(1927 + (awards_attr & 0x7F), out);
  out[used++] = ' ';
  if (kNames.total + used >= kAwardsTextSize) {  // never: the table is short
    out[used] = '\0';
    return used;
  }
  bool first = true;
  for (int32_t i = 0; i < kAwardCount; ++i) {
    if (!(awards_attr & (1u << (i + 7)))) continue;
    if (!first) {
      out[used++] = ',';
      out[used++] = ' ';
    }
    byte_scan::CopyShort(out + used, kAwardNames[i], kNames.size[i]);
    used += kNames.size[i];
    first = false;
  }
  out[used] = '\0';
  return used;
}

TextString AwardsText(uint32_t awards_attr) {
  char text[kAwardsTextSize];
  AwardsInto(awards_attr, text);
  return TextString(text);
}

uint32_t ParseAwards(const char* text, size_t size) {
  // The export writes a four-digit year, a blank and the names; other texts are searched for keys.
  static const JoinedNames kExported(kAwardNames, kAwardCount, ", ");
  const bool year_first = size > 5 && text[4] == ' ' && IsDigit(text[0]) && IsDigit(text[1]) && IsDigit(text[2]) &&
                          IsDigit(text[3]);
  uint32_t mask = year_first ? kExported.Read(text + 5, size - 5) : 0;
  if (mask == 0) mask = AwardTable().Mask(text, size);
  uint32_t offset = 0;
  if (text[0] >= '0' && text[0] <= '9') {
    uint32_t year = 0;
    for (int i = 0; i < 9 && text[i] >= '0' && text[i] <= '9'; ++i) year = year * 10 + (text[i] - '0');
    // Years past 2054 do not fit the seven offset bits; they count as no year rather than spilling
    // into the award bits.
    if (year >= 1927 && year - 1927 <= 0x7F) offset = year - 1927;
  }
  return (mask << 7) | offset;
}

TextString Decimal(uint32_t value) {
  char text[11];
  return TextString(DecimalText(value, text));
}

// text into buffer (*size bytes), cut to fit; *size gets the full length. True when it fitted.
bool CopyFieldText(const char* text, char* buffer, int32_t* size) {
  const int32_t length = static_cast<int32_t>(std::strlen(text));
  const int32_t copy = length < *size - 1 ? length : *size - 1;
  std::memcpy(buffer, text, static_cast<size_t>(copy));
  buffer[copy] = '\0';
  const bool fitted = length < *size;
  *size = length;
  return fitted;
}

}  // namespace

TextString MovieItem::FieldText(Clock& clock, int32_t index) {
  switch (static_cast<MovieField>(index)) {
    case MovieField::kCategory: {
      TextString name;
      MovieCategories* categories = CurrentMovieCategories();
      // A slot without a name is exported under the fallback name too, as the import puts any
      // unknown name into category 0.
      if (categories == nullptr || !categories->GetName(static_cast<int32_t>(category_), name) ||
          name.IsEmpty())
        name = "Unfiled Movies";
      return name;
    }
    case MovieField::kTitle: return GetTitle();
    case MovieField::kDirector: return GetDirector();
    case MovieField::kCountry: return GetCountry();
    case MovieField::kYear: return GetYearText();
    case MovieField::kMadeForTV: return BoolText(GetMadeForTV());
    case MovieField::kGenre: return GetGenreNames();
    case MovieField::kCast: return GetCast();
    case MovieField::kLoanStatus: return LoanStatusName(static_cast<int32_t>(GetLoanStatus()));
    case MovieField::kLoanDate: return DateText(clock, GetLoanDate());
    case MovieField::kDueDate: return DueDateText(clock, *this);
    case MovieField::kLoanLocation: return GetLocation();
    case MovieField::kOwned: return BoolText(GetOwned());
    case MovieField::kViewed: return BoolText(GetViewed());
    case MovieField::kAcquired: return GetAcquiredFrom();
    case MovieField::kPrice: return GetPrice();
    case MovieField::kCatalog: return GetCatalog();
    case MovieField::kRunningTime: return GetRunTime();
    case MovieField::kMediaType: return GetMediaTypeName();
    case MovieField::kMediaQuantity: return Decimal(GetMediaQuantity());
    case MovieField::kMediaRegion: return Decimal(GetMediaRegion());
    case MovieField::kColor: return BoolText(GetColor());
    case MovieField::kScreenEncoding: return ScreenEncodingName(static_cast<int32_t>(GetScreenEncoding()));
    case MovieField::kFilmProcess: return GetFilmProcessName();
    case MovieField::kAudioMono: case MovieField::kAudioStereo: case MovieField::kAudioDD20: case MovieField::kAudioDD51: case MovieField::kAudioDTS: case MovieField::kAudioTHX:
      return BoolText(GetAudioFlags() & (1u << (index - ToInt(MovieField::kAudioMono))));
    case MovieField::kRating: return StarRatingName(static_cast<int32_t>(GetMyRating()));
    case MovieField::kMPAA: return MpaaRatingName(static_cast<int32_t>(GetMpaaRating()));
    case MovieField::kNotes: return GetNotes();
    default: return AwardsText(GetAwardsAttr());
  }
}

static_assert(MovieCategories::kNameSize <= kDateTextSize, "a category name fits the scratch buffer");

const char* MovieItem::PlainFieldText(Clock& clock, int32_t index, char* scratch) {
  const char* plain = nullptr;
  switch (static_cast<MovieField>(index)) {
    case MovieField::kCategory: {
      // Category names fit the scratch buffer; copied there, they need no heap text per record.
      MovieCategories* categories = CurrentMovieCategories();
      plain = categories != nullptr ? categories->NameInto(static_cast<int32_t>(category_), scratch) : nullptr;
      // A slot without a name is exported under the fallback name too, as the import puts any
      // unknown name into category 0.
      if (plain == nullptr || plain[0] == '\0') plain = "Unfiled Movies";
      break;
    }
    case MovieField::kGenre: plain = GenreNamesText(); break;
    case MovieField::kLoanDate: plain = DateInto(clock, GetLoanDate(), scratch); break;
    case MovieField::kDueDate: plain = DueDateInto(clock, *this, scratch); break;
    case MovieField::kYear: {
      // The year offset is 1 to 127, so the year has four digits ("%4.4i").
      const uint32_t offset = GetYearOffset();
      scratch[0] = '\0';
      plain = offset != 0 ? DecimalText(1904 + offset, scratch) : scratch;
      break;
    }
    case MovieField::kMediaQuantity: plain = DecimalText(GetMediaQuantity(), scratch); break;
    case MovieField::kMediaRegion: plain = DecimalText(GetMediaRegion(), scratch); break;
    case MovieField::kTitle: plain = GetTitle(); break;
    case MovieField::kDirector: plain = GetDirector(); break;
    case MovieField::kCountry: plain = GetCountry(); break;
    case MovieField::kMadeForTV: plain = BoolText(GetMadeForTV()); break;
    case MovieField::kCast: plain = GetCast(); break;
    case MovieField::kLoanStatus: plain = LoanStatusName(static_cast<int32_t>(GetLoanStatus())); break;
    case MovieField::kLoanLocation: plain = GetLocation(); break;
    case MovieField::kOwned: plain = BoolText(GetOwned()); break;
    case MovieField::kViewed: plain = BoolText(GetViewed()); break;
    case MovieField::kAcquired: plain = GetAcquiredFrom(); break;
    case MovieField::kPrice: plain = GetPrice(); break;
    case MovieField::kCatalog: plain = GetCatalog(); break;
    case MovieField::kRunningTime: plain = GetRunTime(); break;
    case MovieField::kMediaType: plain = GetMediaTypeName(); break;
    case MovieField::kColor: plain = BoolText(GetColor()); break;
    case MovieField::kScreenEncoding: plain = ScreenEncodingName(static_cast<int32_t>(GetScreenEncoding())); break;
    case MovieField::kFilmProcess: plain = GetFilmProcessName(); break;
    case MovieField::kAudioMono: case MovieField::kAudioStereo: case MovieField::kAudioDD20: case MovieField::kAudioDD51: case MovieField::kAudioDTS: case MovieField::kAudioTHX:
      plain = BoolText(GetAudioFlags() & (1u << (index - ToInt(MovieField::kAudioMono))));
      break;
    case MovieField::kRating: plain = StarRatingName(static_cast<int32_t>(GetMyRating())); break;
    case MovieField::kMPAA: plain = MpaaRatingName(static_cast<int32_t>(GetMpaaRating())); break;
    case MovieField::kNotes: plain = GetNotes(); break;
    default:
      // No awards: an empty text; the list of awards is computed.
      if ((GetAwardsAttr() & 0xFFFFFF80u) == 0) {
        scratch[0] = '\0';
        plain = scratch;
      }
      break;
  }
  return plain;
}

bool MovieItem::GetFieldText(Clock& clock, int32_t index, char* buffer, int32_t* size) {
  if (buffer == nullptr || size == nullptr || *size < 1 || index == -1) return false;
  buffer[0] = '\0';
  if (index < 0 || index >= kMovieFieldCount) return false;
  char scratch[kDateTextSize];
  const char* plain = PlainFieldText(clock, index, scratch);
  // The list of awards, the one computed text, is made on the stack too.
  char awards[kAwardsTextSize];
  if (plain == nullptr) {
    AwardsInto(GetAwardsAttr(), awards);
    plain = awards;
  }
  return CopyFieldText(plain, buffer, size);
}

static_assert(kDateTextSize <= kAwardsTextSize && MovieCategories::kNameSize <= kAwardsTextSize,
              "every computed text fits the room kept for the list of awards");

namespace {

std::string_view BoolView(bool value) { return value ? std::string_view("True", 4) : std::string_view("False", 5); }

std::string_view NameView(const char* name) { return std::string_view(name, byte_scan::TextLength(name)); }

std::string_view DecimalView(uint32_t value, char* scratch) { return std::string_view(scratch, DecimalInto(value, scratch)); }

// A row's name of a value table as the table's own Name function gives it (row 0 for an index out of
// range), with the names' lengths counted once: an export shows six table names per line.
template <const auto& kNames>
std::string_view RowView(uint32_t index) {
  constexpr size_t kRows = std::size(kNames);
  static const auto kLengths = [] {
    std::array<uint8_t, kRows> lengths{};
    for (size_t i = 0; i < kRows; ++i) lengths[i] = static_cast<uint8_t>(std::strlen(kNames[i]));
    return lengths;
  }();
  const size_t row = index < kRows ? index : 0;
  return std::string_view(kNames[row], kLengths[row]);
}

// The genre names, slashes between, into scratch (every name of the table fits).
std::string_view GenresView(uint32_t genre, char* scratch) {
  struct Names {
    const char* text[32];
    size_t size[32];
  };
  static const Names kNames = [] {
    Names names{};
    for (int32_t bit = 0; bit < GenreCount() && bit < 32; ++bit) {
      names.text[bit] = GenreName(bit);
      names.size[bit] = std::strlen(names.text[bit]);
    }
    return names;
  }();
  size_t used = 0;
  for (int32_t bit = 0; bit < GenreCount() && bit < 32; ++bit) {
    if (!(genre & (1u << bit))) continue;
    if (used > 0) scratch[used++] = '/';
    byte_scan::CopyShort(scratch + used, kNames.text[bit], kNames.size[bit]);
    used += kNames.size[bit];
  }
  return std::string_view(scratch, used);
}

}  // namespace

bool MovieItem::GetFieldViews(Clock& clock, const int32_t* indexes, int32_t count, char* scratch, FieldView* views) {
  if (indexes == nullptr || scratch == nullptr || views == nullptr) return false;
  // An item with neither form leaves its texts to GetFieldText, which says so in the debug log.
  if (!packed_valid_ && !trans_valid_) return false;
  // Every computed text is put behind the one before; each takes at most the list of awards.
  size_t used = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t index = indexes[i];
    if (index == -1) continue;
    if (index < 0 || index >= kMovieFieldCount || DataRecord::kViewsScratchSize - used < kAwardsTextSize) return false;
    char* const room = scratch + used;
    // Names of the value tables, numbers and yes/no texts have no blank at either end and nothing
    // to escape.
    bool as_is = true;
    std::string_view text("", 0);
    switch (static_cast<MovieField>(index)) {
      case MovieField::kTitle: as_is = false; text = TextView(movie_record::kTitle); break;
      case MovieField::kDirector: as_is = false; text = TextView(movie_record::kDirector); break;
      case MovieField::kCountry: as_is = false; text = TextView(movie_record::kCountry); break;
      case MovieField::kCast: as_is = false; text = TextView(movie_record::kCast); break;
      case MovieField::kLoanLocation: as_is = false; text = TextView(movie_record::kLocation); break;
      case MovieField::kAcquired: as_is = false; text = TextView(movie_record::kAcquiredFrom); break;
      case MovieField::kPrice: as_is = false; text = TextView(movie_record::kPrice); break;
      case MovieField::kCatalog: as_is = false; text = TextView(movie_record::kCatalog); break;
      case MovieField::kRunningTime: as_is = false; text = TextView(movie_record::kRunTime); break;
      case MovieField::kNotes: as_is = false; text = TextView(movie_record::kNotes); break;
      case MovieField::kMadeForTV: text = BoolView(GetMadeForTV()); break;
      case MovieField::kOwned: text = BoolView(GetOwned()); break;
      case MovieField::kViewed: text = BoolView(GetViewed()); break;
      case MovieField::kColor: text = BoolView(GetColor()); break;
      case MovieField::kAudioMono: case MovieField::kAudioStereo: case MovieField::kAudioDD20: case MovieField::kAudioDD51: case MovieField::kAudioDTS: case MovieField::kAudioTHX:
        text = BoolView(GetAudioFlags() & (1u << (index - ToInt(MovieField::kAudioMono))));
        break;
      case MovieField::kGenre: text = GenresView(GetGenre(), room); break;
      case MovieField::kLoanStatus: text = RowView<movie_tables::kLoanStatusNames>(GetLoanStatus()); break;
      case MovieField::kMediaType: text = RowView<movie_tables::kMediaTypeNames>(GetMediaType()); break;
      case MovieField::kScreenEncoding: text = RowView<movie_tables::kScreenEncodingNames>(GetScreenEncoding()); break;
      case MovieField::kFilmProcess: text = RowView<movie_tables::kFilmProcessNames>(GetWideScreenProcess()); break;
      case MovieField::kRating: text = RowView<movie_tables::kStarRatingDisplay>(GetMyRating()); break;
      case MovieField::kMPAA: text = RowView<movie_tables::kMpaaRatingNames>(GetMpaaRating()); break;
      case MovieField::kMediaQuantity: text = DecimalView(GetMediaQuantity(), room); break;
      case MovieField::kMediaRegion: text = DecimalView(GetMediaRegion(), room); break;
      case MovieField::kYear: {
        // The year offset is 1 to 127, so the year has four digits ("%4.4i").
        const uint32_t offset = GetYearOffset();
        if (offset != 0) text = DecimalView(1904 + offset, room);
        break;
      }
      case MovieField::kAwards:
        // A year without awards leaves a blank at the end.
        as_is = false;
        text = std::string_view(room, AwardsInto(GetAwardsAttr(), room));
        break;
      default: {
        // The category and the dates: their texts come from the user and the system.
        as_is = false;
        const char* plain = PlainFieldText(clock, index, room);
        if (plain == nullptr) return false;
        text = NameView(plain);
        break;
      }
    }
    if (text.data() == room) used += text.size() + 1;
    views[i] = FieldView{text.data(), text.size(), as_is};
  }
  return true;
}

// Inlined into the loop over a line's fields.
__attribute__((always_inline)) inline bool MovieItem::StoreFieldText(Clock& clock, int32_t index, const char* text,
                                                                     size_t size) {
  bool read = true;
  switch (static_cast<MovieField>(index)) {
    case MovieField::kCategory: {
      MovieCategories* categories = CurrentMovieCategories();
      int32_t slot = categories ? categories->FindExact(text) : -1;
      category_ = slot < 0 ? 0 : static_cast<uint32_t>(slot);
      read = slot >= 0 || IsBlank(text);
      break;
    }
    case MovieField::kTitle: SetTextField(movie_record::kTitle, text, size); break;
    case MovieField::kDirector: SetTextField(movie_record::kDirector, text, size); break;
    case MovieField::kCountry: SetTextField(movie_record::kCountry, text, size); break;
    case MovieField::kYear: {
      int32_t year = ReadInteger(text, &read);
      if (year >= 1 && year <= 20) year += 2000;
      else if (year >= 21 && year <= 99) year += 1900;
      SetYear(year);
      break;
    }
    case MovieField::kMadeForTV: SetMadeForTV(ReadBool(text, size, &read)); break;
    case MovieField::kGenre: SetGenre(ReadGenre(text, size, &read)); break;
    case MovieField::kCast: SetTextField(movie_record::kCast, text, size); break;
    case MovieField::kLoanStatus:
      SetLoanStatus(ReadIndex(LoanStatusTable(), text, size, &read));
      break;
    case MovieField::kLoanDate: SetLoanDate(ReadDate(clock, text, &read)); break;
    case MovieField::kDueDate: SetDueDate(ReadDate(clock, text, &read)); break;
    case MovieField::kLoanLocation: SetTextField(movie_record::kLocation, text, size); break;
    case MovieField::kOwned: SetOwned(ReadBool(text, size, &read)); break;
    case MovieField::kViewed: SetViewed(ReadBool(text, size, &read)); break;
    case MovieField::kAcquired: SetTextField(movie_record::kAcquiredFrom, text, size); break;
    case MovieField::kPrice: SetTextField(movie_record::kPrice, text, size); break;
    case MovieField::kCatalog: SetTextField(movie_record::kCatalog, text, size); break;
    case MovieField::kRunningTime: SetTextField(movie_record::kRunTime, text, size); break;
    case MovieField::kMediaType: SetMediaType(ReadIndex(MediaTypeTable(), text, size, &read)); break;
    case MovieField::kMediaQuantity: SetMediaQuantity(static_cast<uint32_t>(ReadInteger(text, &read)) & 0xFFu); break;
    case MovieField::kMediaRegion: SetMediaRegion(static_cast<uint32_t>(ReadInteger(text, &read)) & 0xFFu); break;
    case MovieField::kColor: SetColor(ReadBool(text, size, &read)); break;
    case MovieField::kScreenEncoding:
      SetScreenEncoding(ReadIndex(ScreenEncodingTable(), text, size, &read));
      break;
    case MovieField::kFilmProcess:
      SetWideScreenProcess(ReadIndex(FilmProcessTable(), text, size, &read));
      break;
    case MovieField::kAudioMono: case MovieField::kAudioStereo: case MovieField::kAudioDD20: case MovieField::kAudioDD51: case MovieField::kAudioDTS: case MovieField::kAudioTHX: {
      uint32_t bit = 1u << (index - ToInt(MovieField::kAudioMono));
      SetAudioFlags(ReadBool(text, size, &read) ? (GetAudioFlags() | bit) : (GetAudioFlags() & ~bit));
      break;
    }
    case MovieField::kRating: SetMyRating(ReadIndex(StarRatingTable(), text, size, &read)); break;
    case MovieField::kMPAA: SetMpaaRating(ReadIndex(MpaaRatingTable(), text, size, &read)); break;
    case MovieField::kNotes: SetTextField(movie_record::kNotes, text, size); break;
    default: {
      uint32_t awards = ParseAwards(text, size);
      SetAwardsAttr(awards);
      read = (awards >> 7) != 0 || IsBlank(text);
      break;
    }
  }
  return read;
}

bool MovieItem::SetFieldText(Clock& clock, int32_t index, const char* text) {
  last_text_read_ = true;
  if (text == nullptr || index < 0 || index >= kMovieFieldCount) return false;
  last_text_read_ = StoreFieldText(clock, index, text, std::strlen(text));
  if (!last_text_read_) StoreBlank(clock, index);
  return true;
}

// Kept out of line: texts that do not read are rare, and the field loop stays small.
__attribute__((noinline)) void MovieItem::StoreBlank(Clock& clock, int32_t index) {
  StoreFieldText(clock, index, "", 0);
}

int32_t MovieItem::SetFieldTexts(Clock& clock, const FieldInput* fields, int32_t count, bool* rejected) {
  *rejected = false;
  // The presence bits are gathered by byte and set once at the end: a line gives every field.
  // Field i is bit 63 - i: each byte, from the top, holds its fields most significant first.
  static_assert(kMovieFieldCount <= 40, "five bytes of presence bits");
  uint64_t given = 0;
  int32_t stored = count;
  for (int32_t i = 0; i < count; ++i) {
    const FieldInput& field = fields[i];
    last_text_read_ = true;
    if (field.text == nullptr || field.index < 0 || field.index >= kMovieFieldCount) {
      *rejected = true;
      stored = i;
      break;
    }
    last_text_read_ = StoreFieldText(clock, field.index, field.text, field.size);
    if (!last_text_read_) {
      StoreBlank(clock, field.index);
      stored = i + 1;
      break;
    }
    given |= (uint64_t{1} << 63) >> field.index;
  }
  BitArray& present = FieldsPresent();
  for (int32_t i = 0; i < 5; ++i) present.SetBits(i, static_cast<uint8_t>(given >> (56 - 8 * i)));
  return stored;
}

void MovieItem::CopyPresentFields(Clock& clock, DataRecord& other) {
  char text[1999];
  for (int32_t index = 0; index < kMovieFieldCount; ++index) {
    if (!other.FieldsPresent().Get(index)) continue;
    int32_t size = sizeof text;
    if (other.GetFieldText(clock, index, text, &size)) SetFieldText(clock, index, text);
  }
}

void MovieItem::CopyPresentFields(Clock& clock, MovieItem& other) {
  auto copy_text = [this, &other](movie_record::TextField field) {
    const std::string_view text = other.TextView(field);
    SetTextField(field, text.data(), text.size());
  };
  char text[1999];
  for (int32_t index = 0; index < kMovieFieldCount; ++index) {
    if (!other.FieldsPresent().Get(index)) continue;
    switch (static_cast<MovieField>(index)) {
      case MovieField::kTitle: copy_text(movie_record::kTitle); break;
      case MovieField::kDirector: copy_text(movie_record::kDirector); break;
      case MovieField::kCountry: copy_text(movie_record::kCountry); break;
      case MovieField::kCast: copy_text(movie_record::kCast); break;
      case MovieField::kLoanLocation: copy_text(movie_record::kLocation); break;
      case MovieField::kAcquired: copy_text(movie_record::kAcquiredFrom); break;
      case MovieField::kPrice: copy_text(movie_record::kPrice); break;
      case MovieField::kCatalog: copy_text(movie_record::kCatalog); break;
      case MovieField::kRunningTime: copy_text(movie_record::kRunTime); break;
      case MovieField::kNotes: copy_text(movie_record::kNotes); break;
      // The year offset is 1 to 127 (or none): its four digits read back as the same offset.
      case MovieField::kYear: SetYear(static_cast<int32_t>(other.GetYearOffset())); break;
      case MovieField::kMadeForTV: SetMadeForTV(other.GetMadeForTV()); break;
      case MovieField::kOwned: SetOwned(other.GetOwned()); break;
      case MovieField::kViewed: SetViewed(other.GetViewed()); break;
      case MovieField::kColor: SetColor(other.GetColor()); break;
      case MovieField::kAudioMono: case MovieField::kAudioStereo: case MovieField::kAudioDD20: case MovieField::kAudioDD51: case MovieField::kAudioDTS: case MovieField::kAudioTHX: {
        const uint32_t bit = 1u << (index - ToInt(MovieField::kAudioMono));
        SetAudioFlags((other.GetAudioFlags() & bit) ? (GetAudioFlags() | bit) : (GetAudioFlags() & ~bit));
        break;
      }
      case MovieField::kMediaQuantity: SetMediaQuantity(other.GetMediaQuantity()); break;
      case MovieField::kMediaRegion: SetMediaRegion(other.GetMediaRegion()); break;
      default: {
        // The category, the dates, genres, table names and awards: reading their texts may give
        // another value (a date keeps only its day, a name shared by two rows the first).
        int32_t size = sizeof text;
        if (other.GetFieldText(clock, index, text, &size)) SetFieldText(clock, index, text);
        continue;
      }
    }
    // A value copied reads as one, as its text would.
    last_text_read_ = true;
  }
}

const char* MovieItem::Describe() {
  // "Title (Media-Year, RunTimem)", put together here, as the full activity audit describes every
  // line and every record. The parts are as long as the item keeps them, so it always fits.
  static char description[512];
  constexpr size_t kMediaNameLimit = 32;
  static_assert(movie_record::kCapacity[movie_record::kTitle] + movie_record::kCapacity[movie_record::kRunTime] +
                        kMediaNameLimit + 16 <= sizeof description,
                "every description fits");
  char* out = description;
  auto put = [&out](const char* text, size_t size) {
    byte_scan::CopyShort(out, text, size);
    out += size;
  };
  const std::string_view title = TextView(movie_record::kTitle);
  put(title.data(), title.size());
  put(" (", 2);
  const std::string_view media = NameView(GetMediaTypeName());
  put(media.data(), std::min(media.size(), kMediaNameLimit));
  *out++ = '-';
  const uint32_t offset = GetYearOffset();
  if (offset != 0) {
    char year[11];
    put(DecimalText(1904 + offset, year), 4);  // four digits: the offset is 1 to 127
  }
  put(", ", 2);
  const std::string_view run_time = TextView(movie_record::kRunTime);
  put(run_time.data(), run_time.size());
  put("m)", 2);
  *out = '\0';
  return description;
}

// The export trims outer blanks and the import reads fields trimmed, so a key made of the raw
// handheld texts would never meet the line the export wrote for it.
namespace {

// The key of the item into buffer (its size used bytes back); a longer key (parts are as long as
// the handheld keeps them, so the buffer holds any real one) goes to *spill instead.
constexpr size_t kKeyBufferSize = MovieItem::kKeyBufferSize;
size_t KeyInto(const MovieItem& item, char* buffer, std::string* spill) {
  size_t used = 0;
  auto append = [&](const char* text, size_t size) {
    if (spill->empty() && used + size < kKeyBufferSize) {
      byte_scan::CopyShort(buffer + used, text, size);
      used += size;
      return;
    }
    if (spill->empty()) spill->assign(buffer, used);
    spill->append(text, size);
  };
  auto append_trimmed = [&append](std::string_view text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && IsSpaceChar(*begin)) ++begin;
    while (end > begin && IsSpaceChar(end[-1])) --end;
    append(begin, static_cast<size_t>(end - begin));
  };
  append_trimmed(item.TextView(movie_record::kTitle));
  uint32_t offset = item.GetYearOffset();
  if (offset != 0) {
    char year[11];
    append(DecimalText(1904 + offset, year), 4);  // four digits: the offset is 1 to 127
  }
  append_trimmed(item.TextView(movie_record::kRunTime));
  const char* media = item.GetMediaTypeName();
  if (media != nullptr) append(media, std::strlen(media));
  return used;
}

}  // namespace

// Built on the stack: this runs for every line and every handheld record.
TextString MovieItem::BuildKey() const {
  char buffer[kKeyBufferSize];
  std::string spill;
  const size_t used = KeyInto(*this, buffer, &spill);
  if (!spill.empty()) return TextString(spill.data(), static_cast<uint32_t>(spill.size()));
  return TextString(buffer, static_cast<uint32_t>(used));
}

const char* MovieItem::BuildKey(char (&buffer)[kKeyBufferSize], std::string* spill) const {
  spill->clear();
  const size_t used = KeyInto(*this, buffer, spill);
  if (!spill->empty()) return spill->c_str();
  buffer[used] = '\0';  // the parts fill at most kKeyBufferSize - 1 bytes
  return buffer;
}

void MovieItem::BuildKey(TextString* key) const {
  char buffer[kKeyBufferSize];
  std::string spill;
  const size_t used = KeyInto(*this, buffer, &spill);
  if (!spill.empty()) {
    key->Assign(static_cast<uint32_t>(spill.size()), spill.data());
  } else {
    key->Assign(static_cast<uint32_t>(used), buffer);
  }
}
