#include "textfiles/field_codec.h"

#include <cstring>
#include <string>

#include "platform/byte_scan.h"

namespace {

// The blanks that trimming the encoded text can meet: TAB and line breaks are escaped by then.
bool IsBlankLeftByEscapes(char c) { return c == ' ' || c == '\v' || c == '\f'; }

// The characters the export writes otherwise than as themselves.
bool NeedsEscape(char c) {
  // All four are below 0x23: one compare rejects almost every character.
  return static_cast<unsigned char>(c) <= '"' && (c == '"' || c == '\t' || c == '\n' || c == '\r');
}

// Whether the escape text starts at p (before end).
bool At(const char* p, const char* end, const char* escape, size_t length) {
  return static_cast<size_t>(end - p) >= length && std::memcmp(p, escape, length) == 0;
}

}  // namespace

// One pass over the text, the same result as doubling the quotes, escaping TABs and line breaks,
// trimming and quoting one step after the other.
char* EncodeFieldInto(char* out, std::string_view text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin < end && IsBlankLeftByEscapes(*begin)) ++begin;
  while (end > begin && IsBlankLeftByEscapes(end[-1])) --end;
  // Most texts need no escape at all: they go in whole.
  const char* mark = byte_scan::FindAny(begin, end, '"', '\t', '\n', '\r');
  if (mark == end) {
    std::memcpy(out, begin, static_cast<size_t>(end - begin));
    return out + (end - begin);
  }
  const bool quoted = *mark == '"' || byte_scan::FindByte(mark, end, '"') != end;
  auto put = [&out](const char* piece, size_t size) {
    std::memcpy(out, piece, size);
    out += size;
  };
  if (quoted) *out++ = '"';
  for (const char* p = begin; p < end; ++p) {
    // Runs of characters that need no escape go in whole.
    const char* run = p;
    while (run < end && !NeedsEscape(*run)) ++run;
    put(p, static_cast<size_t>(run - p));
    p = run;
    if (p == end) break;
    switch (*p) {
      case '"': put("\"\"", 2); break;
      case '\t': put("<<TAB>>", 7); break;
      case '\n':
        if (p + 1 < end && p[1] == '\r') {
          put("<<CRLF>>", 8);
          ++p;
        } else {
          put("<<CR>>", 6);
        }
        break;
      case '\r': put("<<LF>>", 6); break;
      default: *out++ = *p;
    }
  }
  if (quoted) *out++ = '"';
  return out;
}

void AppendEncodedField(std::string* out, const char* text) { AppendEncodedField(out, std::string_view(text)); }

void AppendEncodedField(std::string* out, std::string_view text) {
  const size_t used = out->size();
  out->resize(used + EncodedFieldLimit(text.size()));
  out->resize(static_cast<size_t>(EncodeFieldInto(&(*out)[used], text) - out->data()));
}

TextString EncodeField(const char* text) {
  std::string encoded;
  AppendEncodedField(&encoded, text);
  return TextString(encoded.c_str());
}

namespace {

// Where the text of the field at *position lies once trimmed and unquoted, and whether it holds
// doubled quotes or escapes to undo; moves *position past the separating TAB.
struct FieldSpan {
  const char* begin;
  const char* stop;
  bool plain;
};

bool FindField(const char* line, size_t length, size_t* position, FieldSpan* span) {
  size_t start = *position;
  if (start >= length) return false;
  // One look at each byte: most fields hold no quote, so they end at the next TAB; the bytes
  // that need more (quotes, escapes, NUL) are only noted.
  size_t end = start;
  bool quote = false;
  bool escape = false;
  bool nul = false;
  {
    using namespace byte_scan;
    constexpr uint64_t kTabs = Broadcast('\t'), kQuotes = Broadcast('"'), kOpens = Broadcast('<');
    for (; length - end >= 8; end += 8) {
      const uint64_t w = Load(line + end);
      const uint64_t tab = ZeroBytes(w ^ kTabs);
      quote = quote || Before(ZeroBytes(w ^ kQuotes), tab) != 0;
      escape = escape || Before(ZeroBytes(w ^ kOpens), tab) != 0;
      nul = nul || Before(ZeroBytes(w), tab) != 0;
      if (tab != 0) {
        end += FirstMarked(tab);
        break;
      }
    }
  }
  if (length - end < 8 || line[end] != '\t') {
    for (; end < length; ++end) {
      const char c = line[end];
      if (static_cast<unsigned char>(c) > '<' || (c != '\t' && c != '"' && c != '<' && c != '\0')) continue;
      if (c == '\t') break;
      quote = quote || c == '"';
      escape = escape || c == '<';
      nul = nul || c == '\0';
    }
  }
  if (quote) {
    bool quoted = false;
    for (end = start; end < length; ++end) {
      if (line[end] == '"') quoted = !quoted;
      else if (line[end] == '\t' && !quoted) break;
    }
  }
  *position = end < length ? end + 1 : end;
  // A NUL byte ends the field's text: the record's fields are NUL-terminated.
  const void* cut = nul || quote ? std::memchr(line + start, '\0', end - start) : nullptr;
  const char* begin = line + start;
  const char* stop = cut ? static_cast<const char*>(cut) : line + end;
  while (begin < stop && IsSpaceChar(*begin)) ++begin;
  while (stop > begin && IsSpaceChar(stop[-1])) --stop;
  if (stop - begin > 1 && *begin == '"' && stop[-1] == '"') {
    ++begin;
    --stop;
    while (begin < stop && IsSpaceChar(*begin)) ++begin;
    while (stop > begin && IsSpaceChar(stop[-1])) --stop;
  }
  *span = FieldSpan{begin, stop, !quote && !escape};
  return true;
}

// Undoes the doubled quotes and escapes of [p, stop), handing the text to append(data, size) in
// runs. The escapes never overlap one another nor a doubled quote, so one pass undoes them all;
// every undone form is shorter than its text, so the output never overtakes the input.
template <typename Append>
void Unescape(const char* p, const char* stop, Append append) {
  while (p < stop) {
    if (*p == '"' && p + 1 < stop && p[1] == '"') {
      append("\"", 1);
      p += 2;
    } else if (*p == '<' && At(p, stop, "<<CRLF>>", 8)) {
      append("\n\r", 2);
      p += 8;
    } else if (*p == '<' && At(p, stop, "<<CR>>", 6)) {
      append("\n", 1);
      p += 6;
    } else if (*p == '<' && At(p, stop, "<<LF>>", 6)) {
      append("\r", 1);
      p += 6;
    } else if (*p == '<' && At(p, stop, "<<TAB>>", 7)) {
      append("\t", 1);
      p += 7;
    } else {
      // Plain text up to the next character that may start a doubled quote or an escape.
      const char* run = p + 1;
      while (run < stop && *run != '"' && *run != '<') ++run;
      append(p, static_cast<size_t>(run - p));
      p = run;
    }
  }
}

// The limit applies to the decoded text, so an escaped field of the conduit's own export (up to
// eight bytes per character) reads back whole.
size_t CutToLimit(const char* text, size_t size) {
  if (size <= kMaxFieldText) return size;
  size = kMaxFieldText;
  while (size > 0 && IsSpaceChar(text[size - 1])) --size;
  return size;
}

}  // namespace

bool DecodeField(const char* line, size_t length, size_t* position, std::string* out) {
  FieldSpan span;
  if (!FindField(line, length, position, &span)) return false;
  std::string& text = *out;
  text.clear();
  // A text without quotes and escapes is taken whole.
  if (span.plain) {
    text.assign(span.begin, static_cast<size_t>(span.stop - span.begin));
  } else {
    Unescape(span.begin, span.stop, [&text](const char* data, size_t size) { text.append(data, size); });
  }
  text.resize(CutToLimit(text.data(), text.size()));
  return true;
}

char* DecodeFieldInPlace(char* line, size_t length, size_t* position) {
  FieldSpan span;
  if (!FindField(line, length, position, &span)) return nullptr;
  char* begin = line + (span.begin - line);
  char* end = line + (span.stop - line);
  if (!span.plain) {
    char* out = begin;
    Unescape(span.begin, span.stop, [&out](const char* data, size_t size) {
      std::memmove(out, data, size);
      out += size;
    });
    end = out;
  }
  begin[CutToLimit(begin, static_cast<size_t>(end - begin))] = '\0';
  return begin;
}

bool DecodeField(const char* line, size_t length, size_t* position, TextString* out) {
  thread_local std::string text;
  if (!DecodeField(line, length, position, &text)) return false;
  out->Assign(static_cast<uint32_t>(text.size()), text.data());
  return true;
}
