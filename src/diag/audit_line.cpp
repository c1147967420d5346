#include "diag/audit_line.h"

#include "diag/sync_log.h"
#include "platform/byte_scan.h"

AuditLine& AuditLine::Data(const char* text, size_t size) {
  const char* feed = byte_scan::FindByte(text, text + size, '\n');
  if (feed != text + size) NoteFeed(size_ + static_cast<size_t>(feed - text));
  return Put(text, size);
}

AuditLine& AuditLine::Integer(int32_t value) {
  // Two digits a step, put in place: the audit numbers every line and every record.
  static const char kPairs[] =
      "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546474849"
      "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";
  char* out = End();
  // The magnitude as unsigned: the most negative value has no positive counterpart.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  if (value < 0) *out++ = '-';
  size_t digits = 1;
  for (uint32_t below = 10; magnitude >= below; below *= 10) {
    if (++digits == 10) break;  // past 999,999,999: ten digits, and below would overflow
  }
  char* at = out + digits;
  for (; magnitude >= 100; magnitude /= 100) {
    at -= 2;
    std::memcpy(at, kPairs + 2 * (magnitude % 100), 2);
  }
  if (magnitude >= 10) {
    std::memcpy(at - 2, kPairs + 2 * magnitude, 2);
  } else {
    at[-1] = static_cast<char>('0' + magnitude);
  }
  // At most eleven bytes, within the room past the end; cut as any piece.
  const size_t size = static_cast<size_t>(out + digits - End());
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
