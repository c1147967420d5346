// The two interfaces through which the tab-delimited reader and writer see a record.
#ifndef REELBOX_MOVIES_DATA_RECORD_H
#define REELBOX_MOVIES_DATA_RECORD_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "movies/bit_array.h"

class Clock;

// A record that can be filled and read field by field, by field index. The presence set has one bit
// per field index; the reader sets a field's bit when a file line gave the field a value. Date
// texts are read and written with the clock the caller hands in (its zone and short date form).
class DataRecord {
 public:
  DataRecord() : fields_present_(1) {}
  DataRecord(const DataRecord&) = default;
  DataRecord& operator=(const DataRecord&) = default;

  // Back to a new record's defaults; true on success.
  virtual bool Reset() = 0;
  // The field's text into buffer, at most *size - 1 bytes, NUL-terminated. Gives the full length in
  // *size; true when the whole text fitted. False without touching the buffer for a null buffer or
  // size, a size below 1 or index -1; false for any other index outside the record's fields.
  virtual bool GetFieldText(Clock& clock, int32_t index, char* buffer, int32_t* size) = 0;
  // Writes the form a file holds of a text of size bytes at out; gives the end of what it wrote.
  // REQUIRES: room for 8 * size + 2 bytes at out.
  using TextEncoder = char* (*)(char* out, const char* text, size_t size);
  // The most bytes WriteFieldTexts writes for one field, its TAB included; 0 for a record that
  // writes no lines of its own.
  virtual size_t MaxFieldBytes() const { return 0; }
  // Writes the texts of the fields indexes[0 .. count) (an index of -1 is left out) at out as one
  // line without its line feed: a TAB before each column's text but the first column's, the texts
  // that come from the user through encode, names, numbers and yes/no texts as they are. Gives the
  // end of the line, or null when the record has no line for these fields (GetFieldText then
  // tells why). REQUIRES: room for count * MaxFieldBytes() bytes at out.
  virtual char* WriteFieldTexts(Clock& /*clock*/, const int32_t* /*indexes*/, int32_t /*count*/,
                                TextEncoder /*encode*/, char* /*out*/) {
    return nullptr;
  }
  // Stores the field's value from its text; false for a null text or an unknown index.
  virtual bool SetFieldText(Clock& clock, int32_t index, const char* text) = 0;
  // False when the text of the last SetFieldText did not read as a value of its field, so that the
  // field was left blank; the reader warns about it.
  virtual bool LastTextRead() const { return true; }
  // One field of a line: its index and text (size bytes before its NUL).
  struct FieldInput {
    int32_t index;
    const char* text;
    size_t size;
  };
  // Stores the fields in order as SetFieldText does, setting the presence bit of each one stored,
  // and stops after a text that did not read as a value (LastTextRead then false, its bit left
  // clear) or before a text
  // that is rejected (*rejected then true). Gives the number stored. A line's fields go in one call.
  virtual int32_t SetFieldTexts(Clock& clock, const FieldInput* fields, int32_t count, bool* rejected);
  // Copies every field whose presence bit is set in other; this record's bits stay.
  virtual void CopyPresentFields(Clock& clock, DataRecord& other) = 0;
  virtual ~DataRecord() = default;

  BitArray& FieldsPresent() { return fields_present_; }
  const BitArray& FieldsPresent() const { return fields_present_; }

 private:
  BitArray fields_present_;
};

// An object that can name itself in one line of a log.
class Describable {
 public:
  virtual const char* Describe();
  virtual ~Describable() = default;
};

#endif  // REELBOX_MOVIES_DATA_RECORD_H
