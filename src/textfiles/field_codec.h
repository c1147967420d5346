// The field encoding of the tab-delimited files.
//
// Writing doubles double quotes, turns TABs and line breaks into the escapes "<<TAB>>",
// "<<CRLF>>" (line feed + carriage return), "<<CR>>" (line feed) and "<<LF>>" (carriage return),
// trims white space and encloses a text holding a quote in double quotes. Reading splits at TABs
// outside double quotes and undoes all of it, so the conduit's own files read back unchanged.
#ifndef REELBOX_TEXTFILES_FIELD_CODEC_H
#define REELBOX_TEXTFILES_FIELD_CODEC_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "diag/text_string.h"

// The longest field text that reading hands on.
constexpr size_t kMaxFieldText = 1999;

// The encoded form of one field's text.
TextString EncodeField(const char* text);
// The most bytes the encoded form of a text of size bytes takes (a TAB becomes seven).
constexpr size_t EncodedFieldLimit(size_t size) { return 8 * size + 2; }
// Writes the encoded form of the size bytes at text to out; gives its end. REQUIRES: room for
// EncodedFieldLimit(size) bytes.
char* EncodeFieldInto(char* out, const char* text, size_t size);
inline char* EncodeFieldInto(char* out, std::string_view text) { return EncodeFieldInto(out, text.data(), text.size()); }
// The same, appended to out.
void AppendEncodedField(std::string* out, const char* text);
void AppendEncodedField(std::string* out, std::string_view text);

// Reads the field that starts at *position of line (length bytes; NUL bytes are data) into out and
// moves *position past the separating TAB. False, with out untouched, when no field is left (the
// position is at the end of the line). The decoded text is cut to kMaxFieldText bytes.
bool DecodeField(const char* line, size_t length, size_t* position, TextString* out);
// The same into a string (cleared first) that can be used again for the next field.
bool DecodeField(const char* line, size_t length, size_t* position, std::string* out);
// The same, decoded in place: the field's text is rewritten inside line and NUL-terminated there
// (over its separator or its trailing blanks at the latest), and its start is returned; null when
// no field is left. REQUIRES: line[length] is writable (a NUL after the last field goes there).
char* DecodeFieldInPlace(char* line, size_t length, size_t* position);

// Where the text of a field lies once trimmed and unquoted, and whether it holds doubled quotes or
// escapes to undo.
struct FieldSpan {
  const char* begin;
  const char* stop;
  bool plain;
};

// Finds field after field of a line in one pass, a block of bytes a step: the marks (TAB, quote, "<",
// NUL) of the word under way are kept from one field to the next. A TAB ends a field unless an
// odd number of quotes came before it in the field; a NUL byte ends the field's text.
class FieldWalker {
 public:
  // Starts at position of line (length bytes).
  FieldWalker(const char* line, size_t length, size_t position);
  // The next field; false when none is left (the position is at the end of the line).
  bool Next(FieldSpan* span);
  // Where the field after the last one found starts (past its separating TAB).
  size_t Position() const { return next_; }

 private:
  // The marks of the word at offset, none for bytes past the end of the line.
  uint32_t MarksAt(size_t offset) const;

  const char* line_;
  size_t length_;
  size_t next_;
  size_t word_;
  uint32_t marks_ = 0;
};

// The fields of a line one after the other, each decoded in place as DecodeFieldInPlace does, in a
// single pass over the line. REQUIRES: line[length] is writable.
class FieldSplitter {
 public:
  FieldSplitter(char* line, size_t length) : line_(line), walker_(line, length, 0) {}
  // The next field's text (its length into *size when given); null when no field is left.
  char* Next(size_t* size = nullptr);

 private:
  char* line_;
  FieldWalker walker_;
};

#endif  // REELBOX_TEXTFILES_FIELD_CODEC_H
