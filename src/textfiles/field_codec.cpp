#include "textfiles/field_codec.h"

#include <cstring>
#include <string>

#include "platform/byte_scan.h"

namespace {

// The blanks that trimming the encoded text can meet: TAB and line breaks are escaped by then. One
// compare rejects almost every character.
bool IsBlankLeftByEscapes(char c) {
  constexpr uint64_t kBlanks = uint64_t{1} << ' ' | uint64_t{1} << '\v' | uint64_t{1} << '\f';
  const unsigned char u = static_cast<unsigned char>(c);
  return u <= ' ' && ((kBlanks >> u) & 1) != 0;
}

// The characters the export writes otherwise than as themselves.
bool NeedsEscape(char c) {
  // All four are below 0x23: one compare rejects almost every character.
  return static_cast<unsigned char>(c) <= '"' && (c == '"' || c == '\t' || c == '\n' || c == '\r');
}

// Whether the escape text starts at p (before end).
bool At(const char* p, const char* end, const char* escape, size_t length) {
  return static_cast<size_t>(end - p) >= length && std::memcmp(p, escape, length) == 0;
}

using byte_scan::Word;

// Whether a byte of w (a word of unsigned type T) is one the export escapes, or another control
// character below the carriage return (rare; the full encoding copies those as they are). Exact as
// an answer, in fewer steps than marking each byte: no byte below the bound (or equal to the
// quote) means no borrow from one byte into the next.
template <typename T>
inline bool MayNeedEscape(T w) {
  constexpr T kHigh = static_cast<T>(byte_scan::Broadcast(0x80));
  constexpr T kOnes = static_cast<T>(byte_scan::Broadcast(0x01));
  constexpr T kControls = static_cast<T>(byte_scan::Broadcast('\r' + 1));
  constexpr T kQuotes = static_cast<T>(byte_scan::Broadcast('"'));
  const T quotes = w ^ kQuotes;
  return ((((w - kControls) & ~w) | ((quotes - kOnes) & ~quotes)) & kHigh) != 0;
}

// Copies the n bytes (at least sizeof(T)) to out a word of type T at a time, the last word
// overlapping the one before; true when none of them may need an escape.
template <typename T>
inline bool CopyWithoutEscapes(char* out, const char* p, size_t n) {
  bool marked = false;
  for (size_t i = 0; i + sizeof(T) < n; i += sizeof(T)) {
    T w;
    std::memcpy(&w, p + i, sizeof w);
    marked |= MayNeedEscape(w);
    std::memcpy(out + i, &w, sizeof w);
  }
  T last;
  std::memcpy(&last, p + n - sizeof last, sizeof last);
  marked |= MayNeedEscape(last);
  std::memcpy(out + n - sizeof last, &last, sizeof last);
  return !marked;
}

#if defined(REELBOX_SSE2)
// Whether any of the n bytes (more than sixteen) is one the export escapes, sixteen at a time,
// the last block overlapping the one before.
REELBOX_SSE2_TARGET bool HasEscapes16(const char* p, size_t n) {
  for (size_t i = 0; i + 16 < n; i += 16) {
    if (byte_scan::Marks16(p + i, '"', '\t', '\n', '\r') != 0) return true;
  }
  return byte_scan::Marks16(p + n - 16, '"', '\t', '\n', '\r') != 0;
}
#endif

#if defined(REELBOX_SSE2)
// Bit i set for each byte i of the n (16 to 64) at p that the export escapes, sixteen at a time, the
// last block overlapping the one before.
REELBOX_SSE2_TARGET uint64_t EscapeMarks64(const char* p, size_t n) {
  uint64_t marks = 0;
  size_t i = 0;
  for (; i + 16 <= n; i += 16) marks |= uint64_t{byte_scan::Marks16(p + i, '"', '\t', '\n', '\r')} << i;
  if (i < n) marks |= uint64_t{byte_scan::Marks16(p + n - 16, '"', '\t', '\n', '\r')} << (n - 16);
  return marks;
}
#endif

// The same for fewer than four bytes, one at a time.
inline bool CopyBytesWithoutEscapes(char* out, const char* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (NeedsEscape(p[i])) return false;
    out[i] = p[i];
  }
  return true;
}

// The escape of the character at p (before end) at out; gives the end of what it wrote and in *used
// the characters it stood for (a line feed and a carriage return after it make one escape).
inline char* PutEscape(char* out, const char* p, const char* end, size_t* used) {
  *used = 1;
  switch (*p) {
    case '"': std::memcpy(out, "\"\"", 2); return out + 2;
    case '\t': std::memcpy(out, "<<TAB>>", 7); return out + 7;
    case '\n':
      if (p + 1 < end && p[1] == '\r') {
        *used = 2;
        std::memcpy(out, "<<CRLF>>", 8);
        return out + 8;
      }
      std::memcpy(out, "<<CR>>", 6);
      return out + 6;
    case '\r': std::memcpy(out, "<<LF>>", 6); return out + 6;
    default: *out = *p; return out + 1;
  }
}

#if defined(REELBOX_SSE2)
// The encoding of the n bytes at p (trimmed already) whose escapes marks holds (bit i for byte i).
char* EncodeMarked(char* out, const char* p, size_t n, uint64_t marks) {
  if (marks == 0) {
    std::memcpy(out, p, n);
    return out + n;
  }
  bool quoted = false;
  for (uint64_t m = marks; m != 0 && !quoted; m &= m - 1) quoted = p[byte_scan::LowestBit(m)] == '"';
  if (quoted) *out++ = '"';
  size_t done = 0;
  for (; marks != 0; marks &= marks - 1) {
    const size_t at = byte_scan::LowestBit(marks);
    // A carriage return taken into the escape before it.
    if (at < done) continue;
    byte_scan::CopyShort(out, p + done, at - done);
    out += at - done;
    size_t used = 0;
    out = PutEscape(out, p + at, p + n, &used);
    done = at + used;
  }
  byte_scan::CopyShort(out, p + done, n - done);
  out += n - done;
  if (quoted) *out++ = '"';
  return out;
}
#endif

// The whole encoding, for the texts that need more than a copy.
__attribute__((noinline)) char* EncodeEscaped(char* out, const char* begin, const char* end) {
  while (begin < end && IsBlankLeftByEscapes(*begin)) ++begin;
  while (end > begin && IsBlankLeftByEscapes(end[-1])) --end;
#if defined(REELBOX_SSE2)
  const size_t n = static_cast<size_t>(end - begin);
  if (n >= 16 && n <= 64 && byte_scan::UseSse2()) return EncodeMarked(out, begin, n, EscapeMarks64(begin, n));
#endif
  const char* mark = byte_scan::FindAny(begin, end, '"', '\t', '\n', '\r');
  if (mark == end) {
    byte_scan::CopyShort(out, begin, static_cast<size_t>(end - begin));
    return out + (end - begin);
  }
  const bool quoted = *mark == '"' || byte_scan::FindByte(mark, end, '"') != end;
  auto put = [&out](const char* piece, size_t size) {
    byte_scan::CopyShort(out, piece, size);
    out += size;
  };
  if (quoted) *out++ = '"';
  // Runs of characters that need no escape go in whole, each up to the next mark.
  put(begin, static_cast<size_t>(mark - begin));
  for (const char* p = mark;;) {
    size_t used = 0;
    out = PutEscape(out, p, end, &used);
    p += used;
    if (p >= end) break;
    const char* run = byte_scan::FindAny(p, end, '"', '\t', '\n', '\r');
    put(p, static_cast<size_t>(run - p));
    if (run == end) break;
    p = run;
  }
  if (quoted) *out++ = '"';
  return out;
}

}  // namespace

// One pass over the text, the same result as doubling the quotes, escaping TABs and line breaks,
// trimming and quoting one step after the other.
char* EncodeFieldInto(char* out, const char* p, size_t n) {
  if (n == 0) return out;
  // Most texts have no blank at either end and nothing to escape: they are copied as they are
  // looked at (the copy is simply written over when they need more).
  if (!IsBlankLeftByEscapes(p[0]) && !IsBlankLeftByEscapes(p[n - 1])) {
#if defined(REELBOX_SSE2)
    if (n > 16 && byte_scan::UseSse2()) {
      if (HasEscapes16(p, n)) return EncodeEscaped(out, p, p + n);
      std::memcpy(out, p, n);
      return out + n;
    }
#endif
    if (n >= sizeof(Word) ? CopyWithoutEscapes<Word>(out, p, n)
        : n >= 4          ? CopyWithoutEscapes<uint32_t>(out, p, n)
                          : CopyBytesWithoutEscapes(out, p, n)) {
      return out + n;
    }
  }
  return EncodeEscaped(out, p, p + n);
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

using byte_scan::MarkBlock;

inline uint32_t MarksOf(const char* p) { return MarkBlock::Marks(p, '\t', '"', '<', '\0'); }

}  // namespace

uint32_t FieldWalker::MarksAt(size_t offset) const {
  const size_t left = length_ - offset;
  if (left >= MarkBlock::kSize) return MarksOf(line_ + offset);
  char tail[MarkBlock::kSize] = {};
  std::memcpy(tail, line_ + offset, left);
  // The zero bytes past the end are no NUL of the text.
  return MarksOf(tail) & MarkBlock::FirstBytes(left);
}

FieldWalker::FieldWalker(const char* line, size_t length, size_t position)
    : line_(line), length_(length), next_(position), word_(position & ~(MarkBlock::kSize - 1)) {
  if (position < length) marks_ = MarksAt(word_) & ~MarkBlock::FirstBytes(position - word_);
}

// Inlined where the fields are taken one after the other: the call would cost a field a third more.
__attribute__((always_inline)) inline bool FieldWalker::Next(FieldSpan* span) {
  const size_t start = next_;
  const size_t length = length_;
  if (start >= length) return false;
  // A TAB ends the field unless an odd number of quotes came before it in the field; a NUL byte
  // ends the field's text (the record's fields are NUL-terminated). The walk's state stays in
  // locals until the field ends.
  const char* const line = line_;
  uint32_t marks = marks_;
  size_t word = word_;
  bool quote = false;
  bool quoted = false;
  bool escape = false;
  size_t nul = length;
  size_t end = length;
  for (;;) {
    if (marks == 0) {
      word += MarkBlock::kSize;
      if (word >= length) break;
      marks = length - word >= MarkBlock::kSize ? MarksOf(line + word) : MarksAt(word);
      continue;
    }
    const size_t at = word + MarkBlock::Index(marks);
    marks &= marks - 1;
    const char c = line[at];
    if (c == '\t') {
      if (!quoted) {
        end = at;
        break;
      }
    } else if (c == '"') {
      quote = true;
      quoted = !quoted;
    } else if (c == '<') {
      escape = true;
    } else if (nul == length) {
      nul = at;
    }
  }
  marks_ = marks;
  word_ = word;
  next_ = end < length ? end + 1 : end;
  const char* begin = line + start;
  const char* stop = line + (nul < end ? nul : end);
  // Most fields have no blank at either end: one compare per end rules a blank out (every blank
  // is at most ' ').
  if (begin < stop && (static_cast<unsigned char>(*begin) <= ' ' || static_cast<unsigned char>(stop[-1]) <= ' ')) {
    while (begin < stop && IsSpaceChar(*begin)) ++begin;
    while (stop > begin && IsSpaceChar(stop[-1])) --stop;
  }
  if (quote && stop - begin > 1 && *begin == '"' && stop[-1] == '"') {
    ++begin;
    --stop;
    while (begin < stop && IsSpaceChar(*begin)) ++begin;
    while (stop > begin && IsSpaceChar(stop[-1])) --stop;
  }
  *span = FieldSpan{begin, stop, !quote && !escape};
  return true;
}

namespace {

bool FindField(const char* line, size_t length, size_t* position, FieldSpan* span) {
  FieldWalker walker(line, length, *position);
  if (!walker.Next(span)) return false;
  *position = walker.Position();
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
      const char* run = byte_scan::FindEither(p + 1, stop, '"', '<');
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

namespace {

// The field's text decoded where it stands and NUL-terminated; its length into *size when given.
char* DecodeSpanInPlace(char* line, const FieldSpan& span, size_t* size) {
  char* begin = line + (span.begin - line);
  char* end = line + (span.stop - line);
  if (!span.plain) {
    char* out = begin;
    Unescape(span.begin, span.stop, [&out](const char* data, size_t count) {
      std::memmove(out, data, count);
      out += count;
    });
    end = out;
  }
  const size_t kept = CutToLimit(begin, static_cast<size_t>(end - begin));
  begin[kept] = '\0';
  if (size != nullptr) *size = kept;
  return begin;
}

}  // namespace

char* DecodeFieldInPlace(char* line, size_t length, size_t* position) {
  FieldSpan span;
  if (!FindField(line, length, position, &span)) return nullptr;
  return DecodeSpanInPlace(line, span, nullptr);
}

char* FieldSplitter::Next(size_t* size) {
  FieldSpan span;
  if (!walker_.Next(&span)) return nullptr;
  const size_t n = static_cast<size_t>(span.stop - span.begin);
  if (span.plain && n <= kMaxFieldText) {
    char* begin = line_ + (span.begin - line_);
    begin[n] = '\0';
    if (size != nullptr) *size = n;
    return begin;
  }
  return DecodeSpanInPlace(line_, span, size);
}

bool DecodeField(const char* line, size_t length, size_t* position, TextString* out) {
  thread_local std::string text;
  if (!DecodeField(line, length, position, &text)) return false;
  out->Assign(static_cast<uint32_t>(text.size()), text.data());
  return true;
}
