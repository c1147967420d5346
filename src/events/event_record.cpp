#include "events/event_record.h"

#include <cstdio>
#include <cstring>

#include "device/byte_order.h"
#include "events/feed_event.h"
#include "platform/byte_scan.h"
#include "platform/clock.h"

namespace {

constexpr size_t kStartOffset = 50;
constexpr size_t kEndOffset = 54;
constexpr size_t kUtcOffset = 58;
constexpr size_t kSecondFlagOffset = 59;
constexpr size_t kTextsOffset = 60;
const char kNoData[] = "<ERR-no data>";
constexpr size_t kOccurrencePrefixLength = 17;
constexpr int64_t kHandheldToDesktopSeconds = 2082844800;

// The NUL-terminated text at bytes[at..size), at most limit characters.
std::string TextAt(const uint8_t* bytes, size_t size, size_t at, size_t limit, size_t* next) {
  if (at >= size) {
    *next = size;
    return std::string();
  }
  const char* text = reinterpret_cast<const char*>(bytes + at);
  size_t length = strnlen(text, size - at);
  *next = at + length + 1;
  return std::string(text, length < limit ? length : limit);
}

uint32_t Uint32At(const uint8_t* bytes, size_t size, size_t at) {
  if (at + 4 > size) return 0;
  uint32_t value = 0;
  std::memcpy(&value, bytes + at, 4);
  return Swap32(value);
}

// Replaces *out with the text cut to limit characters (into the room *out already has).
void AssignCut(std::string* out, const std::optional<std::string>& text, size_t limit) {
  if (!text) {
    out->clear();
    return;
  }
  // A value stops at an embedded NUL, as the handheld's text would.
  size_t length = strnlen(text->c_str(), text->size());
  out->assign(text->data(), length < limit ? length : limit);
}

// FNV-1a, 64 bits: small, and the same on every target and in every release, as stored UIDs
// must be.
uint64_t HashIgnoringCase(const std::string& text) {
  uint64_t hash = 14695981039346656037ull;
  for (char c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && byte_scan::FoldedEqual(a.data(), b.data(), a.size());
}

}  // namespace

uint64_t EventUidHash(const std::string& uid) { return HashIgnoringCase(uid); }

std::string OccurrenceEventUid(const std::string& uid, uint32_t start) {
  return OccurrenceEventUid(uid, HashIgnoringCase(uid), start);
}

std::string OccurrenceEventUid(const std::string& uid, uint64_t uid_hash, uint32_t start) {
  CivilTime when = CivilFromSeconds(static_cast<int64_t>(start) - kHandheldToDesktopSeconds);
  // "~YYYYMMDDTHHMMSS~" and the hash in 16 hex digits, put together by hand: a long series makes
  // one per occurrence. Every handheld time has a four-digit year.
  char tail[33];
  auto digits = [&tail](size_t at, uint32_t value, size_t count) {
    for (size_t i = count; i-- > 0; value /= 10) tail[at + i] = static_cast<char>('0' + value % 10);
  };
  tail[0] = '~';
  digits(1, static_cast<uint32_t>(when.year), 4);
  digits(5, static_cast<uint32_t>(when.month), 2);
  digits(7, static_cast<uint32_t>(when.day), 2);
  tail[9] = 'T';
  digits(10, static_cast<uint32_t>(when.hour), 2);
  digits(12, static_cast<uint32_t>(when.minute), 2);
  digits(14, static_cast<uint32_t>(when.second), 2);
  tail[16] = '~';
  uint64_t hash = uid_hash;
  for (size_t i = 33; i-- > 17; hash >>= 4) tail[i] = "0123456789abcdef"[hash & 0xF];
  size_t prefix = strnlen(uid.c_str(), uid.size());
  std::string out(uid, 0, prefix < kOccurrencePrefixLength ? prefix : kOccurrencePrefixLength);
  out.append(tail, sizeof(tail));
  return out;
}

bool ParseOccurrenceEventUid(const char* uid, uint64_t* hash, uint32_t* start) {
  // "~" 15 "~" 16 at the end.
  constexpr size_t kTail = 1 + 15 + 1 + 16;
  size_t length = strnlen(uid, kEventUidLength + 1);
  if (length < kTail || length > kEventUidLength) return false;
  const char* tail = uid + length - kTail;
  if (tail[0] != '~' || tail[9] != 'T' || tail[16] != '~') return false;
  int fields[6] = {0, 0, 0, 0, 0, 0};
  static const int kOffsets[] = {1, 5, 7, 10, 12, 14};
  static const int kWidths[] = {4, 2, 2, 2, 2, 2};
  for (int f = 0; f < 6; ++f) {
    for (int i = 0; i < kWidths[f]; ++i) {
      char c = tail[kOffsets[f] + i];
      if (c < '0' || c > '9') return false;
      fields[f] = fields[f] * 10 + (c - '0');
    }
  }
  uint64_t h = 0;
  for (int i = 17; i < 33; ++i) {
    char c = tail[i];
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return false;
    h = h << 4 | static_cast<uint64_t>(digit);
  }
  if (fields[1] < 1 || fields[1] > 12 || fields[2] < 1 || fields[2] > 31) return false;
  CivilTime when;
  when.year = fields[0];
  when.month = fields[1];
  when.day = fields[2];
  when.hour = fields[3];
  when.minute = fields[4];
  when.second = fields[5];
  int64_t seconds = SecondsFromCivil(when) + kHandheldToDesktopSeconds;
  if (seconds < 0 || seconds > static_cast<int64_t>(UINT32_MAX)) return false;
  *hash = h;
  *start = static_cast<uint32_t>(seconds);
  return true;
}

std::string StoredEventUid(const std::string& uid) {
  if (uid.size() <= kEventUidLength) return uid;
  char hash[17];
  std::snprintf(hash, sizeof(hash), "%016llx", static_cast<unsigned long long>(HashIgnoringCase(uid)));
  return uid.substr(0, kEventUidLength - 17) + "~" + hash;
}

void EventRecord::LoadPacked(const uint8_t* bytes, size_t size, uint32_t id, uint32_t category) {
  *this = EventRecord();
  id_ = id;
  category_ = category;
  has_content_ = true;
  size_t next = 0;
  uid_ = TextAt(bytes, size < kEventUidLength ? size : kEventUidLength, 0, kEventUidLength, &next);
  start_ = Uint32At(bytes, size, kStartOffset);
  end_ = Uint32At(bytes, size, kEndOffset);
  utc_ = size > kUtcOffset ? bytes[kUtcOffset] : 0;
  second_flag_ = size > kSecondFlagOffset ? bytes[kSecondFlagOffset] : 0;
  summary_ = TextAt(bytes, size, kTextsOffset, kEventTextLength, &next);
  description_ = TextAt(bytes, size, next, kEventTextLength, &next);
}

void EventRecord::SetFromFeedEvent(const FeedEvent& event, uint32_t id, uint32_t category) {
  // Every member is set: a record filled again for each event keeps the room of its texts.
  id_ = id;
  category_ = category;
  has_content_ = true;
  AssignCut(&uid_, event.uid, event.uid ? event.uid->size() : 0);
  if (uid_.size() > kEventUidLength) uid_ = StoredEventUid(uid_);
  AssignCut(&summary_, event.summary, kEventTextLength);
  AssignCut(&description_, event.description, kEventTextLength);
  AssignCut(&tzid_, event.tzid, kEventTzidLength);
  utc_ = event.utc;
  second_flag_ = event.second_flag;
  start_ = event.start;
  end_ = event.end;
}

size_t EventRecord::Pack(uint8_t* out) const {
  std::memset(out, 0, kEventFixedSize);
  // The UID goes first: one of exactly 50 characters loses its terminator to the start time.
  std::memcpy(out, uid_.data(), uid_.size());
  uint32_t start = Swap32(start_);
  uint32_t end = Swap32(end_);
  std::memcpy(out + kStartOffset, &start, 4);
  std::memcpy(out + kEndOffset, &end, 4);
  out[kUtcOffset] = utc_;
  out[kSecondFlagOffset] = 0;
  size_t at = kTextsOffset;
  std::memcpy(out + at, summary_.c_str(), summary_.size() + 1);
  at += summary_.size() + 1;
  std::memcpy(out + at, description_.c_str(), description_.size() + 1);
  return at + description_.size() + 1;
}

const char* EventRecord::Uid() const { return has_content_ ? uid_.c_str() : kNoData; }

const char* EventRecord::Summary() const { return has_content_ ? summary_.c_str() : kNoData; }

bool EventRecord::SameAs(const EventRecord& other) const {
  return EqualIgnoringCase(uid_, other.uid_) && EqualIgnoringCase(summary_, other.summary_) &&
         EqualIgnoringCase(description_, other.description_) && EqualIgnoringCase(tzid_, other.tzid_) &&
         utc_ == other.utc_ && second_flag_ == other.second_flag_ && start_ == other.start_ &&
         end_ == other.end_;
}

void EventRecord::SetOccurrence(const std::string& uid, uint32_t start, uint32_t end) {
  uid_ = StoredEventUid(uid);
  start_ = start;
  end_ = end;
  has_content_ = true;
}

void EventRecord::SetSummary(const std::string& summary) {
  size_t length = strnlen(summary.c_str(), summary.size());
  summary_.assign(summary.data(), length < kEventTextLength ? length : kEventTextLength);
  has_content_ = true;
}
