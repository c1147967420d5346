// TextString: the conduit's owned 8-bit text.
//
// Each string owns one heap buffer alone (no sharing); the buffer always exists and always holds a
// NUL terminator, so Text() is never null. The length is not stored: it is the number of bytes
// before the first NUL. Character classes (space, punctuation, letter case) are plain ASCII; bytes
// 0x80 to 0xFF belong to no class. The ordering of Compare is part of the file formats and the
// matching rules: texts beginning with punctuation sort after all others, and ASCII letter case is
// ignored.
#ifndef REELBOX_DIAG_TEXT_STRING_H
#define REELBOX_DIAG_TEXT_STRING_H

#include <cstddef>
#include <cstdint>
#include <string_view>

class TextString {
 public:
  TextString();
  TextString(const TextString& other);
  // A null text gives an empty string.
  TextString(const char* text);  // NOLINT: implicit on purpose, texts and strings mix freely
  // Exactly n bytes of text, then a NUL. REQUIRES: text holds n readable bytes (or n is 0).
  TextString(const char* text, uint32_t n);
  virtual ~TextString();

  // Ordering against another text: negative, 0 or positive (see the header comment).
  virtual int Compare(const char* other) const;
  virtual int Compare(const TextString& other) const;

  TextString& operator=(const TextString& other);
  // The text may lie inside this string's own buffer.
  TextString& operator=(const char* text);
  TextString& operator+=(const TextString& other);
  TextString& operator+=(const char* text);

  // Discards the characters; makes a buffer of n + 1 bytes with a NUL at n. The first n bytes are
  // zero here (callers write them through Buffer()).
  void Allocate(uint32_t n);
  // Keeps the first n characters (or all, when shorter) and terminates at n.
  void Resize(uint32_t n);
  // Exactly n bytes of text, then a NUL. REQUIRES: text holds n readable bytes (or n is 0).
  void Assign(uint32_t n, const char* text);
  // Old characters followed by the text; the text may lie inside this string's own buffer.
  void Append(const char* text);
  void Clear();

  // REQUIRES: 0 <= index <= Length().
  char CharAt(int32_t index) const { return buffer_[index]; }
  int32_t Length() const;
  bool IsEmpty() const { return buffer_[0] == '\0'; }
  const char* Text() const { return buffer_; }
  // Writable characters; REQUIRES: writes stay before the terminator set by Allocate or Resize.
  char* Buffer() { return buffer_; }

  void MakeLower();
  // Index of the first occurrence, or -1; an empty (or null) text is found at 0.
  int32_t Find(const char* text) const;
  void TrimLeft();
  void TrimRight();
  // Characters from start, count of them, clamped to the string (negative values count as 0).
  TextString Mid(int32_t start, int32_t count) const;
  // Replaces every non-overlapping occurrence, left to right, and returns how many. An empty search
  // text replaces nothing. Inserted replacements are never searched again.
  int32_t Replace(const char* search, const char* replacement);

 private:
  char* buffer_;
};

// True for the printable ASCII characters that are neither letters, digits nor space.
bool IsPunctuationChar(char c);
// True for space, tab, line feed, vertical tab, form feed and carriage return.
inline bool IsSpaceChar(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
// Compare of two plain texts with the TextString ordering.
int CompareText(const char* a, const char* b);

// Hash and equality of texts as TextString's Compare sees them (ASCII letter case ignored), for
// hashed lookups of keys that need no order.
struct FoldedTextHash {
  size_t operator()(std::string_view text) const;
};
struct FoldedTextEqual {
  bool operator()(std::string_view a, std::string_view b) const;
};

// Formats into a 1024-byte working buffer and replaces out's contents with the result; a longer
// result is cut to 1023 characters.
#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 2, 3)))
#else
__attribute__((format(printf, 2, 3)))
#endif
void FormatText(TextString& out, const char* format, ...);

#endif  // REELBOX_DIAG_TEXT_STRING_H
