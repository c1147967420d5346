// The text form of a movie item: one text per field index, as the tab-delimited files carry it,
// and copying present fields through it.
#include <array>
#include <cstring>
#include <iterator>
#include <string_view>

#include "diag/handheld_link.h"
#include "movies/movie_categories.h"
#include "movies/movie_item.h"
#include "movies/movie_tables.h"
#include "movies/movie_value_text.h"
#include "platform/byte_scan.h"

using namespace movie_value_text;

namespace {

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
