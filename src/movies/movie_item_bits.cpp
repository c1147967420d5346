// The bit-level fields of a movie item: each reads and writes its whole word through the word's
// accessors, so the lazy conversion and the empty-item messages apply unchanged.
#include <cstdio>
#include <string>

#include "movies/movie_item.h"
#include "movies/movie_tables.h"

bool MovieItem::GetOwned() const { return GetStatus() & 0x01; }
void MovieItem::SetOwned(bool value) { SetStatus((GetStatus() & ~0x01u) | (value ? 0x01u : 0u)); }
bool MovieItem::GetViewed() const { return GetStatus() & 0x02; }
void MovieItem::SetViewed(bool value) { SetStatus((GetStatus() & ~0x02u) | (value ? 0x02u : 0u)); }
uint32_t MovieItem::GetLoanStatus() const { return GetStatus() >> 2; }
void MovieItem::SetLoanStatus(uint32_t value) { SetStatus((GetStatus() & 0x03u) | ((value << 2) & 0xFFu)); }

uint32_t MovieItem::GetYearOffset() const { return GetProdAttr() & 0x7F; }
void MovieItem::SetYear(int32_t value) {
  uint32_t offset;
  if (value > 255)
    offset = (static_cast<uint32_t>(value & 0xFF) - 0x70u) & 0x7Fu;  // (year - 1904) mod 128
  else
    offset = static_cast<uint32_t>(value) & 0x7Fu;
  SetProdAttr((GetProdAttr() & 0xFF80u) | offset);
}
bool MovieItem::GetMadeForTV() const { return GetProdAttr() & 0x80; }
void MovieItem::SetMadeForTV(bool value) {
  SetProdAttr((GetProdAttr() & ~0x80u) | (value ? 0x80u : 0u));
}
uint32_t MovieItem::GetColorCode() const { return (GetProdAttr() >> 8) & 0x03; }
bool MovieItem::GetColor() const { return GetProdAttr() & 0x0200; }
void MovieItem::SetColor(bool value) {
  SetProdAttr((GetProdAttr() & 0xFCFFu) | (value ? 0x0200u : 0x0100u));
}

uint32_t MovieItem::GetMpaaRating() const { return (GetRatingAttr() >> 3) & 0x07; }
void MovieItem::SetMpaaRating(uint32_t value) {
  SetRatingAttr((GetRatingAttr() & 0xC7u) | ((value & 0x07u) << 3));
}
uint32_t MovieItem::GetStarRating() const { return GetMyRating(); }
void MovieItem::SetStarRating(uint32_t value) { SetMyRating(value & 0xFFu); }

uint32_t MovieItem::GetAudioFlags() const { return GetTechAttr() & 0x3F; }
void MovieItem::SetAudioFlags(uint32_t value) {
  SetTechAttr((GetTechAttr() & 0xFFC0u) | (value & 0x3Fu));
}
uint32_t MovieItem::GetScreenEncoding() const { return (GetTechAttr() >> 6) & 0x0F; }
void MovieItem::SetScreenEncoding(uint32_t value) {
  // Clears bits 6-8 only (bit 9 stays), as the handheld application does.
  SetTechAttr((GetTechAttr() & 0xFE3Fu) | ((value & 0x0Fu) << 6));
}

uint32_t MovieItem::GetMediaRegion() const { return GetMediaAttr() & 0x07; }
void MovieItem::SetMediaRegion(uint32_t value) {
  if (value > 6) value = 6;
  SetMediaAttr((GetMediaAttr() & 0xFFF8u) | value);
}
uint32_t MovieItem::GetMediaQuantity() const { return ((GetMediaAttr() >> 3) & 0x0F) + 1; }
void MovieItem::SetMediaQuantity(uint32_t value) {
  // Four bits hold 1 to 16; more than 16 is kept at 16 rather than spilling into the media type.
  uint32_t stored = value == 0 ? 0 : (value > 16 ? 15 : value - 1);
  SetMediaAttr((GetMediaAttr() & 0xFF87u) | (stored << 3));
}
uint32_t MovieItem::GetMediaType() const { return (GetMediaAttr() >> 7) & 0x0F; }
void MovieItem::SetMediaType(uint32_t value) {
  SetMediaAttr((GetMediaAttr() & 0xF87Fu) | ((value & 0x0Fu) << 7));
}

uint32_t MovieItem::GetAwardYear() const { return 1927 + (GetAwardsAttr() & 0x7F); }
uint32_t MovieItem::GetAwards() const { return (GetAwardsAttr() >> 7) & 0x1FFFFF; }

TextString MovieItem::GetYearText() const {
  uint32_t offset = GetYearOffset();
  TextString text;
  if (offset != 0) FormatText(text, "%4.4i", static_cast<int>(1904 + offset));
  return text;
}

TextString MovieItem::GetGenreNames() const {
  uint32_t genre = GetGenre();
  thread_local std::string names;
  names.clear();
  for (int32_t bit = 0; bit < GenreCount(); ++bit) {
    if (!(genre & (1u << bit))) continue;
    const char* name = GenreName(bit);
    if (!names.empty()) names += '/';
    if (name != nullptr) names += name;
  }
  return TextString(names.c_str());
}

const char* MovieItem::GetFilmProcessName() const {
  return FilmProcessName(static_cast<int32_t>(GetWideScreenProcess()));
}

const char* MovieItem::GetMediaTypeName() const {
  return MediaTypeName(static_cast<int32_t>(GetMediaType()));
}
