#include "movies/data_record.h"

const char* Describable::Describe() { return "<unknown>"; }

int32_t DataRecord::SetFieldTexts(Clock& clock, const FieldInput* fields, int32_t count, bool* rejected) {
  *rejected = false;
  for (int32_t i = 0; i < count; ++i) {
    if (!SetFieldText(clock, fields[i].index, fields[i].text)) {
      *rejected = true;
      return i;
    }
    // A text that did not read gave the field no value: a merge keeps the other side's.
    if (!LastTextRead()) return i + 1;
    FieldsPresent().Set(fields[i].index, 1);
  }
  return count;
}
