#include "diag/audit_line.h"

#include "diag/sync_log.h"
#include "platform/byte_scan.h"

AuditLine& AuditLine::Data(const char* text, size_t size) {
  const char* feed = byte_scan::FindByte(text, text + size, '\n');
  if (feed != text + size) NoteFeed(size_ + static_cast<size_t>(feed - text));
  return Put(text, size);
}

AuditLine& AuditLine::Integer(int32_t value) {
  // Two digits a step: the audit numbers every line and every record.
  static const char kPairs[] =
      "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546474849"
      "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";
  char digits[12];
  char* const end = digits + sizeof digits;
  char* start = end;
  // The magnitude as unsigned: the most negative value has no positive counterpart.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  while (magnitude >= 100) {
    start -= 2;
    std::memcpy(start, kPairs + 2 * (magnitude % 100), 2);
    magnitude /= 100;
  }
  if (magnitude >= 10) {
    start -= 2;
    std::memcpy(start, kPairs + 2 * magnitude, 2);
  } else {
    *--start = static_cast<char>('0' + magnitude);
  }
  if (value < 0) *--start = '-';
  // Eleven bytes at most, copied as two overlapping words (there is room past the end), then
  // cut as any piece.
  const size_t size = static_cast<size_t>(end - start);
  char* out = End();
  if (size >= 8) {
    std::memcpy(out, start, 8);
    std::memcpy(out + size - 8, start + size - 8, 8);
  } else if (size >= 4) {
    std::memcpy(out, start, 4);
    std::memcpy(out + size - 4, start + size - 4, 4);
  } else {
    for (size_t i = 0; i < size; ++i) out[i] = start[i];
  }
  size_ = size < kLimit - size_ ? size_ + size : kLimit;
  return *this;
}

AuditLine& AuditLine::Advance(size_t size) {
  const char* const start = End();
  const char* feed = byte_scan::FindByte(start, start + size, '\n');
  if (feed != start + size) NoteFeed(size_ + static_cast<size_t>(feed - start));
  size_ = size < kLimit - size_ ? size_ + size : kLimit;
  return *this;
}

AuditLine& AuditLine::Cut(const char* text) {
  std::memcpy(text_ + size_, text, kLimit - size_);
  size_ = kLimit;
  return *this;
}

void AuditLine::Write() {
  text_[size_] = '\0';
  LogAuditText(text_, size_, first_feed_ < size_ ? first_feed_ : size_);
}
