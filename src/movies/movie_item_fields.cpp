// The field accessors of a movie item: whole numbers read from whichever form is valid, texts
// through the trans record, the bit-level fields through their whole words (so the lazy conversion
// and the empty-item messages apply unchanged), and the names derived from the value tables.
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "diag/sync_log.h"
#include "movies/movie_item.h"
#include "movies/movie_tables.h"
#include "platform/byte_scan.h"

using namespace movie_record;

namespace {

// A big-endian number of width bytes at bytes (of available) from offset: past the end reads as 0.
inline uint32_t BigEndianAt(const uint8_t* bytes, size_t available, size_t offset, int width) {
  if (offset + static_cast<size_t>(width) <= available) {
    const uint8_t* p = bytes + offset;
    switch (width) {
      case 1: return p[0];
      case 2: return static_cast<uint32_t>(p[0]) << 8 | p[1];
      case 4: return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                     static_cast<uint32_t>(p[2]) << 8 | p[3];
      default: break;
    }
  }
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) {
    size_t at = offset + static_cast<size_t>(i);
    value = (value << 8) | (at < available ? bytes[at] : 0u);
  }
  return value;
}

}  // namespace

inline uint32_t MovieItem::ReadNumber(size_t offset, int width, const char* message) const {
  if (packed_valid_) return BigEndianAt(packed_.get(), packed_size_, offset, width);  // short records read 0 past their end
  if (trans_valid_) return trans_ ? BigEndianAt(trans_->fixed, kFixedSize, offset, width) : 0;
  LogDebug("%s\n", message);
  return 0;
}

inline void MovieItem::WriteNumber(size_t offset, int width, uint32_t value, const char* message) {
  if (!MakeTransValid()) LogDebug("%s\n", message);
  InvalidatePacked();
  uint8_t* fixed = Trans().fixed;
  for (int i = width - 1; i >= 0; --i) {
    fixed[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value & 0xFF);
    value >>= 8;
  }
}

const char* MovieItem::GetText(TextField field, const char* message) const {
  if (!MakeTransValid()) LogDebug("%s\n", message);
  return Trans().Text(field);
}

void MovieItem::SetText(TextField field, const char* text, const char* message) {
  const size_t capacity = kCapacity[field];
  size_t n = 0;
  if (text != nullptr) {
    while (n < capacity - 1 && text[n] != '\0') ++n;
  }
  SetText(field, text, n, message);
}

void MovieItem::SetText(TextField field, const char* text, size_t size, const char* message) {
  if (!MakeTransValid()) LogDebug("%s\n", message);
  InvalidatePacked();
  const size_t capacity = kCapacity[field];
  char* target = Trans().Text(field);
  const size_t n = text == nullptr ? 0 : (size < capacity - 1 ? size : capacity - 1);
  // The text may come from this very array (a copy of the item's own field).
  const std::less<const char*> before;
  if (text != nullptr && !before(text, target) && before(text, target + capacity))
    std::memmove(target, text, n);
  else if (n > 0)
    byte_scan::CopyShort(target, text, n);
  const size_t dirty = text_dirty_[field];
  if (dirty > n) byte_scan::ZeroShort(target + n, dirty - n);
  text_dirty_[field] = static_cast<uint16_t>(n);
}

#define NUMBER_FIELD(Name, offset, width, getMessage, setMessage)                                \
  uint32_t MovieItem::Get##Name() const { return ReadNumber(offset, width, getMessage); }      \
  void MovieItem::Set##Name(uint32_t value) { WriteNumber(offset, width, value, setMessage); }

uint32_t MovieItem::GetAlarmDueDate() const {
  return ReadNumber(kAlarmDueDate, 4, "No valid movie item record attempting to get alarm due date!");
}
NUMBER_FIELD(LoanDate, kLoanDate, 4, "No valid movie item record attempting to get loan date!",
             "No valid movie item record attempting to set loan date!")
NUMBER_FIELD(DueDate, kDueDate, 4, "No valid movie item record attempting to get due date!",
             "No valid movie item record attempting to set due date!")
NUMBER_FIELD(Status, kStatus, 1, "No valid movie item record attempting to get status!",
             "No valid movie item record attempting to set status!")
NUMBER_FIELD(Genre, kGenre, 2, "No valid movie item record attempting to get Genre!",
             "No valid movie item record attempting to set genre!")
NUMBER_FIELD(WideScreenProcess, kWideScreenProcess, 1,
             "No valid movie item record attempting to get widescreen!",
             "No valid movie item record attempting to set WideScreenProcess!")
NUMBER_FIELD(ProdAttr, kProdAttr, 2, "No valid movie item record attempting to get ProdAttr!",
             "No valid movie item record attempting to set ProdAttr!")
NUMBER_FIELD(RatingAttr, kRatingAttr, 1, "No valid movie item record attempting to get rating attr!",
             "No valid movie item record attempting to set rating attr!")
NUMBER_FIELD(MyRating, kMyRating, 1, "No valid movie item record attempting to get MyRating attr!",
             "No valid movie item record attempting to set MyRating attr!")
NUMBER_FIELD(TechAttr, kTechAttr, 4, "No valid movie item record attempting to get TechAttr attr!",
             "No valid movie item record attempting to set TechAttr attr!")
NUMBER_FIELD(MediaAttr, kMediaAttr, 2, "No valid movie item record attempting to get MediaAttr attr!",
             "No valid movie item record attempting to set MediaAttr attr!")
NUMBER_FIELD(AwardsAttr, kAwardsAttr, 4,
             "No valid movie item record attempting to get AwardsAttr attr!",
             "No valid movie item record attempting to set AwardsAttr attr!")

#undef NUMBER_FIELD

#define TEXT_FIELD(Name, field, label)                                                           \
  const char* MovieItem::Get##Name() const {                                                     \
    return GetText(field, "No valid trans record attempting to get " label "!");                \
  }                                                                                              \
  void MovieItem::Set##Name(const char* text) {                                                  \
    SetText(field, text, "No valid trans record attempting to set " label "!");                 \
  }

TEXT_FIELD(Title, kTitle, "Title")
TEXT_FIELD(Location, kLocation, "Location")
TEXT_FIELD(Catalog, kCatalog, "Catalog")
TEXT_FIELD(Director, kDirector, "Director")
TEXT_FIELD(Country, kCountry, "Country")
TEXT_FIELD(Cast, kCast, "Cast")
TEXT_FIELD(AcquiredFrom, kAcquiredFrom, "AcquiredFrom")
TEXT_FIELD(Price, kPrice, "Price")
TEXT_FIELD(RunTime, kRunTime, "RunTime")
TEXT_FIELD(Notes, kNotes, "general notes")

#undef TEXT_FIELD

std::string_view MovieItem::TextView(TextField field) const {
  if (!trans_valid_ && packed_valid_) {
    if (!packed_texts_found_) FindPackedTexts();
    return std::string_view(reinterpret_cast<const char*>(packed_.get()) + packed_text_at_[field], packed_text_size_[field]);
  }
  static const char* const kMessages[kTextFieldCount] = {
      "No valid trans record attempting to get Title!", "No valid trans record attempting to get Location!",
      "No valid trans record attempting to get Catalog!", "No valid trans record attempting to get Director!",
      "No valid trans record attempting to get Country!", "No valid trans record attempting to get Cast!",
      "No valid trans record attempting to get AcquiredFrom!", "No valid trans record attempting to get Price!",
      "No valid trans record attempting to get RunTime!", "No valid trans record attempting to get review!",
      "No valid trans record attempting to get general notes!"};
  const char* text = GetText(field, kMessages[field]);
  return std::string_view(text, text_dirty_[field]);
}

void MovieItem::SetTextField(TextField field, const char* text, size_t size) {
  static const char* const kMessages[kTextFieldCount] = {
      "No valid trans record attempting to set Title!", "No valid trans record attempting to set Location!",
      "No valid trans record attempting to set Catalog!", "No valid trans record attempting to set Director!",
      "No valid trans record attempting to set Country!", "No valid trans record attempting to set Cast!",
      "No valid trans record attempting to set AcquiredFrom!", "No valid trans record attempting to set Price!",
      "No valid trans record attempting to set RunTime!", "No valid trans record attempting to set review!",
      "No valid trans record attempting to set general notes!"};
  SetText(field, text, size, kMessages[field]);
}

const char* MovieItem::GetReview() const {
  return GetText(kReview, "No valid trans record attempting to get review!");
}

bool MovieItem::GetOwned() const { return OwnedOf(GetStatus()); }
void MovieItem::SetOwned(bool value) { SetStatus((GetStatus() & ~0x01u) | (value ? 0x01u : 0u)); }
bool MovieItem::GetViewed() const { return ViewedOf(GetStatus()); }
void MovieItem::SetViewed(bool value) { SetStatus((GetStatus() & ~0x02u) | (value ? 0x02u : 0u)); }
uint32_t MovieItem::GetLoanStatus() const { return LoanStatusOf(GetStatus()); }
void MovieItem::SetLoanStatus(uint32_t value) { SetStatus((GetStatus() & 0x03u) | ((value << 2) & 0xFFu)); }

uint32_t MovieItem::GetYearOffset() const { return YearOffsetOf(GetProdAttr()); }
void MovieItem::SetYear(int32_t value) {
  uint32_t offset;
  if (value > 255)
    offset = (static_cast<uint32_t>(value & 0xFF) - 0x70u) & 0x7Fu;  // (year - 1904) mod 128
  else
    offset = static_cast<uint32_t>(value) & 0x7Fu;
  SetProdAttr((GetProdAttr() & 0xFF80u) | offset);
}
bool MovieItem::GetMadeForTV() const { return MadeForTVOf(GetProdAttr()); }
void MovieItem::SetMadeForTV(bool value) {
  SetProdAttr((GetProdAttr() & ~0x80u) | (value ? 0x80u : 0u));
}
uint32_t MovieItem::GetColorCode() const { return (GetProdAttr() >> 8) & 0x03; }
bool MovieItem::GetColor() const { return ColorOf(GetProdAttr()); }
void MovieItem::SetColor(bool value) {
  SetProdAttr((GetProdAttr() & 0xFCFFu) | (value ? 0x0200u : 0x0100u));
}

uint32_t MovieItem::GetMpaaRating() const { return MpaaRatingOf(GetRatingAttr()); }
void MovieItem::SetMpaaRating(uint32_t value) {
  SetRatingAttr((GetRatingAttr() & 0xC7u) | ((value & 0x07u) << 3));
}
uint32_t MovieItem::GetStarRating() const { return GetMyRating(); }
void MovieItem::SetStarRating(uint32_t value) { SetMyRating(value & 0xFFu); }

uint32_t MovieItem::GetAudioFlags() const { return AudioFlagsOf(GetTechAttr()); }
void MovieItem::SetAudioFlags(uint32_t value) {
  SetTechAttr((GetTechAttr() & 0xFFC0u) | (value & 0x3Fu));
}
uint32_t MovieItem::GetScreenEncoding() const { return ScreenEncodingOf(GetTechAttr()); }
void MovieItem::SetScreenEncoding(uint32_t value) {
  // Clears bits 6-8 only (bit 9 stays), as the handheld application does.
  SetTechAttr((GetTechAttr() & 0xFE3Fu) | ((value & 0x0Fu) << 6));
}

uint32_t MovieItem::GetMediaRegion() const { return MediaRegionOf(GetMediaAttr()); }
void MovieItem::SetMediaRegion(uint32_t value) {
  if (value > 6) value = 6;
  SetMediaAttr((GetMediaAttr() & 0xFFF8u) | value);
}
uint32_t MovieItem::GetMediaQuantity() const { return MediaQuantityOf(GetMediaAttr()); }
void MovieItem::SetMediaQuantity(uint32_t value) {
  // Four bits hold 1 to 16; more than 16 is kept at 16 rather than spilling into the media type.
  uint32_t stored = value == 0 ? 0 : (value > 16 ? 15 : value - 1);
  SetMediaAttr((GetMediaAttr() & 0xFF87u) | (stored << 3));
}
uint32_t MovieItem::GetMediaType() const { return MediaTypeOf(GetMediaAttr()); }
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

TextString MovieItem::GetGenreNames() const { return TextString(GenreNamesText()); }

namespace {

constexpr size_t kGenreNamesSize = 256;

// The thread's buffer for the list of genre names, found by one call: on Windows each access to
// a thread-local is a call into the runtime, which the compiler would repeat for every character.
__attribute__((noinline)) char* GenreNamesBuffer() {
  thread_local char buffer[kGenreNamesSize];
  return buffer;
}

}  // namespace

const char* MovieItem::GenreNamesText() const {
  // Every name of the table, slashes between, fits: the export asks for this on every record.
  char* const names = GenreNamesBuffer();
  constexpr size_t kSize = kGenreNamesSize;
  const uint32_t genre = GetGenre();
  size_t used = 0;
  for (int32_t bit = 0; bit < GenreCount(); ++bit) {
    if (!(genre & (1u << bit))) continue;
    const char* name = GenreName(bit);
    if (used > 0 && used + 1 < kSize) names[used++] = '/';
    for (; name != nullptr && *name != '\0' && used + 1 < kSize; ++name) names[used++] = *name;
  }
  names[used] = '\0';
  return names;
}

const char* MovieItem::GetFilmProcessName() const {
  return FilmProcessName(static_cast<int32_t>(GetWideScreenProcess()));
}

const char* MovieItem::GetMediaTypeName() const {
  return MediaTypeName(static_cast<int32_t>(GetMediaType()));
}
