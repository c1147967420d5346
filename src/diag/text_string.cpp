#include "diag/text_string.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "platform/byte_scan.h"

namespace {

// Each block begins with the number of characters its buffer has room for, so that a shorter or
// equal text reuses the buffer (keys are assigned for every record of a pass); the string's pointer
// is to the characters after it.
constexpr size_t kRoomSize = sizeof(uint32_t);

char* NewTextBuffer(uint32_t room, uint32_t n) {
  // A 32-bit size_t cannot count a block for the largest rooms.
  if (static_cast<size_t>(room) > SIZE_MAX - kRoomSize - 1) throw std::bad_alloc();
  char* block = new char[kRoomSize + static_cast<size_t>(room) + 1];
  std::memcpy(block, &room, kRoomSize);
  char* buffer = block + kRoomSize;
  buffer[n] = '\0';
  return buffer;
}

// For n bytes the caller fills at once: only the terminator is set.
char* NewTextBuffer(uint32_t n) { return NewTextBuffer(n, n); }

char* NewBuffer(uint32_t n) {
  char* buffer = NewTextBuffer(n);
  std::memset(buffer, 0, static_cast<size_t>(n) + 1);
  return buffer;
}

void ReleaseBuffer(char* buffer) { delete[] (buffer - kRoomSize); }

uint32_t RoomOf(const char* buffer) {
  uint32_t room;
  std::memcpy(&room, buffer - kRoomSize, kRoomSize);
  return room;
}

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

bool IsPunctuationChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 0x21 && u <= 0x2F) || (u >= 0x3A && u <= 0x40) || (u >= 0x5B && u <= 0x60) ||
         (u >= 0x7B && u <= 0x7E);
}

int CompareText(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  bool a_punct = IsPunctuationChar(a[0]);
  bool b_punct = IsPunctuationChar(b[0]);
  if (a_punct && !b_punct) return 1;
  if (b_punct && !a_punct) return -1;
  for (size_t i = 0;; ++i) {
    unsigned char ca = Lower(static_cast<unsigned char>(a[i]));
    unsigned char cb = Lower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

size_t FoldedTextHash::operator()(std::string_view text) const {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : text) hash = (hash ^ Lower(static_cast<unsigned char>(c))) * 1099511628211ull;
  return static_cast<size_t>(hash ^ (hash >> 32));
}

bool FoldedTextEqual::operator()(std::string_view a, std::string_view b) const {
  return a.size() == b.size() && byte_scan::FoldedEqual(a.data(), b.data(), a.size());
}

TextString::TextString() : buffer_(NewBuffer(0)) {}

TextString::TextString(const TextString& other) : buffer_(nullptr) {
  uint32_t n = static_cast<uint32_t>(other.Length());
  buffer_ = NewTextBuffer(n);
  std::memcpy(buffer_, other.buffer_, n);
}

TextString::TextString(const char* text) : buffer_(nullptr) {
  uint32_t n = text ? static_cast<uint32_t>(std::strlen(text)) : 0;
  buffer_ = NewTextBuffer(n);
  if (n) std::memcpy(buffer_, text, n);
}

TextString::TextString(const char* text, uint32_t n) : buffer_(NewTextBuffer(n)) {
  if (n) std::memcpy(buffer_, text, n);
}

TextString::~TextString() { ReleaseBuffer(buffer_); }

int TextString::Compare(const char* other) const { return CompareText(buffer_, other); }

int TextString::Compare(const TextString& other) const { return CompareText(buffer_, other.buffer_); }

TextString& TextString::operator=(const TextString& other) {
  if (buffer_ != other.buffer_) Assign(static_cast<uint32_t>(other.Length()), other.buffer_);
  return *this;
}

TextString& TextString::operator=(const char* text) {
  if (text == nullptr) text = "";
  Assign(static_cast<uint32_t>(std::strlen(text)), text);
  return *this;
}

TextString& TextString::operator+=(const TextString& other) {
  Append(other.buffer_);
  return *this;
}

TextString& TextString::operator+=(const char* text) {
  Append(text);
  return *this;
}

void TextString::Allocate(uint32_t n) {
  char* fresh = NewBuffer(n);
  ReleaseBuffer(buffer_);
  buffer_ = fresh;
}

void TextString::Resize(uint32_t n) {
  uint32_t keep = static_cast<uint32_t>(Length());
  if (keep > n) keep = n;
  char* fresh = NewBuffer(n);
  std::memcpy(fresh, buffer_, keep);
  ReleaseBuffer(buffer_);
  buffer_ = fresh;
}

void TextString::Assign(uint32_t n, const char* text) {
  // A text the buffer has room for goes into it; it may lie in that buffer, hence the move.
  if (n <= RoomOf(buffer_)) {
    if (n) std::memmove(buffer_, text, n);
    buffer_[n] = '\0';
    return;
  }
  // The text may lie in the old buffer: copy before releasing it. A little room to spare keeps
  // texts of varying length (a key per record) from growing the buffer each time.
  const uint32_t room = n < 0xFFFFFFF0u ? (n + 16) & ~15u : n;
  char* fresh = NewTextBuffer(room, n);
  if (n) std::memcpy(fresh, text, n);
  ReleaseBuffer(buffer_);
  buffer_ = fresh;
}

void TextString::Append(const char* text) {
  if (text == nullptr || text[0] == '\0') return;
  size_t old_length = std::strlen(buffer_);
  size_t add = std::strlen(text);
  char* fresh = NewBuffer(static_cast<uint32_t>(old_length + add));
  std::memcpy(fresh, buffer_, old_length);
  std::memcpy(fresh + old_length, text, add);
  ReleaseBuffer(buffer_);
  buffer_ = fresh;
}

void TextString::Clear() {
  if (buffer_[0] != '\0') buffer_[0] = '\0';
}

int32_t TextString::Length() const { return static_cast<int32_t>(std::strlen(buffer_)); }

void TextString::MakeLower() {
  for (char* p = buffer_; *p; ++p) *p = static_cast<char>(Lower(static_cast<unsigned char>(*p)));
}

int32_t TextString::Find(const char* text) const {
  if (text == nullptr || text[0] == '\0') return 0;
  const char* hit = std::strstr(buffer_, text);
  return hit ? static_cast<int32_t>(hit - buffer_) : -1;
}

void TextString::TrimLeft() {
  size_t skip = 0;
  while (IsSpaceChar(buffer_[skip])) ++skip;
  if (skip) std::memmove(buffer_, buffer_ + skip, std::strlen(buffer_ + skip) + 1);
}

void TextString::TrimRight() {
  char* run = nullptr;
  for (char* p = buffer_; *p; ++p) {
    if (IsSpaceChar(*p)) {
      if (!run) run = p;
    } else {
      run = nullptr;
    }
  }
  if (run) *run = '\0';
}

TextString TextString::Mid(int32_t start, int32_t count) const {
  int32_t length = Length();
  if (start < 0) start = 0;
  if (count < 0) count = 0;
  // 64-bit sum: start + count must not wrap for large arguments.
  if (static_cast<int64_t>(start) + count > length) count = length - start;
  if (start > length) count = 0;
  if (start == 0 && count == length) return *this;
  if (count <= 0) return TextString();
  return TextString(buffer_ + start, static_cast<uint32_t>(count));
}

int32_t TextString::Replace(const char* search, const char* replacement) {
  if (search == nullptr || search[0] == '\0') return 0;
  if (replacement == nullptr) replacement = "";
  std::string_view text(buffer_);
  std::string_view needle(search);
  size_t replacement_length = std::strlen(replacement);
  int32_t count = 0;
  for (size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, at + needle.size()))
    ++count;
  if (count == 0) return 0;
  size_t new_length = text.size() - needle.size() * count + replacement_length * count;
  // Built into a fresh buffer in one pass, so many replacements stay linear in the text's length.
  char* fresh = NewBuffer(static_cast<uint32_t>(new_length));
  char* out = fresh;
  size_t from = 0;
  for (size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, from)) {
    std::memcpy(out, text.data() + from, at - from);
    out += at - from;
    std::memcpy(out, replacement, replacement_length);
    out += replacement_length;
    from = at + needle.size();
  }
  std::memcpy(out, text.data() + from, text.size() - from);
  ReleaseBuffer(buffer_);
  buffer_ = fresh;
  return count;
}

void FormatText(TextString& out, const char* format, ...) {
  char work[1024];
  va_list args;
  va_start(args, format);
  int written = std::vsnprintf(work, sizeof work, format, args);
  va_end(args);
  if (written < 0) work[0] = '\0';
  work[sizeof work - 1] = '\0';
  out = work;
}
