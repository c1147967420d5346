// One movie event: a record of the handheld database "Movie-Events".
//
// Handheld format (big-endian, packed): UID[50] (NUL-terminated when shorter), start u32 at 50,
// end u32 at 54, UTC flag at 58, second flag at 59 (always written 0), then the summary and the
// description, each NUL-terminated and at most 500 characters. At most 1062 bytes.
// An EventRecord is built from those bytes or from a FeedEvent; it is a plain value: copies are
// self-contained. The time-zone id comes only from a feed; it is not stored on the handheld.
#ifndef REELBOX_EVENTS_EVENT_RECORD_H
#define REELBOX_EVENTS_EVENT_RECORD_H

#include <cstddef>
#include <cstdint>
#include <string>

struct FeedEvent;

constexpr size_t kEventUidLength = 50;
constexpr size_t kEventTextLength = 500;  // summary and description
constexpr size_t kEventTzidLength = 50;
constexpr size_t kEventFixedSize = 62;    // with both terminators
constexpr size_t kEventRecordMaxSize = kEventFixedSize + 2 * kEventTextLength;  // 1062
constexpr uint32_t kNoRecordId = 0xFFFFFFFFu;
constexpr uint32_t kNoCategory = 0xFFFFFFFFu;

// The form of a UID in a record: the UID itself when it has at most 50 characters; else its first
// 33, "~" and 16 hex digits of a hash of the whole UID (letter case ignored, as UIDs match), so
// long UIDs that share their first 50 characters stay apart.
std::string StoredEventUid(const std::string& uid);

// The hash of a UID in those forms (letter case ignored).
uint64_t EventUidHash(const std::string& uid);
// The UID of one occurrence of a repeating event other than its first: the UID's first 17
// characters, "~", the occurrence's start (wall clock, "YYYYMMDDTHHMMSS"), "~" and 16 hex digits
// of the UID's hash. At most 50 characters, and the same at every synchronization.
std::string OccurrenceEventUid(const std::string& uid, uint32_t start);
// The same with the UID's hash (EventUidHash) at hand, as for the many occurrences of one series.
std::string OccurrenceEventUid(const std::string& uid, uint64_t uid_hash, uint32_t start);
// Whether uid has that form; *hash and *start get its parts.
bool ParseOccurrenceEventUid(const char* uid, uint64_t* hash, uint32_t* start);

class EventRecord {
 public:
  // No content; category and id unset.
  EventRecord() = default;

  // Decodes a packed record of size bytes as read from the handheld. A record cut short or
  // missing its terminators is read as far as it goes; nothing past size is touched.
  void LoadPacked(const uint8_t* bytes, size_t size, uint32_t id, uint32_t category);
  // Takes the event's texts (the UID in its stored form, the others cut to 500, 500 and 50
  // characters), its flags and times.
  void SetFromFeedEvent(const FeedEvent& event, uint32_t id, uint32_t category);
  // Writes the handheld format into out and returns its length.
  // REQUIRES: out holds kEventRecordMaxSize bytes.
  size_t Pack(uint8_t* out) const;

  // "<ERR-no data>" for a record with no content.
  const char* Uid() const;
  const char* Summary() const;
  const std::string& Description() const { return description_; }
  const std::string& TimeZoneId() const { return tzid_; }
  uint32_t StartTime() const { return has_content_ ? start_ : 0; }
  uint32_t EndTime() const { return end_; }
  uint8_t UtcFlag() const { return utc_; }
  uint8_t SecondFlag() const { return second_flag_; }
  uint32_t Id() const { return id_; }
  uint32_t Category() const { return category_; }
  bool HasContent() const { return has_content_; }

  // Texts equal ignoring ASCII letter case, flags and times equal.
  bool SameAs(const EventRecord& other) const;

  // Replaces the summary (cut to 500 characters).
  void SetSummary(const std::string& summary);
  // Makes the record one occurrence: its own UID (in stored form) and times.
  void SetOccurrence(const std::string& uid, uint32_t start, uint32_t end);

 private:
  std::string uid_;
  std::string summary_;
  std::string description_;
  std::string tzid_;
  uint8_t utc_ = 0;
  uint8_t second_flag_ = 0;
  uint32_t start_ = 0;
  uint32_t end_ = 0;
  uint32_t category_ = kNoCategory;
  uint32_t id_ = kNoRecordId;
  bool has_content_ = false;
};

#endif  // REELBOX_EVENTS_EVENT_RECORD_H
