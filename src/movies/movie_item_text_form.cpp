// The text form of a movie item: one text per field index, as the tab-delimited files carry it,
// and copying present fields through it.
#include <array>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

#include "diag/handheld_link.h"
#include "movies/movie_categories.h"
#include "movies/movie_item.h"
#include "movies/movie_tables.h"
#include "movies/movie_value_text.h"
#include "platform/byte_scan.h"

using namespace movie_value_text;
using movie_record::AudioFlagsOf;
using movie_record::ColorOf;
using movie_record::FixedNumber;
using movie_record::kFixedSize;
using movie_record::LoanStatusOf;
using movie_record::MadeForTVOf;
using movie_record::MediaQuantityOf;
using movie_record::MediaRegionOf;
using movie_record::MediaTypeOf;
using movie_record::MpaaRatingOf;
using movie_record::OwnedOf;
using movie_record::ScreenEncodingOf;
using movie_record::ViewedOf;
using movie_record::YearOffsetOf;

namespace {

// The due date (a date or the code of a loan period) as a date text into buffer (kDateTextSize
// bytes); gives buffer.
const char* DueDateInto(Clock& clock, uint32_t due, uint32_t loan_date, char* buffer) {
  static const uint32_t kPeriods[5] = {0, 86400, 172800, 259200, 604800};
  buffer[0] = '\0';
  if (due == 0) return buffer;
  if (due >= 5) return DateInto(clock, due, buffer);
  uint32_t base = loan_date;
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

const char* DueDateInto(Clock& clock, const MovieItem& item, char* buffer) {
  return DueDateInto(clock, item.GetDueDate(), item.GetLoanDate(), buffer);
}

TextString DueDateText(Clock& clock, const MovieItem& item) {
  char buffer[kDateTextSize] = {};
  return TextString(DueDateInto(clock, item, buffer));
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

// "True" or "False" at out; gives the end.
inline char* PutBool(char* out, bool value) {
  if (value) {
    std::memcpy(out, "True", 4);
    return out + 4;
  }
  std::memcpy(out, "False", 5);
  return out + 5;
}

// The names of a table, each with its length and a copy in a slot of its own that can be copied
// whole: a line shows six table names and a handful of genres, and a copy of a known size takes no
// look at the name's length.
class PaddedNames {
 public:
  static constexpr size_t kSlot = 24;

  PaddedNames(const char* const* names, size_t count) : rows_(count) {
    for (size_t i = 0; i < count; ++i) {
      rows_[i].text = names[i];
      rows_[i].size = std::strlen(names[i]);
      if (rows_[i].size <= kSlot) std::memcpy(rows_[i].padded, names[i], rows_[i].size);
    }
  }
  // The name of row at out (room for kSlot bytes at least); gives the end. REQUIRES: row < count.
  char* Put(char* out, size_t row) const {
    const Row& name = rows_[row];
    if (name.size <= kSlot) {
      std::memcpy(out, name.padded, kSlot);
    } else {
      std::memcpy(out, name.text, name.size);
    }
    return out + name.size;
  }

 private:
  struct Row {
    char padded[kSlot] = {};
    const char* text = nullptr;
    size_t size = 0;
  };
  std::vector<Row> rows_;
};

// A row's name of a value table as the table's own Name function gives it (row 0 for an index out of
// range) at out; gives the end.
template <const auto& kNames>
char* PutRow(char* out, uint32_t index) {
  constexpr size_t kRows = std::size(kNames);
  static const PaddedNames kPadded(kNames, kRows);
  return kPadded.Put(out, index < kRows ? index : 0);
}

// The genre names, slashes between, at out; gives the end.
char* PutGenres(char* out, uint32_t genre) {
  static_assert(movie_tables::kGenreCount <= 32, "a genre per bit of a word");
  static const PaddedNames kNames(movie_tables::kGenreNames, movie_tables::kGenreCount);
  constexpr uint32_t kAll = static_cast<uint32_t>((uint64_t{1} << movie_tables::kGenreCount) - 1);
  const char* const start = out;
  for (uint32_t bits = genre & kAll; bits != 0; bits &= bits - 1) {
    if (out != start) *out++ = '/';
    out = kNames.Put(out, static_cast<size_t>(__builtin_ctz(bits)));
  }
  return out;
}

// Where each text lies in the trans record.
constexpr std::array<uint16_t, movie_record::kTextFieldCount> kTransTextAt = [] {
  std::array<uint16_t, movie_record::kTextFieldCount> at{};
  for (int i = 0; i < movie_record::kTextFieldCount; ++i) at[i] = static_cast<uint16_t>(movie_record::kTextOffsets.at[i]);
  return at;
}();

// The longest text of a field that the line writes through the encoder: the longest exported text
// of the record (the review is not exported), a date, a category name.
constexpr size_t kLongestEncodedText = [] {
  size_t longest = static_cast<size_t>(kDateTextSize) > static_cast<size_t>(MovieCategories::kNameSize)
                       ? static_cast<size_t>(kDateTextSize)
                       : static_cast<size_t>(MovieCategories::kNameSize);
  for (int i = 0; i < movie_record::kTextFieldCount; ++i) {
    if (i != movie_record::kReview && movie_record::kCapacity[i] - 1 > longest) longest = movie_record::kCapacity[i] - 1;
  }
  return longest;
}();
// A TAB and the most a field takes: an encoded text, or the list of awards (the longest of the texts
// written as they are, and written with its NUL). The whole name slots copied behind the genres and
// table names stay well inside that too.
constexpr size_t kMaxFieldBytes =
    1 + (8 * kLongestEncodedText + 2 > kAwardsTextSize ? 8 * kLongestEncodedText + 2 : kAwardsTextSize);

}  // namespace

size_t MovieItem::MaxFieldBytes() const { return kMaxFieldBytes; }

char* MovieItem::WriteFieldTexts(Clock& clock, const int32_t* indexes, int32_t count, TextEncoder encode, char* out) {
  if (indexes == nullptr || encode == nullptr || out == nullptr) return nullptr;
  // An item with neither form leaves its texts to GetFieldText, which says so in the debug log.
  if (!packed_valid_ && !trans_valid_) return nullptr;
  // The fixed part and the places of the texts are looked up once for the line, from the forms
  // the getters and TextView read.
  uint8_t short_fixed[kFixedSize];
  const uint8_t* fixed;
  if (packed_valid_ && packed_size_ >= kFixedSize) {
    fixed = packed_.get();
  } else if (packed_valid_) {
    // Past the end of a short record every number reads as 0.
    std::memset(short_fixed, 0, sizeof short_fixed);
    if (packed_size_ > 0) std::memcpy(short_fixed, packed_.get(), packed_size_);
    fixed = short_fixed;
  } else {
    fixed = Trans().fixed;
  }
  const char* texts;
  const uint16_t* text_at;
  const uint16_t* text_size;
  if (trans_valid_) {
    texts = reinterpret_cast<const char*>(&Trans());
    text_at = kTransTextAt.data();
    text_size = text_dirty_;
  } else {
    if (!packed_texts_found_) FindPackedTexts();
    texts = reinterpret_cast<const char*>(packed_.get());
    text_at = packed_text_at_;
    text_size = packed_text_size_;
  }
  const uint32_t status = FixedNumber(fixed, movie_record::kStatus, 1);
  const uint32_t prod_attr = FixedNumber(fixed, movie_record::kProdAttr, 2);
  const uint32_t tech_attr = FixedNumber(fixed, movie_record::kTechAttr, 4);
  const uint32_t media_attr = FixedNumber(fixed, movie_record::kMediaAttr, 2);
  auto text = [&out, encode, texts, text_at, text_size](movie_record::TextField field) {
    out = encode(out, texts + text_at[field], text_size[field]);
  };
  // The category and the dates come from the user and the system: they are encoded too.
  auto encoded = [&out, encode](const char* plain) { out = encode(out, plain, byte_scan::TextLength(plain)); };
  for (int32_t i = 0; i < count; ++i) {
    const int32_t index = indexes[i];
    if (index == -1) continue;
    if (i > 0) *out++ = '\t';
    char scratch[kDateTextSize];
    switch (static_cast<MovieField>(index)) {
      case MovieField::kTitle: text(movie_record::kTitle); break;
      case MovieField::kDirector: text(movie_record::kDirector); break;
      case MovieField::kCountry: text(movie_record::kCountry); break;
      case MovieField::kCast: text(movie_record::kCast); break;
      case MovieField::kLoanLocation: text(movie_record::kLocation); break;
      case MovieField::kAcquired: text(movie_record::kAcquiredFrom); break;
      case MovieField::kPrice: text(movie_record::kPrice); break;
      case MovieField::kCatalog: text(movie_record::kCatalog); break;
      case MovieField::kRunningTime: text(movie_record::kRunTime); break;
      case MovieField::kNotes: text(movie_record::kNotes); break;
      // Names of the value tables, numbers and yes/no texts have no blank at either end and nothing
      // to escape.
      case MovieField::kMadeForTV: out = PutBool(out, MadeForTVOf(prod_attr)); break;
      case MovieField::kOwned: out = PutBool(out, OwnedOf(status)); break;
      case MovieField::kViewed: out = PutBool(out, ViewedOf(status)); break;
      case MovieField::kColor: out = PutBool(out, ColorOf(prod_attr)); break;
      case MovieField::kAudioMono: case MovieField::kAudioStereo: case MovieField::kAudioDD20: case MovieField::kAudioDD51: case MovieField::kAudioDTS: case MovieField::kAudioTHX:
        out = PutBool(out, AudioFlagsOf(tech_attr) & (1u << (index - ToInt(MovieField::kAudioMono))));
        break;
      case MovieField::kGenre: out = PutGenres(out, FixedNumber(fixed, movie_record::kGenre, 2)); break;
      case MovieField::kLoanStatus: out = PutRow<movie_tables::kLoanStatusNames>(out, LoanStatusOf(status)); break;
      case MovieField::kMediaType: out = PutRow<movie_tables::kMediaTypeNames>(out, MediaTypeOf(media_attr)); break;
      case MovieField::kScreenEncoding:
        out = PutRow<movie_tables::kScreenEncodingNames>(out, ScreenEncodingOf(tech_attr));
        break;
      case MovieField::kFilmProcess:
        out = PutRow<movie_tables::kFilmProcessNames>(out, FixedNumber(fixed, movie_record::kWideScreenProcess, 1));
        break;
      case MovieField::kRating:
        out = PutRow<movie_tables::kStarRatingDisplay>(out, FixedNumber(fixed, movie_record::kMyRating, 1));
        break;
      case MovieField::kMPAA:
        out = PutRow<movie_tables::kMpaaRatingNames>(out, MpaaRatingOf(FixedNumber(fixed, movie_record::kRatingAttr, 1)));
        break;
      case MovieField::kMediaQuantity: out += DecimalInto(MediaQuantityOf(media_attr), out); break;
      case MovieField::kMediaRegion: out += DecimalInto(MediaRegionOf(media_attr), out); break;
      case MovieField::kYear: {
        // The year offset is 1 to 127, so the year has four digits ("%4.4i").
        const uint32_t offset = YearOffsetOf(prod_attr);
        if (offset != 0) out += DecimalInto(1904 + offset, out);
        break;
      }
      case MovieField::kAwards: {
        // The year and names of the table: nothing to escape, and the blank a year without awards
        // leaves at the end is the only one to trim.
        size_t size = AwardsInto(FixedNumber(fixed, movie_record::kAwardsAttr, 4), out);
        if (size > 0 && out[size - 1] == ' ') --size;
        out += size;
        break;
      }
      case MovieField::kCategory: encoded(PlainFieldText(clock, index, scratch)); break;
      case MovieField::kLoanDate: encoded(DateInto(clock, FixedNumber(fixed, movie_record::kLoanDate, 4), scratch)); break;
      case MovieField::kDueDate:
        encoded(DueDateInto(clock, FixedNumber(fixed, movie_record::kDueDate, 4), FixedNumber(fixed, movie_record::kLoanDate, 4),
                            scratch));
        break;
      default: return nullptr;
    }
  }
  return out;
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
