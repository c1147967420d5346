// The calendar reader: iCalendar text (a VCALENDAR holding VEVENTs) read event by event into
// FeedEvents, with numbered feed codes for every problem.
//
// Names are matched only where a content line begins, so a DESCRIPTION that mentions "DTSTART"
// or "END:VEVENT" cannot be taken for the property or the block end. Times are wall-clock
// handheld seconds (since 1904-01-01) computed without any time zone, so they never depend on the
// desktop's zone. All functions work on the text they are given and never read past its end.
#ifndef REELBOX_EVENTS_FEED_EVENT_H
#define REELBOX_EVENTS_FEED_EVENT_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Feed codes; FeedCodeText gives their texts. The numbers are those the logs and the handheld see.
// kCancelled is no feed code: a list read stopped by the user at its first progress report.
enum class FeedCode : int32_t {
  kDone = 0,
  kCancelled = 10,
  kNoResponse = 0x8000,
  kNoMemory = 0x8001,
  kStreamError = 0x8002,
  kNoCalendar = 0x8003,
  kNoEvents = 0x8004,
  kNoMemoryLate = 0x8005,
  kTooManyRedirections = 0x8006,
  kBadRedirection = 0x8007,
  kTruncatedEvent = 0x8008,
  kTruncatedAttribute = 0x8009,
  kTruncatedValue = 0x800A,
  kNoStartTime = 0x800B,
  kNoEndTime = 0x800C,
  kBadDateTimeFormat = 0x800D,
  kInvalidDate = 0x800E,
  kInvalidTime = 0x800F,
  kInvalidDuration = 0x8010,
  kSomeBadEvents = 0x8011,
};

// The text of a feed code from 0x8000 to 0x8011; nullptr for any other value.
const char* FeedCodeText(FeedCode code);

// Keyword table, by index.
enum FeedKeyword {
  kKeyBegin = 0,
  kKeyEnd,
  kKeyVCalendar,
  kKeyVEvent,
  kKeyCalName,
  kKeyCalDesc,
  kKeyCalTimeZone,
  kKeyUid,
  kKeySummary,
  kKeyDescription,
  kKeyDtStart,
  kKeyDtEnd,
  kKeyTzid,
  kKeyDuration,
  // Beyond the table: names only FindNames and the block search know.
  kKeyRRule,
  kKeyRDate,
  kKeyRecurrenceId,
  kKeyVTimeZone,
};
// The keyword text, or nullptr beyond the table.
const char* FeedKeywordText(int index);
constexpr int kFeedNameCount = kKeyVTimeZone + 1;
// The text of any name above, or nullptr.
const char* FeedNameText(int index);

// A date or date-time of RDATE, EXDATE or RECURRENCE-ID, as written.
struct FeedTime {
  uint32_t time = 0;  // handheld seconds of the wall clock written (of UTC when utc)
  uint32_t end = 0;   // the end of an RDATE period, 0 for none
  bool utc = false;
  bool date_only = false;
  std::string tzid;  // its TZID parameter; empty for UTC and floating times
};

struct FeedEvent {
  std::optional<std::string> uid;
  std::optional<std::string> summary;
  std::optional<std::string> description;
  std::optional<std::string> tzid;
  uint8_t utc = 0;
  uint8_t second_flag = 0;  // always 0
  uint32_t start = 0;       // handheld seconds
  uint32_t end = 0;
  // DTSTART was present and read; an event without a usable start is never stored.
  bool usable_start = false;
  // Some property line ended before its value (an unclosed quote): the event counts as bad.
  bool bad_property = false;
  bool start_is_date = false;  // DTSTART gave a date without a time of day
  // Repetition, read only for events that have it: the RRULE text, the RDATEs and EXDATEs, and
  // for an override the start it replaces.
  std::optional<std::string> rrule;
  std::vector<FeedTime> rdates;
  std::vector<FeedTime> exdates;
  std::optional<FeedTime> recurrence_id;

  bool Repeats() const { return rrule.has_value() || !rdates.empty(); }
};

struct CalendarHeader {
  std::optional<std::string> name;
  std::optional<std::string> description;
  std::optional<std::string> time_zone;
};

constexpr size_t kFeedNotFound = std::string_view::npos;

// Position just after the kind name of the first "BEGIN:<kind>" line at or after from, blanks
// after it skipped; kFeedNotFound when there is none or nothing follows it.
size_t FindBlockStart(std::string_view text, size_t from, int kind);
// The same for "END:<kind>".
size_t FindBlockEnd(std::string_view text, size_t from, int kind);
// The first "BEGIN:" line of either kind; *found gets its kind.
size_t FindBlockStartOf(std::string_view text, size_t from, int kind, int other, int* found);

// The unfolded, unescaped value of a property (an empty value is an empty text); names ignore
// letter case, a blank line ends a value. Absent: *value empty and kDone. A value that runs to the
// end of the text: kTruncatedAttribute.
FeedCode GetPropertyValue(std::string_view text, int keyword, std::optional<std::string>* value);
// The value of a parameter of the DTSTART line (TZID): the text between its "=" and the colon.
// Absent: *value empty and kDone. No colon, or no "=": kTruncatedValue.
FeedCode GetParameterValue(std::string_view text, int keyword, std::optional<std::string>* value);

// The same lookups on a text searched once: FindNames gives, for every name, where the first
// content line of that name begins (kFeedNotFound for none), as the two above find it; the *At
// forms then read the value of the line found (kFeedNotFound: absent). A line that ends before
// its value is kTruncatedAttribute, or, given malformed, an absent value with *malformed set.
void FindNames(std::string_view text, size_t (&lines)[kFeedNameCount]);
FeedCode PropertyValueAt(std::string_view text, size_t line, std::optional<std::string>* value,
                         bool* malformed = nullptr);
FeedCode ParameterValueAt(std::string_view text, size_t line, int keyword,
                          std::optional<std::string>* value);

// The first content line of name (upper case; any case matches) at or after from, or
// kFeedNotFound.
size_t FindContentLine(std::string_view text, size_t from, const char* name);
// The value of the parameter name (upper case) of the content line at line, as
// ParameterValueAt reads TZID.
FeedCode LineParameterValue(std::string_view text, size_t line, const char* name, std::optional<std::string>* value);
// Every date, date-time or period of the content lines of name (RDATE, EXDATE, RECURRENCE-ID),
// with the line's TZID; at most kMaxFeedTimes. *malformed is set for a line or an item that
// cannot be read; it is passed over.
constexpr size_t kMaxFeedTimes = 2000;
FeedCode ReadFeedTimes(std::string_view text, const char* name, std::vector<FeedTime>* times, bool* malformed);

// "YYYYMMDD", "YYYYMMDDTHHMMSS" or the same with a final letter, to handheld seconds of that wall
// clock time. An absent text gives 0 and kDone. has_time (may be null) tells whether a time of
// day was given.
FeedCode ParseDateTime(const std::optional<std::string>& text, uint32_t* time, bool* has_time);
// An RFC 5545 duration (weeks, or days, hours, minutes and seconds) to seconds. An absent text
// gives 0.
FeedCode ParseDuration(const std::optional<std::string>& text, uint32_t* seconds);

// One event's text (from its first property to its END line); only the event's own properties
// count, not those of components nested in it. Also on a code of 0x800B or above the event comes
// filled; on a lower code it is left empty. A code with a usable start comes from bad end data:
// the end is then 0. An empty UID is read as none.
FeedCode ParseEvent(std::string_view text, FeedEvent* event);
FeedCode ParseCalendarHeader(std::string_view text, CalendarHeader* header);
void FreeFeedEvent(FeedEvent* event);

#endif  // REELBOX_EVENTS_FEED_EVENT_H
