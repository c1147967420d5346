#include "support/movie_samples.h"

#include <cstdio>

namespace reelbox_test {

namespace {

void Put(std::string* out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Film processes whose names hold no blank (a blank keeps a name from reading back).
const uint8_t kPlainFilmProcesses[] = {0, 1, 2, 6, 8, 34, 51, 58, 61, 73, 77};
// Award bit sets that read back as themselves ("Sound Editing" also names "Sound").
const uint32_t kAwardSets[] = {0, 0x1, 0x3, 0x10, 0x100000, 0x100400, 0xC0000 | 0x4};

}  // namespace

std::string PackSampleMovie(const SampleMovie& m) {
  std::string out;
  Put(&out, m.firstWord, 4);
  Put(&out, m.alarmDueDate, 4);
  Put(&out, m.genre, 2);
  Put(&out, m.status, 1);
  Put(&out, m.wideScreenProcess, 1);
  Put(&out, m.loanDate, 4);
  Put(&out, m.dueDate, 4);
  Put(&out, m.prodAttr, 2);
  Put(&out, m.ratingAttr, 1);
  Put(&out, m.myRating, 1);
  Put(&out, m.techAttr, 4);
  Put(&out, m.mediaAttr, 2);
  Put(&out, m.awardsAttr, 4);
  for (const std::string* text : {&m.title, &m.location, &m.catalog, &m.director, &m.country, &m.cast,
                                  &m.acquiredFrom, &m.price, &m.runTime, &m.review, &m.notes}) {
    out += *text;
    out.push_back('\0');
  }
  return out;
}

SampleMovie SimpleMovie(const std::string& title, int year, const std::string& run_time, int media_type) {
  SampleMovie m;
  m.title = title;
  m.runTime = run_time;
  m.prodAttr = static_cast<uint16_t>(0x0200 | ((year - 1904) & 0x7F));
  m.mediaAttr = static_cast<uint16_t>(1 | (media_type << 7));
  return m;
}

SampleMovie GeneratedMovie(uint32_t n) {
  SampleMovie m;
  char text[64];
  std::snprintf(text, sizeof text, "Movie %05u", static_cast<unsigned>(n));
  m.title = text;
  if (n % 7 == 1) m.title += " - \"Quoted\" Cut";
  if (n % 11 == 2) m.title += "\tTabbed";
  m.category = static_cast<uint8_t>(n % 6);
  m.genre = static_cast<uint16_t>((n * 2654435761u) >> 16);
  bool owned = n % 2 == 0;
  bool viewed = n % 3 != 0;
  uint32_t loan_status = n % 6;
  m.status = static_cast<uint8_t>((owned ? 1 : 0) | (viewed ? 2 : 0) | (loan_status << 2));
  m.wideScreenProcess = kPlainFilmProcesses[n % (sizeof kPlainFilmProcesses)];
  // Handheld dates at noon, between 1971 and about 2030; due dates are dates, never relative codes.
  const uint32_t kNoon1971 = 2082844800u + 365u * 86400u + 43200u;
  m.loanDate = n % 4 == 0 ? 0 : kNoon1971 + (n % 21500) * 86400u;
  m.dueDate = m.loanDate == 0 ? 0 : m.loanDate + (n % 30 + 1) * 86400u;
  uint32_t year = n % 10 == 0 ? 0 : 1 + n % 127;  // offsets 1..127: 1905..2031
  uint32_t colour = n % 5 == 0 ? 1 : 2;
  m.prodAttr = static_cast<uint16_t>(year | ((n % 9 == 0) ? 0x80 : 0) | (colour << 8));
  m.ratingAttr = static_cast<uint8_t>((n % 6) << 3);
  m.myRating = static_cast<uint8_t>(n % 8);
  m.techAttr = (n % 64) | ((n % 5) << 6);
  m.mediaAttr = static_cast<uint16_t>((n % 7) | ((n % 16) << 3) | ((n % 9) << 7));
  uint32_t awards = kAwardSets[n % (sizeof kAwardSets / sizeof kAwardSets[0])];
  m.awardsAttr = awards == 0 ? 0 : (awards << 7) | (n % 128);
  std::snprintf(text, sizeof text, "Director %u", static_cast<unsigned>(n % 97));
  m.director = text;
  m.country = n % 3 == 0 ? "" : "Country, Region";
  m.cast = n % 5 == 0 ? "" : "First Actor; Second Actor; \"Third\" Actor";
  m.location = loan_status == 0 ? "" : "Friend's house";
  m.catalog = "C" + std::to_string(n % 100000);
  m.acquiredFrom = n % 4 == 1 ? "Shop on Main Street" : "";
  m.price = n % 3 == 1 ? "$" + std::to_string(n % 100) + ".99" : "";
  m.runTime = std::to_string(60 + n % 140);
  m.notes = n % 2 == 0 ? "" : "Notes line one\nline two with a\ttab and a \"quote\"";
  return m;
}

std::string DefaultMovieCategoryBlock() {
  std::string block(276, '\0');
  block[0] = 5;
  const char* names[] = {"Unfiled Movies", "Favorites", "My Top 20", "Recorded", "To Buy", "To Rent"};
  for (int i = 0; i < 6; ++i) {
    block.replace(2 + 16 * i, std::string(names[i]).size(), names[i]);
    block[258 + i] = static_cast<char>(i);
  }
  block[274] = 6;
  return block;
}

}  // namespace reelbox_test
