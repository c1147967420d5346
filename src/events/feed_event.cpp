// Finding names, blocks and values in iCalendar text.
#include <array>
#include <cstring>
#include <new>

#include "events/feed_event.h"
#include "platform/byte_scan.h"
#include "platform/clock.h"

namespace {

// The names FindNames looks for: the keyword table, then the names of repeating events.
constexpr std::string_view kKeywords[] = {
    "BEGIN", "END", "VCALENDAR", "VEVENT", "X-WR-CALNAME", "X-WR-CALDESC", "X-WR-TIMEZONE",
    "UID", "SUMMARY", "DESCRIPTION", "DTSTART", "DTEND", "TZID", "DURATION",
    "RRULE", "RDATE", "RECURRENCE-ID", "VTIMEZONE",
};
constexpr int kKeywordCount = kKeyDuration + 1;
static_assert(sizeof(kKeywords) / sizeof(kKeywords[0]) == kFeedNameCount, "one text per name");

const char* const kCodeTexts[] = {
    "No response from server",
    "Internal memory allocation error",
    "Internal file stream error",
    "Bad Data : No 'VCALENDAR' tag",
    "Bad Data : No events",
    "Internal memory allocation error (late)",
    "Too many URL redirections",
    "Bad URL redirection",
    "Bad Data : Truncated Event",
    "Bad Data : Truncated Attribute",
    "Bad Data : Truncated Value",
    "Bad Data : No Start Time",
    "Bad Data : No End Time",
    "Bad Data : unrecognized date/time format",
    "Bad Data : Invalid Date",
    "Bad Data : Invalid Time",
    "Bad Data : Invalid Duration",
    "Warning : Some events had bad data in them",
};

// Blanks are every byte outside 0x21..0x7F.
bool IsBlank(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u < 0x21 || u > 0x7F;
}

size_t SkipBlanks(std::string_view text, size_t at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at < text.size() ? at : kFeedNotFound;
}

constexpr std::array<bool, 256> kNameChars = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) {
    table[c] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
  }
  return table;
}();

bool IsNameChar(char c) { return kNameChars[static_cast<unsigned char>(c)]; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

// Whether the length bytes at text spell the upper-case name in any letter case (RFC 5545 names
// ignore case; writers mostly use upper case, so that is tried first).
bool SameName(const char* text, const char* name, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (text[i] != name[i] && Upper(text[i]) != name[i]) return false;
  }
  return true;
}

// The first occurrence of the name at or after from that begins a content line (at from, or
// after a line feed) and is not the start of a longer name. Letter case is ignored.
size_t FindName(std::string_view text, size_t from, std::string_view name) {
  const size_t length = name.size();
  const char* data = text.data();
  size_t at = from;
  while (at < text.size()) {
    size_t after = at + length;
    if (after < text.size() && SameName(data + at, name.data(), length) && !IsNameChar(data[after])) return at;
    const void* lf = std::memchr(data + at, '\n', text.size() - at);
    if (lf == nullptr) break;
    at = static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
  }
  return kFeedNotFound;
}

// The first block line of marker whose kind is kind or other (-1: none); *found gets which.
size_t FindBlock(std::string_view text, size_t from, int marker, int kind, int other, int* found) {
  if (kind < 0 || kind >= kFeedNameCount) return kFeedNotFound;
  const std::string_view kind_name = kKeywords[kind];
  const std::string_view other_name = other >= 0 && other < kFeedNameCount ? kKeywords[other] : std::string_view();
  size_t at = from;
  auto names_kind = [&](size_t name, std::string_view wanted) {
    const size_t length = wanted.size();
    return name + length <= text.size() && SameName(text.data() + name, wanted.data(), length) &&
           (name + length == text.size() || !IsNameChar(text[name + length]));
  };
  while ((at = FindName(text, at, kKeywords[marker])) != kFeedNotFound) {
    size_t colon = SkipBlanks(text, at + kKeywords[marker].size());
    if (colon == kFeedNotFound) return kFeedNotFound;
    size_t name = SkipBlanks(text, colon + 1);
    if (name == kFeedNotFound) return kFeedNotFound;
    std::string_view matched;
    if (text[colon] == ':') {
      if (names_kind(name, kind_name)) {
        matched = kind_name;
        *found = kind;
      } else if (!other_name.empty() && names_kind(name, other_name)) {
        matched = other_name;
        *found = other;
      }
    }
    if (!matched.empty()) {
      size_t end = name + matched.size();
      while (end < text.size() && IsBlank(text[end])) ++end;
      return end < text.size() ? end : kFeedNotFound;
    }
    at = colon;  // another block kind: look further
  }
  return kFeedNotFound;
}

bool IsLetter(char c, char upper) { return c == upper || c == upper + ('a' - 'A'); }

}  // namespace

const char* FeedCodeText(FeedCode code) {
  int32_t number = static_cast<int32_t>(code);
  constexpr int32_t kFirst = static_cast<int32_t>(FeedCode::kNoResponse);
  if (number < kFirst || number > static_cast<int32_t>(FeedCode::kSomeBadEvents)) return nullptr;
  return kCodeTexts[number - kFirst];
}

const char* FeedKeywordText(int index) {
  return index >= 0 && index < kKeywordCount ? kKeywords[index].data() : nullptr;
}

const char* FeedNameText(int index) { return index >= 0 && index < kFeedNameCount ? kKeywords[index].data() : nullptr; }

size_t FindBlockStart(std::string_view text, size_t from, int kind) {
  int found = kind;
  return FindBlock(text, from, kKeyBegin, kind, -1, &found);
}

size_t FindBlockEnd(std::string_view text, size_t from, int kind) {
  int found = kind;
  return FindBlock(text, from, kKeyEnd, kind, -1, &found);
}

size_t FindBlockStartOf(std::string_view text, size_t from, int kind, int other, int* found) {
  *found = kind;
  return FindBlock(text, from, kKeyBegin, kind, other, found);
}

namespace {

// Length of the line end at i (LF or CR LF), 0 when there is none.
size_t LineEndAt(std::string_view text, size_t i) {
  if (text[i] == '\n') return 1;
  if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') return 2;
  return 0;
}

// Length of a fold at i: a line end followed by a space or a horizontal tab, which a writer
// inserts anywhere in a long content line, also between a name and its parameters.
size_t FoldAt(std::string_view text, size_t i) {
  size_t end = LineEndAt(text, i);
  if (end == 0 || i + end >= text.size()) return 0;
  char next = text[i + end];
  return next == ' ' || next == '\t' ? end + 1 : 0;
}

// The name and parameters of the content line at line, unfolded, up to the colon that begins its
// value (a colon inside a quoted parameter value does not count). *value_at gets the position
// after that colon; false when the line ends first.
bool UnfoldedHead(std::string_view text, size_t line, std::string* head, size_t* value_at) {
  bool quoted = false;
  for (size_t i = line; i < text.size();) {
    size_t fold = FoldAt(text, i);
    if (fold != 0) {
      i += fold;
      continue;
    }
    if (LineEndAt(text, i) != 0) return false;
    char c = text[i];
    if (c == '"') quoted = !quoted;
    if (c == ':' && !quoted) {
      *value_at = i + 1;
      return true;
    }
    if (head != nullptr) head->push_back(c);
    ++i;
  }
  return false;
}

// Whether the line end at i (not a fold) ends a value: the next content line, or a blank line,
// follows it.
bool EndsValue(std::string_view text, size_t i) {
  size_t line_end = LineEndAt(text, i);
  if (line_end == 0) return false;
  size_t next = i + line_end;
  return next < text.size() && (static_cast<signed char>(text[next]) > 0x20 || LineEndAt(text, next) != 0);
}

// Where the value of the content line at line begins: after the colon that ends its name and
// parameters (a colon inside a quoted parameter value does not count); false when the line ends
// first.
bool ValueStart(std::string_view text, size_t line, size_t* value_at) {
  const char* data = text.data();
  const char* end = data + text.size();
  bool quoted = false;
  for (size_t i = line; i < text.size();) {
    // Only colons, quotes and line ends need a look; the bytes between them are passed over.
    const char* hit = byte_scan::FindAny(data + i, end, ':', '"', '\r', '\n');
    if (hit == end) return false;
    i = static_cast<size_t>(hit - data);
    if (*hit == ':') {
      if (!quoted) {
        *value_at = i + 1;
        return true;
      }
      ++i;
    } else if (*hit == '"') {
      quoted = !quoted;
      ++i;
    } else if (size_t fold = FoldAt(text, i); fold != 0) {
      i += fold;
    } else if (LineEndAt(text, i) != 0) {
      return false;
    } else {
      ++i;  // a carriage return that ends no line
    }
  }
  return false;
}

}  // namespace

void FindNames(std::string_view text, size_t (&lines)[kFeedNameCount]) {
  // For every first byte, in either letter case, the names that begin with it (one bit each), and
  // each name as eight-byte words in small letters: its first eight bytes and its last eight, so
  // a line is compared a word at a time.
  struct Names {
    std::array<uint32_t, 256> by_first_byte{};
    uint8_t lengths[kFeedNameCount] = {};
    uint64_t head[kFeedNameCount] = {};
    uint64_t tail[kFeedNameCount] = {};
  };
  static const Names kNames = [] {
    Names n;
    for (int k = 0; k < kFeedNameCount; ++k) {
      const char* name = kKeywords[k].data();
      const size_t length = kKeywords[k].size();
      unsigned char first = static_cast<unsigned char>(name[0]);
      n.by_first_byte[first] |= 1u << k;
      if (first >= 'A' && first <= 'Z') n.by_first_byte[first + ('a' - 'A')] |= 1u << k;
      n.lengths[k] = static_cast<uint8_t>(length);
      char padded[8] = {};
      std::memcpy(padded, name, length < 8 ? length : 8);
      n.head[k] = byte_scan::FoldLetters(byte_scan::Load(padded));
      if (length > 8) n.tail[k] = byte_scan::FoldLetters(byte_scan::Load(name + length - 8));
    }
    return n;
  }();
  static_assert(kFeedNameCount <= 32, "one bit per name");
  for (size_t& line : lines) line = kFeedNotFound;
  uint32_t found = 0;
  const char* data = text.data();
  const size_t size = text.size();
  size_t at = 0;
  while (at < size) {
    uint32_t candidates = kNames.by_first_byte[static_cast<unsigned char>(data[at])] & ~found;
    for (; candidates != 0; candidates &= candidates - 1) {
      const int k = __builtin_ctz(candidates);
      const size_t length = kNames.lengths[k];
      const size_t after = at + length;
      if (after >= size || IsNameChar(data[after])) continue;
      bool same;
      if (at + 8 > size) {
        same = SameName(data + at, kKeywords[k].data(), length);  // too near the end for a word
      } else {
        // Small letters on both sides compare as the names do: capitals only differ in case.
        const uint64_t mask = length >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * length)) - 1;
        same = (byte_scan::FoldLetters(byte_scan::Load(data + at)) & mask) == kNames.head[k] &&
               (length <= 8 || byte_scan::FoldLetters(byte_scan::Load(data + after - 8)) == kNames.tail[k]);
      }
      if (same) {
        lines[k] = at;
        found |= 1u << k;
      }
    }
    const void* lf = std::memchr(data + at, '\n', size - at);
    if (lf == nullptr) break;
    at = static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
  }
}

FeedCode GetPropertyValue(std::string_view text, int keyword, std::optional<std::string>* value) {
  value->reset();
  const char* name = FeedKeywordText(keyword);
  if (name == nullptr) return FeedCode::kDone;
  return PropertyValueAt(text, FindName(text, 0, name), value);
}

FeedCode PropertyValueAt(std::string_view text, size_t line, std::optional<std::string>* value, bool* malformed) {
  if (line == kFeedNotFound) {
    value->reset();
    return FeedCode::kDone;
  }
  try {
    size_t i = 0;
    if (!ValueStart(text, line, &i)) {
      value->reset();
      // The line ends before its value (an unclosed quote swallowed the colon): one bad property,
      // not the end of the list, when the caller can count it.
      if (malformed == nullptr) return FeedCode::kTruncatedAttribute;
      *malformed = true;
      return FeedCode::kDone;
    }
    const char* data = text.data();
    const char* end = data + text.size();
    size_t plain = static_cast<size_t>(byte_scan::FindAny(data + i, end, '\\', '\n', '\r', '\r') - data);
    // Most values are one run of plain bytes up to the line end: taken as they stand.
    if (plain < text.size() && FoldAt(text, plain) == 0 && EndsValue(text, plain)) {
      // Into the room a value read before left, if any.
      if (*value) {
        (*value)->assign(data + i, plain - i);
      } else {
        value->emplace(data + i, plain - i);
      }
      return FeedCode::kDone;
    }
    std::string out;
    // Room for the rest of the line; a folded value may need more.
    const void* lf = std::memchr(data + plain, '\n', text.size() - plain);
    out.reserve((lf != nullptr ? static_cast<const char*>(lf) : end) - (data + i));
    bool ended = false;
    while (i < text.size()) {
      // Plain bytes go over as a run; only line ends and escapes need a look.
      if (plain < i) plain = static_cast<size_t>(byte_scan::FindAny(data + i, end, '\\', '\n', '\r', '\r') - data);
      out.append(data + i, plain - i);
      i = plain;
      if (i >= text.size()) break;
      size_t fold = FoldAt(text, i);
      if (fold != 0) {
        i += fold;
        continue;
      }
      size_t line_end = LineEndAt(text, i);
      if (line_end != 0) {
        if (EndsValue(text, i)) {
          ended = true;
          break;
        }
        out.append(text.substr(i, line_end));  // a line end before a control byte
        i += line_end;
        continue;
      }
      char c = text[i];
      if (c == '\\') {
        // An escape; the line is unfolded first, so a fold may stand between the backslash and
        // its letter.
        ++i;
        while (i < text.size() && FoldAt(text, i) != 0) i += FoldAt(text, i);
        if (i >= text.size()) break;
        char e = text[i];
        out.push_back(e == 'n' || e == 'N' || e == 'r' || e == 'R' ? '\n' : e);
        ++i;
        continue;
      }
      out.push_back(c);  // a carriage return that ends no line
      ++i;
    }
    // An empty value is an empty text: web calendars write DESCRIPTION: and LOCATION: empty.
    if (!ended) {
      value->reset();
      return FeedCode::kTruncatedAttribute;
    }
    *value = std::move(out);
  } catch (const std::bad_alloc&) {
    value->reset();
    return FeedCode::kNoMemoryLate;
  }
  return FeedCode::kDone;
}

FeedCode GetParameterValue(std::string_view text, int keyword, std::optional<std::string>* value) {
  value->reset();
  if (FeedKeywordText(keyword) == nullptr) return FeedCode::kDone;
  return ParameterValueAt(text, FindName(text, 0, kKeywords[kKeyDtStart]), keyword, value);
}

FeedCode ParameterValueAt(std::string_view text, size_t line, int keyword, std::optional<std::string>* value) {
  value->reset();
  const char* name = FeedKeywordText(keyword);
  if (name == nullptr) return FeedCode::kDone;
  return LineParameterValue(text, line, name, value);
}

size_t FindContentLine(std::string_view text, size_t from, const char* name) { return FindName(text, from, name); }

FeedCode LineParameterValue(std::string_view text, size_t line, const char* name, std::optional<std::string>* value) {
  value->reset();
  if (line == kFeedNotFound) return FeedCode::kDone;
  // Most lines have no parameter: a colon before any ";", quote or line end says so at once.
  const char* head_end = byte_scan::FindAny(text.data() + line, text.data() + text.size(), ':', ';', '"', '\n');
  if (head_end != text.data() + text.size() && *head_end == ':') return FeedCode::kDone;
  try {
    // The parameter follows a ";" of the DTSTART line, before its value; the line is unfolded
    // first, as writers fold long TZIDs.
    std::string params;
    size_t value_at = 0;
    bool has_colon = UnfoldedHead(text, line, &params, &value_at);
    // Parameter names ignore letter case too.
    size_t length = std::strlen(name);
    size_t at = 0;
    for (;; ++at) {
      at = params.find(';', at);
      if (at == std::string::npos) return FeedCode::kDone;
      size_t after = at + 1 + length;
      if (after <= params.size() && SameName(params.data() + at + 1, name, length) &&
          (after == params.size() || !IsNameChar(params[after]))) {
        break;
      }
    }
    if (!has_colon) return FeedCode::kTruncatedValue;
    size_t equals = params.find('=', at);
    if (equals == std::string::npos) return FeedCode::kTruncatedValue;
    size_t value_end = equals + 1;
    bool quoted = false;
    for (; value_end < params.size(); ++value_end) {
      if (params[value_end] == '"') quoted = !quoted;
      if (params[value_end] == ';' && !quoted) break;
    }
    std::string tzid = params.substr(equals + 1, value_end - equals - 1);
    if (tzid.size() >= 2 && tzid.front() == '"' && tzid.back() == '"') tzid = tzid.substr(1, tzid.size() - 2);
    value->emplace(std::move(tzid));
  } catch (const std::bad_alloc&) {
    value->reset();
    return FeedCode::kNoMemoryLate;
  }
  return FeedCode::kDone;
}

namespace {

// The two decimal digits at p as a number, or -1 when either is no digit.
int TwoDigits(const char* p) {
  const unsigned high = static_cast<unsigned char>(p[0]) - unsigned{'0'};
  const unsigned low = static_cast<unsigned char>(p[1]) - unsigned{'0'};
  return high < 10 && low < 10 ? static_cast<int>(high * 10 + low) : -1;
}

constexpr int64_t kDays1904To1970 = 24107;

}  // namespace

FeedCode ParseDateTime(const std::optional<std::string>& text, uint32_t* time, bool* has_time) {
  *time = 0;
  if (has_time) *has_time = false;
  if (!text) return FeedCode::kDone;
  const std::string& t = *text;
  if (t.size() != 8 && t.size() != 15 && t.size() != 16) return FeedCode::kBadDateTimeFormat;
  const char* d = t.data();
  const int century = TwoDigits(d), year_of_century = TwoDigits(d + 2), month = TwoDigits(d + 4), day = TwoDigits(d + 6);
  if ((century | year_of_century | month | day) < 0) return FeedCode::kBadDateTimeFormat;
  const int year = century * 100 + year_of_century;
  if (year < 2000 || month < 1 || month > 12 || day < 1 || day > 31) return FeedCode::kInvalidDate;
  int hour = 0, minute = 0, second = 0;
  if (t.size() > 9) {
    if (has_time) *has_time = true;
    hour = TwoDigits(d + 9);
    minute = TwoDigits(d + 11);
    second = TwoDigits(d + 13);
    if ((hour | minute | second) < 0) return FeedCode::kBadDateTimeFormat;
    if (hour > 24 || minute > 60 || second > 60) return FeedCode::kInvalidTime;
  }
  // Plain calendar arithmetic: a day past the month's end carries into the next month.
  int64_t days = DaysFromCivil(year, month, 1) + (day - 1) + kDays1904To1970;
  int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  if (seconds > static_cast<int64_t>(UINT32_MAX)) return FeedCode::kInvalidDate;  // after Feb 2040
  *time = static_cast<uint32_t>(seconds);
  return FeedCode::kDone;
}

FeedCode ParseDuration(const std::optional<std::string>& text, uint32_t* seconds) {
  *seconds = 0;
  if (!text) return FeedCode::kDone;
  // RFC 5545: ["+"] "P" (n "W" | [n "D"] ["T" [n "H"] [n "M"] [n "S"]]), at least one part, any
  // letter case. A negative duration would end an event before it starts.
  const std::string& t = *text;
  size_t i = t.empty() || t[0] != '+' ? 0 : 1;
  if (i >= t.size() || !IsLetter(t[i], 'P')) return FeedCode::kInvalidDuration;
  ++i;
  static const struct {
    char letter;
    uint64_t seconds;
    bool time_part;
  } kUnits[] = {{'W', 604800, false}, {'D', 86400, false}, {'H', 3600, true}, {'M', 60, true}, {'S', 1, true}};
  uint64_t total = 0;
  size_t unit = 0;
  bool in_time = false;
  bool any = false;
  bool time_parts = false;
  while (i < t.size()) {
    if (!in_time && IsLetter(t[i], 'T')) {
      in_time = true;
      ++i;
      continue;
    }
    size_t digits = i;
    uint64_t n = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9' && i - digits < 11) n = n * 10 + static_cast<uint64_t>(t[i++] - '0');
    if (i == digits || i >= t.size()) return FeedCode::kInvalidDuration;
    // Each unit at most once, in order, days and weeks before the T and the others after it.
    while (unit < 5 && (!IsLetter(t[i], kUnits[unit].letter) || kUnits[unit].time_part != in_time)) ++unit;
    if (unit == 5) return FeedCode::kInvalidDuration;
    if (kUnits[unit].letter == 'W' && i + 1 != t.size()) return FeedCode::kInvalidDuration;
    total += n * kUnits[unit].seconds;
    if (total > UINT32_MAX) return FeedCode::kInvalidDuration;
    any = true;
    time_parts = time_parts || in_time;
    ++unit;
    ++i;
  }
  if (!any || (in_time && !time_parts)) return FeedCode::kInvalidDuration;
  *seconds = static_cast<uint32_t>(total);
  return FeedCode::kDone;
}

namespace {

// One item of a time list: a date, a date-time, or a period ("start/end" or "start/duration").
bool ReadFeedTime(const std::string& item, bool period, FeedTime* time) {
  size_t slash = period ? item.find('/') : std::string::npos;
  std::string start = item.substr(0, slash);
  bool has_time = false;
  if (ParseDateTime(start, &time->time, &has_time) != FeedCode::kDone) return false;
  time->date_only = !has_time;
  time->utc = start.size() == 16 && (start[15] == 'Z' || start[15] == 'z');
  if (start.size() == 16 && !time->utc) return false;
  if (slash != std::string::npos) {
    std::string end = item.substr(slash + 1);
    if (!end.empty() && (end[0] == 'P' || end[0] == 'p' || end[0] == '+')) {
      uint32_t seconds = 0;
      if (ParseDuration(end, &seconds) != FeedCode::kDone || seconds > UINT32_MAX - time->time) return false;
      time->end = time->time + seconds;
    } else if (ParseDateTime(end, &time->end, nullptr) != FeedCode::kDone) {
      return false;
    }
  }
  return true;
}

}  // namespace

FeedCode ReadFeedTimes(std::string_view text, const char* name, std::vector<FeedTime>* times, bool* malformed) {
  try {
    for (size_t line = FindName(text, 0, name); line != kFeedNotFound; line = FindName(text, line + 1, name)) {
      std::optional<std::string> value, tzid, type;
      bool bad = false;
      FeedCode code = PropertyValueAt(text, line, &value, &bad);
      if (code == FeedCode::kDone) code = LineParameterValue(text, line, "TZID", &tzid);
      if (code == FeedCode::kDone) code = LineParameterValue(text, line, "VALUE", &type);
      if (code == FeedCode::kNoMemoryLate) return code;
      if (code != FeedCode::kDone || bad || !value) {
        *malformed = true;
        continue;
      }
      bool period = type && type->size() == 6 && SameName(type->c_str(), "PERIOD", 6);
      size_t at = 0;
      while (at <= value->size()) {
        size_t comma = value->find(',', at);
        if (comma == std::string::npos) comma = value->size();
        FeedTime time;
        if (times->size() >= kMaxFeedTimes) return FeedCode::kDone;
        if (ReadFeedTime(value->substr(at, comma - at), period, &time)) {
          if (!time.utc && tzid) time.tzid = *tzid;
          times->push_back(std::move(time));
        } else {
          *malformed = true;
        }
        at = comma + 1;
      }
    }
  } catch (const std::bad_alloc&) {
    return FeedCode::kNoMemoryLate;
  }
  return FeedCode::kDone;
}
