// The field encoding of the tab-delimited files.
//
// Writing doubles double quotes, turns TABs and line breaks into the escapes "<<TAB>>",
// "<<CRLF>>" (line feed + carriage return), "<<CR>>" (line feed) and "<<LF>>" (carriage return),
// trims white space and encloses a text holding a quote in double quotes. Reading splits at TABs
// outside double quotes and undoes all of it, so the conduit's own files read back unchanged.
#ifndef REELBOX_TEXTFILES_FIELD_CODEC_H
#define REELBOX_TEXTFILES_FIELD_CODEC_H

#include <cstddef>
#include <string>
#include <string_view>

#include "diag/text_string.h"

// The longest field text that reading hands on.
constexpr size_t kMaxFieldText = 1999;

// The encoded form of one field's text.
TextString EncodeField(const char* text);
// The most bytes the encoded form of a text of size bytes takes (a TAB becomes seven).
constexpr size_t EncodedFieldLimit(size_t size) { return 8 * size + 2; }
// Writes the encoded form at out; gives its end. REQUIRES: room for EncodedFieldLimit bytes.
char* EncodeFieldInto(char* out, std::string_view text);
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

#endif  // REELBOX_TEXTFILES_FIELD_CODEC_H
