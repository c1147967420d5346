// Generated Movie-Lists records for round-trip tests and benchmarks. Record n covers row n of every
// value table (modulo the table's size), so any run of 78 consecutive records covers every row.
#ifndef REELBOX_TESTS_MOVIES_RECORD_GENERATOR_H
#define REELBOX_TESTS_MOVIES_RECORD_GENERATOR_H

#include <cstdint>
#include <string>
#include <vector>

#include "movies/movie_record.h"
#include "movies/movie_tables.h"

namespace record_generator {

class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }

 private:
  uint32_t state_;
};

// A text of up to max bytes that the tab-delimited form carries unchanged (up to blanks at its
// ends): letters, digits, punctuation, blanks, tabs, quotes, line breaks and high bytes, but no
// NUL, no 0x1A (it ends a text-mode file) and no '<' (escape sequences in the text itself are
// read as escapes).
inline std::string Text(Random& random, size_t max, bool plain = false) {
  static const char kSpecial[] = {'\t', '"', '\n', '\r', ' ', '\xE9', '\xA0', '>', '/', ','};
  size_t length = random.Below(static_cast<uint32_t>(max) + 1);
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    uint32_t kind = random.Below(10);
    if (!plain && kind == 0)
      text += kSpecial[random.Below(sizeof kSpecial)];
    else if (kind < 4)
      text += static_cast<char>('a' + random.Below(26));
    else if (kind < 6)
      text += static_cast<char>('A' + random.Below(26));
    else if (kind < 8)
      text += static_cast<char>('0' + random.Below(10));
    else
      text += ' ';
  }
  return text;
}

inline void Put(std::vector<uint8_t>& bytes, size_t offset, uint32_t value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    bytes[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value & 0xFF);
    value >>= 8;
  }
}

// Handheld seconds of a date between 1971 and 2037 at a random time of day.
inline uint32_t Date(Random& random) {
  return 2082844800u + 31536000u + random.Below(66u * 31536000u);
}

struct Options {
  // Only what the text form carries: no alarm date, no relative due dates, no unused bits, no
  // review, and rows that read back as themselves.
  bool exportable = true;
};

// Packed bytes of record n.
inline std::vector<uint8_t> PackedRecord(uint32_t n, Options options = {}) {
  using namespace movie_record;
  Random random(n + 1);
  std::vector<uint8_t> bytes(kFixedSize, 0);
  bool all = !options.exportable;
  Put(bytes, kFirstWord, all ? random.Next() : 0, 4);
  Put(bytes, kAlarmDueDate, all ? random.Next() : 0, 4);
  Put(bytes, kGenre, random.Below(0x10000), 2);
  uint32_t loan_status = n % movie_tables::kLoanStatusCount;
  Put(bytes, kStatus, (loan_status << 2) | random.Below(4), 1);
  uint32_t process = n % movie_tables::kFilmProcessCount;
  if (!all && process == 74) process = 73;  // "Vistascope" is also row 72 and reads back as 72
  Put(bytes, kWideScreenProcess, process, 1);
  uint32_t loan = random.Below(4) ? Date(random) : 0;
  Put(bytes, kLoanDate, loan, 4);
  uint32_t due = random.Below(3) ? Date(random) : 0;
  if (all && random.Below(4) == 0) due = 1 + random.Below(4);
  Put(bytes, kDueDate, due, 4);
  uint32_t year = n % 128;
  uint32_t prod = year | (random.Below(2) << 7) | ((1 + random.Below(2)) << 8);
  if (all) prod |= random.Below(64) << 10;
  Put(bytes, kProdAttr, prod, 2);
  uint32_t rating = (n % movie_tables::kMpaaRatingCount) << 3;
  if (all) rating |= random.Below(256) & 0xC7;
  Put(bytes, kRatingAttr, rating, 1);
  Put(bytes, kMyRating, n % movie_tables::kStarRatingCount, 1);
  uint32_t tech = random.Below(64) | ((n % movie_tables::kScreenEncodingCount) << 6);
  if (all) tech |= random.Next() & 0xFFFF0000u;
  Put(bytes, kTechAttr, tech, 4);
  uint32_t media = random.Below(7) | (random.Below(16) << 3) | ((n % movie_tables::kMediaTypeCount) << 7);
  if (all) media |= random.Below(32) << 11;
  Put(bytes, kMediaAttr, media, 2);
  uint32_t awards = (random.Below(1u << 21) << 7);
  if (awards) awards |= random.Below(128);
  if (all) awards |= random.Next() & 0xF000007Fu;
  Put(bytes, kAwardsAttr, awards, 4);
  for (int i = 0; i < kTextFieldCount; ++i) {
    std::string text;
    if (i == kReview && !all) {
      text = "";
    } else if (i == kTitle) {
      text = "Movie " + std::to_string(n) + " " + Text(random, 40);
    } else {
      text = Text(random, kCapacity[i] - 1, i == kRunTime || i == kPrice);
    }
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
  }
  return bytes;
}

}  // namespace record_generator

#endif  // REELBOX_TESTS_MOVIES_RECORD_GENERATOR_H
