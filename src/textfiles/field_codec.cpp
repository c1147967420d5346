#include "textfiles/field_codec.h"

#include <cstring>

namespace {

void Trim(TextString* text) {
  text->TrimLeft();
  text->TrimRight();
}

}  // namespace

TextString EncodeField(const char* text) {
  TextString field(text);
  field.Replace("\"", "\"\"");
  field.Replace("\t", "<<TAB>>");
  field.Replace("\n\r", "<<CRLF>>");
  field.Replace("\n", "<<CR>>");
  field.Replace("\r", "<<LF>>");
  Trim(&field);
  if (field.Find("\t") >= 0 || field.Find("\"") >= 0) {
    TextString quoted("\"");
    quoted += field;
    quoted += "\"";
    return quoted;
  }
  return field;
}

bool DecodeField(const char* line, size_t length, size_t* position, TextString* out) {
  size_t start = *position;
  if (start >= length) return false;
  bool quoted = false;
  size_t end = start;
  for (; end < length; ++end) {
    if (line[end] == '"') quoted = !quoted;
    else if (line[end] == '\t' && !quoted) break;
  }
  *position = end < length ? end + 1 : end;
  // A NUL byte ends the field's text: the record's fields are NUL-terminated.
  const void* nul = std::memchr(line + start, '\0', end - start);
  size_t text_length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - (line + start)) : end - start;
  TextString text;
  text.Assign(static_cast<uint32_t>(text_length), line + start);
  Trim(&text);
  int32_t n = text.Length();
  if (n > 1 && text.CharAt(0) == '"' && text.CharAt(n - 1) == '"') {
    text = text.Mid(1, n - 2);
    Trim(&text);
  }
  text.Replace("\"\"", "\"");
  text.Replace("<<CRLF>>", "\n\r");
  text.Replace("<<CR>>", "\n");
  text.Replace("<<LF>>", "\r");
  text.Replace("<<TAB>>", "\t");
  // The limit applies to the decoded text, so an escaped field of the conduit's own export (up to
  // eight bytes per character) reads back whole.
  if (static_cast<size_t>(text.Length()) > kMaxFieldText) {
    text.Resize(kMaxFieldText);
    text.TrimRight();
  }
  *out = text;
  return true;
}
