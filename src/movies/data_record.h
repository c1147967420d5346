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
  // A field's text without a copy; as_is tells that it needs no field encoding (no blank at
  // either end, nothing to escape).
  struct FieldView {
    const char* data;
    size_t size;
    bool as_is;
  };
  // The texts of the fields indexes[0 .. count) at once (an index of -1 is skipped), valid until
  // the record changes or the next call; computed texts are put into scratch (kViewsScratchSize
  // bytes). False when the record offers no views for these fields (GetFieldText then tells).
  static constexpr size_t kViewsScratchSize = 4096;
  virtual bool GetFieldViews(Clock& /*clock*/, const int32_t* /*indexes*/, int32_t /*count*/, char* /*scratch*/,
                             FieldView* /*views*/) {
    return false;
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
