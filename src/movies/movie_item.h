// MovieItem: one record of the handheld database Movie-Lists.
//
// An item holds the packed record (the bytes stored on the handheld), the trans record (every text
// in a fixed array), both, or neither, and converts lazily: reading from the handheld fills only the
// packed form; the first text access or change unpacks; asking for the packed bytes after a change
// packs again. Numeric getters read whichever form is valid, so numbers never force an unpack.
// Every setter leaves the item in trans-only state. Accessing an item that holds neither form writes
// a one-line message to the debug log and goes on with 0 or an empty text.
//
// Items hold the packed bytes in a buffer of their exact size and the trans record only while it is
// in use (Compact drops it again), so that a list of many items stays small. They are copied by
// value; a copy of an item whose packed form is valid takes only the packed form. Copy construction
// copies the run markers, assignment clears them in the target. Not thread-safe: Describe and the text
// conversions use shared buffers (one synchronization at a time).
//
// The members are defined in four files, one per concern: movie_item.cpp (the two forms, their
// life cycle and the content comparison), movie_item_fields.cpp (every field accessor and the
// derived names), movie_item_text_form.cpp (the text of each field index) and movie_item_key.cpp
// (Describe, BuildKey).
#ifndef REELBOX_MOVIES_MOVIE_ITEM_H
#define REELBOX_MOVIES_MOVIE_ITEM_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "device/device_error.h"
#include "diag/text_string.h"
#include "movies/data_record.h"
#include "movies/movie_field.h"
#include "movies/movie_record.h"

class DeviceDatabase;


class MovieItem : public DataRecord, public Describable {
 public:
  MovieItem();
  MovieItem(const MovieItem& other);
  MovieItem& operator=(const MovieItem& other);
  ~MovieItem() override;

  // Markers the import/export run keeps per item; 0 in a new item, cleared by assignment.
  uint8_t OnDesktop() const { return on_desktop_; }
  void SetOnDesktop(uint8_t value) { on_desktop_ = value; }
  uint8_t Matched() const { return matched_; }
  void SetMatched(uint8_t value) { matched_ = value; }
  uint8_t WriteBack() const { return write_back_; }
  void SetWriteBack(uint8_t value) { write_back_ = value; }

  // Markers 0; both forms invalid; trans record zero.
  void Clear();
  // Clear, then record ID and category 0xFFFFFFFF and every presence bit 0.
  void ResetAll();
  // A new item: trans valid, category 0, region 1, not owned, viewed, colour, no year.
  bool Reset() override;
  // Reads the current record of an open database positioned on one. Returns its DeviceError (2 for
  // a null source); the packed form is valid only on 0.
  DeviceError ReadFrom(DeviceDatabase* source);

  // The packed bytes, packing first when only the trans form is valid; null for an empty item.
  const uint8_t* GetPackedRecord(uint32_t* size = nullptr);
  // The packed size (packing first if needed); 0 with a debug-log line for an empty item.
  uint32_t GetPackedSize();
  // The trans record, unpacking first if needed; null for an empty item.
  const MovieTransRecord* GetTransRecord();
  bool IsPackedValid() const { return packed_valid_; }
  // Keeps only the packed form (packing first when needed): the same content in a few hundred
  // bytes instead of three kilobytes. Texts read afterwards unpack again.
  void Compact();
  bool IsTransValid() const { return trans_valid_; }

  // Replaces the item's content with packed bytes (as if read from the handheld). REQUIRES: size is
  // at most the packed buffer's 3094 bytes; longer input is refused with false.
  bool SetPackedRecord(const uint8_t* data, uint32_t size);

  uint32_t GetCategory() const { return category_; }
  void SetCategory(uint32_t category) { category_ = category; }
  uint32_t GetRecordId() const { return record_id_; }
  // The pairing of an import line with a handheld record gives the line the record's ID.
  void SetRecordId(uint32_t id) { record_id_ = id; }

  // Content comparison: dates by day, numbers whole, texts trimmed; category, record ID, first
  // word, markers and presence bits take no part.
  bool IsSameAs(const MovieItem& other) const;

  // Whole fields, host order.
  uint32_t GetAlarmDueDate() const;
  uint32_t GetLoanDate() const;
  void SetLoanDate(uint32_t value);
  uint32_t GetDueDate() const;
  void SetDueDate(uint32_t value);
  uint32_t GetStatus() const;
  void SetStatus(uint32_t value);
  uint32_t GetGenre() const;
  void SetGenre(uint32_t value);
  uint32_t GetWideScreenProcess() const;
  void SetWideScreenProcess(uint32_t value);
  uint32_t GetProdAttr() const;
  void SetProdAttr(uint32_t value);
  uint32_t GetRatingAttr() const;
  void SetRatingAttr(uint32_t value);
  uint32_t GetMyRating() const;
  void SetMyRating(uint32_t value);
  uint32_t GetTechAttr() const;
  void SetTechAttr(uint32_t value);
  uint32_t GetMediaAttr() const;
  void SetMediaAttr(uint32_t value);
  uint32_t GetAwardsAttr() const;
  void SetAwardsAttr(uint32_t value);

  // Texts: pointers into the trans record, valid until the item changes. Setters cut silently at
  // capacity - 1.
  const char* GetTitle() const;
  void SetTitle(const char* text);
  const char* GetLocation() const;
  void SetLocation(const char* text);
  const char* GetCatalog() const;
  void SetCatalog(const char* text);
  const char* GetDirector() const;
  void SetDirector(const char* text);
  const char* GetCountry() const;
  void SetCountry(const char* text);
  const char* GetCast() const;
  void SetCast(const char* text);
  const char* GetAcquiredFrom() const;
  void SetAcquiredFrom(const char* text);
  const char* GetPrice() const;
  void SetPrice(const char* text);
  const char* GetRunTime() const;
  void SetRunTime(const char* text);
  const char* GetReview() const;
  const char* GetNotes() const;
  void SetNotes(const char* text);

  // Bit-level fields.
  bool GetOwned() const;
  void SetOwned(bool value);
  bool GetViewed() const;
  void SetViewed(bool value);
  uint32_t GetLoanStatus() const;
  void SetLoanStatus(uint32_t value);
  // The year offset from 1904 (0 = no year).
  uint32_t GetYearOffset() const;
  // A year (above 255) or an offset; representable years are 1905 to 2031.
  void SetYear(int32_t value);
  bool GetMadeForTV() const;
  void SetMadeForTV(bool value);
  uint32_t GetColorCode() const;
  bool GetColor() const;
  void SetColor(bool value);
  uint32_t GetMpaaRating() const;
  void SetMpaaRating(uint32_t value);
  uint32_t GetStarRating() const;
  void SetStarRating(uint32_t value);
  // Bits Mono, Stereo, DD20, DD51, DTS, THX (bits 0 to 5).
  uint32_t GetAudioFlags() const;
  void SetAudioFlags(uint32_t value);
  uint32_t GetScreenEncoding() const;
  void SetScreenEncoding(uint32_t value);
  uint32_t GetMediaRegion() const;
  void SetMediaRegion(uint32_t value);
  // 1 to 16.
  uint32_t GetMediaQuantity() const;
  // 0 and 1 both store one item; above 16 stores 16.
  void SetMediaQuantity(uint32_t value);
  uint32_t GetMediaType() const;
  void SetMediaType(uint32_t value);
  uint32_t GetAwardYear() const;
  // Bit i = award i.
  uint32_t GetAwards() const;

  // A text field as its getter gives it, without a copy: valid until the item changes. A record
  // read in packed form is shown in place, not unpacked.
  std::string_view TextView(movie_record::TextField field) const;

  // Derived texts.
  TextString GetYearText() const;
  TextString GetGenreNames() const;
  // The same in a shared buffer that the next call overwrites.
  const char* GenreNamesText() const;
  const char* GetFilmProcessName() const;
  const char* GetMediaTypeName() const;

  // The text form (field indexes 0 to 33).
  bool GetFieldText(Clock& clock, int32_t index, char* buffer, int32_t* size) override;
  size_t MaxFieldBytes() const override;
  char* WriteFieldTexts(Clock& clock, const int32_t* indexes, int32_t count, TextEncoder encode, char* out) override;
  bool SetFieldText(Clock& clock, int32_t index, const char* text) override;
  // False when the text of the last SetFieldText was no value of its field: the field was left
  // blank (as an empty text leaves it) and its presence bit clear, so a merge keeps the handheld's.
  bool LastTextRead() const override { return last_text_read_; }
  int32_t SetFieldTexts(Clock& clock, const FieldInput* fields, int32_t count, bool* rejected) override;
  void CopyPresentFields(Clock& clock, DataRecord& other) override;
  // The same from another movie item: texts, numbers and yes/no fields are copied as values
  // (their texts would read back as the same values), the others through their texts.
  void CopyPresentFields(Clock& clock, MovieItem& other);
  // "Title (Media-Year, RunTimem)" in a shared buffer that the next call overwrites.
  const char* Describe() override;
  // The same text put at out (room for kDescriptionSize bytes), not NUL-terminated; gives its
  // size. Item texts hold no NUL, so neither does the description.
  static constexpr size_t kDescriptionSize = 512;
  size_t DescribeInto(char* out) const;
  // Title, year text, RunTime and media type name, run together: the matching key.
  TextString BuildKey() const;
  // The same, NUL-terminated, in buffer when it fits there (any real key does), else in *spill.
  static constexpr size_t kKeyBufferSize = 512;
  const char* BuildKey(char (&buffer)[kKeyBufferSize], std::string* spill) const;
  // The same into *key, whose buffer is reused when the key fits it.
  void BuildKey(TextString* key) const;

 private:
  uint32_t ReadNumber(size_t offset, int width, const char* message) const;
  void WriteNumber(size_t offset, int width, uint32_t value, const char* message);
  // Unpacks when needed; false when the item holds neither form.
  bool MakeTransValid() const { return trans_valid_ || Unpack(); }
  bool Unpack() const;
  void InvalidatePacked() {
    // The buffer stays for the next packing; nothing reads it while the form is invalid.
    packed_valid_ = false;
    packed_size_ = 0;
    packed_texts_found_ = false;
  }
  // Finds where each text lies in the packed form.
  void FindPackedTexts() const;
  const char* GetText(movie_record::TextField field, const char* message) const;
  void SetText(movie_record::TextField field, const char* text, const char* message);
  // The same for a text of size bytes (cut to the field's capacity). REQUIRES: no NUL among them.
  void SetText(movie_record::TextField field, const char* text, size_t size, const char* message);
  void SetTextField(movie_record::TextField field, const char* text, size_t size);
  void CopyFrom(const MovieItem& other);
  // The trans record, made (zeroed) when the item has none yet.
  MovieTransRecord& Trans() const { return trans_ ? *trans_ : NewTrans(); }
  MovieTransRecord& NewTrans() const;
  void StorePacked(const uint8_t* data, uint32_t size);
  TextString FieldText(Clock& clock, int32_t index);
  // The text of a field that is a text of the record or of a table, or a number or date (written
  // into scratch, kDateTextSize bytes); null for the other fields. REQUIRES: index 0 to 33.
  const char* PlainFieldText(Clock& clock, int32_t index, char* scratch);
  // Stores the value of text (size bytes); false when it does not read as one (the field is left
  // blank then: never some other value that the text happens to come near).
  bool StoreFieldText(Clock& clock, int32_t index, const char* text, size_t size);
  void StoreBlank(Clock& clock, int32_t index);

  uint8_t on_desktop_ = 0;
  uint8_t matched_ = 0;
  uint8_t write_back_ = 0;
  bool last_text_read_ = true;
  // The forms are caches of one content: reading a text may unpack even through a const path.
  // Null reads as a zeroed record.
  mutable std::unique_ptr<MovieTransRecord> trans_;
  // Per text of the trans record: its length, past which its array holds only zeros (storing a
  // text clears no more than what an earlier text left; texts are shown and packed without a
  // look for their ends).
  mutable uint16_t text_dirty_[movie_record::kTextFieldCount] = {};
  // Every text empty (its array all zeros).
  void MarkTextsEmpty() const {
    for (int i = 0; i < movie_record::kTextFieldCount; ++i) text_dirty_[i] = 0;
  }
  mutable bool trans_valid_ = false;
  bool packed_valid_ = false;
  uint32_t packed_size_ = 0;
  uint32_t packed_capacity_ = 0;
  uint32_t category_ = 0;
  uint32_t record_id_ = 0;
  std::unique_ptr<uint8_t[]> packed_;
  // Where each text starts in the packed form and its size as unpacking keeps it, once looked for
  // (not read before: an item is made for every record a pass pairs).
  mutable bool packed_texts_found_ = false;
  mutable uint16_t packed_text_at_[movie_record::kTextFieldCount];
  mutable uint16_t packed_text_size_[movie_record::kTextFieldCount];
};

// Trimmed text comparison (-1, 0, 1): blanks at either end do not count, letter case does.
int CompareTrimmed(const char* a, const char* b);

#endif  // REELBOX_MOVIES_MOVIE_ITEM_H
