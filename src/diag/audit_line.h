// One line of the full activity audit, put together piece by piece where it is written.
//
// The audit writes a line or two for every import line and every handheld record; reading a
// format for each of them cost more than the rest of the line. A line put together here and
// written is exactly what LogAudit writes for the same text: cut to the log's 1,023 characters.
// Put a line together only when AuditOn(): the pieces cost their copies whether or not it is written.
#ifndef REELBOX_DIAG_AUDIT_LINE_H
#define REELBOX_DIAG_AUDIT_LINE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

class AuditLine {
 public:
  // Bytes there always are at End() for a piece put in place.
  static constexpr size_t kRoom = 512;

  // The text is not cleared: only what is put is written.
  AuditLine() {}
  AuditLine(const AuditLine&) = delete;
  AuditLine& operator=(const AuditLine&) = delete;

  // A text of the program (a literal): measured and looked through for a line feed where it is
  // written, so that neither happens at run time and its copy needs no call.
  __attribute__((always_inline)) AuditLine& Text(const char* text) {
    const size_t size = std::strlen(text);
    const void* feed = std::memchr(text, '\n', size);
    if (feed != nullptr) NoteFeed(size_ + static_cast<size_t>(static_cast<const char*>(feed) - text));
    return Put(text, size);
  }
  // A text of size bytes from the data (a title, a key). REQUIRES: no NUL among them.
  AuditLine& Data(const char* text, size_t size);
  // As "%i" writes it.
  AuditLine& Integer(int32_t value);
  // Where data of at most kRoom bytes is put in place; Advance then takes its size bytes as Data
  // does. REQUIRES: no NUL among them.
  char* End() { return text_ + size_; }
  AuditLine& Advance(size_t size);

  // LogAudit of the line.
  void Write();

 private:
  static constexpr size_t kLimit = 1023;
  static constexpr size_t kNoFeed = SIZE_MAX;

  // Inlined where a literal is put: its copy then has a known size.
  __attribute__((always_inline)) AuditLine& Put(const char* text, size_t size) {
    if (size > kLimit - size_) return Cut(text);
    std::memcpy(text_ + size_, text, size);
    size_ += size;
    return *this;
  }
  // The part of text that still fits: the line is full then.
  AuditLine& Cut(const char* text);
  // Pieces come in order: the first line feed noted is the line's first.
  void NoteFeed(size_t at) {
    if (first_feed_ == kNoFeed) first_feed_ = at;
  }

  char text_[kLimit + kRoom + 1];
  size_t size_ = 0;  // at most kLimit
  size_t first_feed_ = kNoFeed;  // where the pieces put it, perhaps past a cut
};

#endif  // REELBOX_DIAG_AUDIT_LINE_H
