// Single field values read from and written as texts: the ones too large to inline.
#include "movies/movie_value_text.h"

#include <cstring>

#include "diag/handheld_link.h"
#include "movies/movie_lookup.h"
#include "movies/movie_tables.h"
#include "platform/byte_scan.h"

using namespace movie_tables;

namespace movie_value_text {

namespace {

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

}  // namespace

uint32_t ReadGenre(const char* text, size_t size, bool* read) {
  static const JoinedNames kExported(kGenreNames, kGenreCount, "/");
  const uint32_t mask = kExported.Read(text, size);
  if (mask != 0) {
    *read = true;
    return mask;
  }
  return ReadMask(GenreTable(), text, size, read);
}

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

size_t AwardsInto(uint32_t awards_attr, char* out) {
  // Each name with its length, in a slot that is copied whole: the list never comes near the end
  // of out, which holds every name of the table together.
  static constexpr size_t kSlot = 24;
  struct Names {
    char padded[kAwardCount][kSlot];
    size_t size[kAwardCount];
    size_t total;
  };
  static const Names kNames = [] {
    Names names{};
    for (int32_t i = 0; i < kAwardCount; ++i) {
      names.size[i] = std::strlen(kAwardNames[i]);
      names.total += (names.size[i] > kSlot ? names.size[i] : kSlot) + 2;
      std::memcpy(names.padded[i], kAwardNames[i], names.size[i] < kSlot ? names.size[i] : kSlot);
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
  static_assert(kAwardCount <= 25, "the awards fit the bits above the year");
  constexpr uint32_t kAll = (1u << kAwardCount) - 1;
  const size_t first = used;
  for (uint32_t bits = (awards_attr >> 7) & kAll; bits != 0; bits &= bits - 1) {
    const int i = __builtin_ctz(bits);
    if (used != first) {
      out[used++] = ',';
      out[used++] = ' ';
    }
    if (kNames.size[i] <= kSlot) {
      std::memcpy(out + used, kNames.padded[i], kSlot);
    } else {
      std::memcpy(out + used, kAwardNames[i], kNames.size[i]);
    }
    used += kNames.size[i];
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

}  // namespace movie_value_text
