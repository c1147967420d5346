#include "movies/movie_item.h"

#include <cstring>
#include <utility>

#include "diag/sync_log.h"

using namespace movie_record;

namespace {

// Packing and reading go through here before the bytes get a buffer of their exact size.
uint8_t* PackScratch() {
  thread_local uint8_t scratch[kPackedBufferSize];
  return scratch;
}

}  // namespace

MovieItem::MovieItem() = default;

MovieItem::MovieItem(const MovieItem& other) : DataRecord(other), Describable(other) { CopyFrom(other); }

MovieItem& MovieItem::operator=(const MovieItem& other) {
  if (this != &other) CopyFrom(other);
  return *this;
}

MovieItem::~MovieItem() = default;

void MovieItem::CopyFrom(const MovieItem& other) {
  if (other.packed_valid_) {
    StorePacked(other.packed_.get(), other.packed_size_);
    packed_valid_ = true;
  } else {
    InvalidatePacked();
  }
  // Beside a valid packed form the trans record is only its unpacked copy (or zero).
  if (other.packed_valid_ || !other.trans_) {
    trans_.reset();
    trans_valid_ = false;
  } else {
    Trans() = *other.trans_;
    trans_valid_ = other.trans_valid_;
  }
  record_id_ = other.record_id_;
  category_ = other.category_;
  FieldsPresent().Assign(other.FieldsPresent());
  on_desktop_ = other.on_desktop_;
  matched_ = other.matched_;
  write_back_ = other.write_back_;
  unused_marker_ = other.unused_marker_;
  last_text_read_ = other.last_text_read_;
}

void MovieItem::Clear() {
  on_desktop_ = matched_ = write_back_ = unused_marker_ = 0;
  if (trans_) std::memset(trans_.get(), 0, sizeof *trans_);
  trans_valid_ = false;
  InvalidatePacked();
}

void MovieItem::ResetAll() {
  Clear();
  record_id_ = 0xFFFFFFFFu;
  category_ = 0xFFFFFFFFu;
  FieldsPresent().SetAll(0);
}

bool MovieItem::Reset() {
  ResetAll();
  trans_valid_ = true;
  category_ = 0;
  SetMediaRegion(1);
  SetOwned(false);
  SetViewed(true);
  SetProdAttr(0x0200);
  return true;
}

bool MovieItem::SetPackedRecord(const uint8_t* data, uint32_t size) {
  if (size > kPackedBufferSize || (data == nullptr && size != 0)) {
    ResetAll();
    return false;
  }
  // Copied before the reset: data may be this item's own packed bytes.
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size > 0 ? size : 1]);
  if (size) std::memcpy(bytes.get(), data, size);
  ResetAll();
  packed_ = std::move(bytes);
  packed_size_ = size;
  packed_valid_ = true;
  return true;
}

void MovieItem::StorePacked(const uint8_t* data, uint32_t size) {
  // Never a null buffer: callers get a pointer even for zero bytes.
  packed_.reset(new uint8_t[size > 0 ? size : 1]);
  if (size) std::memcpy(packed_.get(), data, size);
  packed_size_ = size;
}

MovieTransRecord& MovieItem::Trans() const {
  if (!trans_) {
    trans_.reset(new MovieTransRecord);
    std::memset(trans_.get(), 0, sizeof *trans_);
  }
  return *trans_;
}

void MovieItem::Compact() {
  if (!packed_valid_ && trans_valid_) GetPackedRecord();
  if (!packed_valid_) return;
  trans_.reset();
  trans_valid_ = false;
}

const uint8_t* MovieItem::GetPackedRecord(uint32_t* size) {
  if (!packed_valid_) {
    if (!trans_valid_) return nullptr;
    uint8_t* scratch = PackScratch();
    StorePacked(scratch, static_cast<uint32_t>(PackMovieRecord(Trans(), scratch)));
    packed_valid_ = true;
  }
  if (size) *size = packed_size_;
  return packed_.get();
}

uint32_t MovieItem::GetPackedSize() {
  GetPackedRecord();
  if (!packed_valid_ || packed_size_ == 0) {
    LogDebug("Unexpected zero-length packed record!\n");
    return 0;
  }
  return packed_size_;
}

const MovieTransRecord* MovieItem::GetTransRecord() { return MakeTransValid() ? &Trans() : nullptr; }

bool MovieItem::MakeTransValid() const {
  if (trans_valid_) return true;
  if (!packed_valid_) return false;
  UnpackMovieRecord(packed_.get(), packed_size_, &Trans());
  trans_valid_ = true;
  return true;
}

void MovieItem::InvalidatePacked() {
  packed_valid_ = false;
  packed_size_ = 0;
  packed_.reset();
}

uint32_t MovieItem::ReadNumber(size_t offset, int width, const char* message) const {
  const uint8_t* bytes;
  size_t available;
  if (packed_valid_) {
    bytes = packed_.get();
    available = packed_size_;  // a short handheld record reads as zeros past its end
  } else if (trans_valid_) {
    bytes = Trans().fixed;
    available = kFixedSize;
  } else {
    LogDebug("%s\n", message);
    return 0;
  }
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) {
    size_t at = offset + static_cast<size_t>(i);
    value = (value << 8) | (at < available ? bytes[at] : 0u);
  }
  return value;
}

void MovieItem::WriteNumber(size_t offset, int width, uint32_t value, const char* message) {
  if (!MakeTransValid()) LogDebug("%s\n", message);
  InvalidatePacked();
  for (int i = width - 1; i >= 0; --i) {
    Trans().fixed[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value & 0xFF);
    value >>= 8;
  }
}

const char* MovieItem::GetText(TextField field, const char* message) {
  if (!MakeTransValid()) LogDebug("%s\n", message);
  return Trans().Text(field);
}

void MovieItem::SetText(TextField field, const char* text, const char* message) {
  if (!MakeTransValid()) LogDebug("%s\n", message);
  InvalidatePacked();
  size_t capacity = kCapacity[field];
  char* target = Trans().Text(field);
  size_t n = text ? strnlen(text, capacity - 1) : 0;
  // The text may come from this very array (a copy of the item's own field).
  std::memmove(target, text ? text : "", n);
  std::memset(target + n, 0, capacity - n);
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
  const char* MovieItem::Get##Name() {                                                           \
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

const char* MovieItem::GetReview() {
  return GetText(kReview, "No valid trans record attempting to get review!");
}

namespace {

uint32_t DayOf(uint32_t seconds) { return seconds - seconds % 86400u; }

bool IsBlank(unsigned char c) { return c == 0x20 || (c >= 0x09 && c <= 0x0D); }

}  // namespace

int CompareTrimmed(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return (a == nullptr && b == nullptr) ? 0 : (a == nullptr ? -1 : 1);
  while (IsBlank(static_cast<unsigned char>(*a))) ++a;
  while (IsBlank(static_cast<unsigned char>(*b))) ++b;
  size_t la = std::strlen(a);
  size_t lb = std::strlen(b);
  while (la > 0 && IsBlank(static_cast<unsigned char>(a[la - 1]))) --la;
  while (lb > 0 && IsBlank(static_cast<unsigned char>(b[lb - 1]))) --lb;
  if (la == 0) return lb == 0 ? 0 : -1;
  if (lb == 0) return 1;
  int order = std::memcmp(a, b, la < lb ? la : lb);
  if (order != 0) return order < 0 ? -1 : 1;
  if (la == lb) return 0;
  return la > lb ? 1 : -1;
}

bool MovieItem::IsSameAs(MovieItem& other) {
  if (DayOf(GetAlarmDueDate()) != DayOf(other.GetAlarmDueDate())) return false;
  if (DayOf(GetLoanDate()) != DayOf(other.GetLoanDate())) return false;
  if (DayOf(GetDueDate()) != DayOf(other.GetDueDate())) return false;
  if (GetStatus() != other.GetStatus()) return false;
  if (GetGenre() != other.GetGenre()) return false;
  if (GetScreenEncoding() != other.GetScreenEncoding()) return false;
  if (GetWideScreenProcess() != other.GetWideScreenProcess()) return false;
  if (GetProdAttr() != other.GetProdAttr()) return false;
  if (GetRatingAttr() != other.GetRatingAttr()) return false;
  if (GetMyRating() != other.GetMyRating()) return false;
  if (GetTechAttr() != other.GetTechAttr()) return false;
  if (GetMediaAttr() != other.GetMediaAttr()) return false;
  if (GetAwardsAttr() != other.GetAwardsAttr()) return false;
  for (int i = 0; i < kTextFieldCount; ++i) {
    TextField field = static_cast<TextField>(i);
    MakeTransValid();
    other.MakeTransValid();
    if (CompareTrimmed(Trans().Text(field), other.Trans().Text(field)) != 0) return false;
  }
  return true;
}

void MovieItem::CopyPresentFields(DataRecord& other) {
  char text[1999];
  for (int32_t index = 0; index < kMovieFieldCount; ++index) {
    if (!other.FieldsPresent().Get(index)) continue;
    int32_t size = sizeof text;
    if (other.GetFieldText(index, text, &size)) SetFieldText(index, text);
  }
}
