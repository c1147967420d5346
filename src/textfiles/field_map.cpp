#include "textfiles/field_map.h"

#include <cstdio>
#include <new>


namespace {

const char* const kFieldNames[MovieFieldMap::kFieldCount] = {
    "Category", "Title", "Director", "Country", "Year", "MadeForTV", "Genre", "Cast",
    "LoanStatus", "LoanDate", "DueDate", "LoanLocation", "Owned", "Viewed", "Acquired", "Price",
    "Catalog", "RunningTime", "MediaType", "MediaQuantity", "MediaRegion", "Color",
    "ScreenEncoding", "FilmProcess", "AudioMono", "AudioStereo", "AudioDD20", "AudioDD51",
    "AudioDTS", "AudioTHX", "Rating", "MPAA", "Notes", "Awards"};

// Awards before Notes, and MadeForTV after FilmProcess.
const MovieField kDefaultOrder[MovieFieldMap::kFieldCount] = {
    MovieField::kTitle, MovieField::kYear, MovieField::kRunningTime, MovieField::kMediaType,
    MovieField::kCategory, MovieField::kDirector, MovieField::kCountry, MovieField::kGenre,
    MovieField::kCast, MovieField::kLoanStatus, MovieField::kLoanDate, MovieField::kDueDate,
    MovieField::kLoanLocation, MovieField::kOwned, MovieField::kViewed, MovieField::kAcquired,
    MovieField::kPrice, MovieField::kCatalog, MovieField::kMediaQuantity, MovieField::kMediaRegion,
    MovieField::kColor, MovieField::kScreenEncoding, MovieField::kFilmProcess,
    MovieField::kMadeForTV, MovieField::kAudioMono, MovieField::kAudioStereo,
    MovieField::kAudioDD20, MovieField::kAudioDD51, MovieField::kAudioDTS, MovieField::kAudioTHX,
    MovieField::kRating, MovieField::kMPAA, MovieField::kAwards, MovieField::kNotes};

bool SameIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char ca = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a + 32) : *a;
    char cb = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b + 32) : *b;
    if (ca != cb) return false;
    if (ca == '\0') return true;
  }
}

}  // namespace

const char* MovieFieldName(int32_t field) {
  return (field >= 0 && field < MovieFieldMap::kFieldCount) ? kFieldNames[field] : nullptr;
}

FieldMap::FieldMap() : entries_(1, -1) {}

FieldMap::~FieldMap() = default;

void FieldMap::Clear() {
  std::vector<int32_t>().swap(entries_);
  has_array_ = false;
  count_ = 0;
  capacity_ = 0;
}

int32_t FieldMap::ColumnForField(int32_t field) const {
  for (int32_t column = 0; column < count_; ++column)
    if (entries_[static_cast<size_t>(column)] == field) return column;
  return -1;
}

char* FieldMap::ColumnName(int32_t column, char* buffer, size_t size) const {
  return FieldName(FieldForColumn(column), buffer, size);
}

char* FieldMap::FieldName(int32_t, char*, size_t) const { return nullptr; }

int32_t FieldMap::FieldIndexByName(const char*) const { return -1; }

void FieldMap::RevertToDefault() { Clear(); }

bool FieldMap::BeginCustom(int32_t n) {
  Clear();
  int32_t room = n > 1 ? n : 1;
  try {
    entries_.assign(static_cast<size_t>(room), -1);
  } catch (const std::bad_alloc&) {
    RevertToDefault();
    return false;
  }
  has_array_ = true;
  capacity_ = room;
  return true;
}

bool FieldMap::Append(int32_t field) {
  if (!has_array_ || count_ >= capacity_) return false;
  entries_[static_cast<size_t>(count_++)] = field;
  return true;
}

void FieldMap::SetEntries(const int32_t* fields, int32_t count) {
  Clear();
  entries_.assign(fields, fields + count);
  has_array_ = true;
  count_ = count;
}

MovieFieldMap::MovieFieldMap() { RevertToDefault(); }

char* MovieFieldMap::FieldName(int32_t field, char* buffer, size_t size) const {
  if (buffer == nullptr || size == 0) return nullptr;
  const char* name = field == -1 ? "" : MovieFieldName(field);
  if (name == nullptr) return nullptr;
  std::snprintf(buffer, size, "%s", name);
  return buffer;
}

int32_t MovieFieldMap::FieldIndexByName(const char* text) const {
  if (text == nullptr) return -1;
  for (int32_t field = 0; field < kFieldCount; ++field)
    if (SameIgnoringCase(text, kFieldNames[field])) return field;
  return -1;
}

void MovieFieldMap::RevertToDefault() {
  int32_t fields[kFieldCount];
  for (int32_t column = 0; column < kFieldCount; ++column) fields[column] = ToInt(kDefaultOrder[column]);
  SetEntries(fields, kFieldCount);
}
