#include "events/feed_reader.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "events/url_fetcher.h"
#include "platform/byte_scan.h"
#include "textfiles/text_encoding.h"

namespace {

// Whether the content line at i begins with the name, followed by a colon or a parameter.
bool LineBeginsWith(std::string_view text, size_t i, std::string_view name) {
  if (i + name.size() >= text.size()) return false;
  for (size_t k = 0; k < name.size(); ++k) {
    char c = text[i + k];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    if (c != name[k]) return false;
  }
  return text[i + name.size()] == ':' || text[i + name.size()] == ';';
}

// The event's text without the components nested in it (a VALARM's DESCRIPTION or TRIGGER is no
// property of the event). false when there are none: the text serves as it is.
bool WithoutNestedComponents(std::string_view text, std::string* own) {
  int depth = 0;
  bool nested = false;
  size_t line = 0;
  while (line < text.size()) {
    // A content line runs to a line end that is not a fold.
    size_t next = line;
    while (next < text.size()) {
      size_t lf = text.find('\n', next);
      if (lf == std::string_view::npos) {
        next = text.size();
        break;
      }
      next = lf + 1;
      if (next >= text.size() || (text[next] != ' ' && text[next] != '\t')) break;
    }
    if (LineBeginsWith(text, line, "BEGIN")) {
      ++depth;
      nested = true;
    } else if (depth > 0 && LineBeginsWith(text, line, "END")) {
      --depth;
    } else if (depth == 0) {
      own->append(text.substr(line, next - line));
    }
    line = next;
  }
  return nested;
}

// RFC 5545 text is UTF-8; the handheld's is Windows-1252. A value that is not well-formed UTF-8
// with some multi-byte character is taken as Windows-1252 already, as older feeds write it.
void ToHandheldText(std::optional<std::string>* text) {
  if (!*text) return;
  std::string& t = **text;
  // Most texts are plain ASCII: found so a block at a time.
  if (!byte_scan::HasHighByte(t.data(), t.data() + t.size())) return;
  size_t i = 0;
  while (static_cast<unsigned char>(t[i]) < 0x80) ++i;
  Utf8Scanner scanner;
  scanner.Feed(reinterpret_cast<const uint8_t*>(t.data() + i), t.size() - i);
  if (!scanner.Valid() || !scanner.HasMultiByte()) return;
  size_t length = t.size() - i;
  Utf8ToWindows1252(&t[i], &length);
  t.resize(i + length);
}

// The RRULE, RDATEs and EXDATEs of a series, or the RECURRENCE-ID of an override.
FeedCode ReadRepetition(std::string_view text, const size_t (&lines)[kFeedNameCount], FeedEvent* event,
                        bool* malformed) {
  if (lines[kKeyRecurrenceId] != kFeedNotFound) {
    std::vector<FeedTime> replaced;
    FeedCode code = ReadFeedTimes(text, "RECURRENCE-ID", &replaced, malformed);
    if (code != FeedCode::kDone) return code;
    if (!replaced.empty()) event->recurrence_id = std::move(replaced.front());
    return FeedCode::kDone;
  }
  FeedCode code = PropertyValueAt(text, lines[kKeyRRule], &event->rrule, malformed);
  if (code == FeedCode::kDone && lines[kKeyRDate] != kFeedNotFound) {
    code = ReadFeedTimes(text, "RDATE", &event->rdates, malformed);
  }
  if (code == FeedCode::kDone && event->Repeats()) code = ReadFeedTimes(text, "EXDATE", &event->exdates, malformed);
  return code;
}

}  // namespace

FeedCode ParseEvent(std::string_view full_text, FeedEvent* event) {
  // The texts are read into the strings the event already has, so a reader that hands the same
  // event in again keeps their room; an event that ends with a low code is left empty.
  event->rrule.reset();
  event->rdates.clear();
  event->exdates.clear();
  event->recurrence_id.reset();
  // One pass finds every name; the text is searched again only when it holds a nested component.
  size_t lines[kFeedNameCount];
  FindNames(full_text, lines);
  std::string_view text = full_text;
  std::string own;
  if (lines[kKeyBegin] != kFeedNotFound) {
    bool nested = false;
    try {
      nested = WithoutNestedComponents(full_text, &own);
    } catch (const std::bad_alloc&) {
      FreeFeedEvent(event);
      return FeedCode::kNoMemoryLate;
    }
    if (nested) {
      text = own;
      FindNames(text, lines);
    }
  }
  std::optional<std::string> start_text;
  bool malformed = false;
  FeedCode code = PropertyValueAt(text, lines[kKeyUid], &event->uid, &malformed);
  if (code == FeedCode::kDone) code = PropertyValueAt(text, lines[kKeySummary], &event->summary, &malformed);
  if (code == FeedCode::kDone) code = PropertyValueAt(text, lines[kKeyDescription], &event->description, &malformed);
  if (code == FeedCode::kDone) code = PropertyValueAt(text, lines[kKeyDtStart], &start_text, &malformed);
  if (code != FeedCode::kDone) {
    FreeFeedEvent(event);
    return code;
  }
  if (event->uid && event->uid->empty()) event->uid.reset();  // an empty UID names no event
  ToHandheldText(&event->summary);
  ToHandheldText(&event->description);

  uint32_t start = 0, end = 0;
  uint8_t utc = 0;
  bool usable_start = false;
  bool has_time = false;
  if (!start_text) {
    event->tzid.reset();
    code = FeedCode::kNoStartTime;
  } else {
    std::optional<std::string> end_text, duration_text;
    code = ParameterValueAt(text, lines[kKeyDtStart], kKeyTzid, &event->tzid);
    if (code == FeedCode::kDone) code = PropertyValueAt(text, lines[kKeyDtEnd], &end_text, &malformed);
    if (code == FeedCode::kDone) code = PropertyValueAt(text, lines[kKeyDuration], &duration_text, &malformed);
    if (code != FeedCode::kDone) {
      FreeFeedEvent(event);
      return code;
    }
    code = ParseDateTime(start_text, &start, &has_time);
    if (code == FeedCode::kDone && start_text->size() == 16) {
      char last = (*start_text)[15];
      if (last == 'Z' || last == 'z') {
        utc = 1;
      } else {
        code = FeedCode::kBadDateTimeFormat;
      }
    }
    if (code != FeedCode::kDone) {
      start = 0;
    } else {
      usable_start = true;
      // Bad end data leaves the end at 0; the event keeps its start.
      code = ParseDateTime(end_text, &end, nullptr);
      if (code == FeedCode::kDone && duration_text && !end_text) {
        uint32_t seconds = 0;
        code = ParseDuration(duration_text, &seconds);
        if (code == FeedCode::kDone && seconds > UINT32_MAX - start) code = FeedCode::kInvalidDuration;
        if (code == FeedCode::kDone) end = start + seconds;
      }
      if (code != FeedCode::kDone) end = 0;
    }
  }
  event->utc = utc;
  event->second_flag = 0;
  event->start = start;
  event->end = end;
  event->usable_start = usable_start;
  event->start_is_date = usable_start && !has_time;
  if (usable_start && (lines[kKeyRRule] != kFeedNotFound || lines[kKeyRDate] != kFeedNotFound ||
                       lines[kKeyRecurrenceId] != kFeedNotFound)) {
    FeedCode read = ReadRepetition(text, lines, event, &malformed);
    if (read != FeedCode::kDone) {
      FreeFeedEvent(event);
      return read;
    }
  }
  event->bad_property = malformed;
  return code;
}

FeedCode ParseCalendarHeader(std::string_view text, CalendarHeader* header) {
  *header = CalendarHeader();
  FeedCode code = GetPropertyValue(text, kKeyCalName, &header->name);
  if (code == FeedCode::kDone) code = GetPropertyValue(text, kKeyCalDesc, &header->description);
  if (code == FeedCode::kDone) code = GetPropertyValue(text, kKeyCalTimeZone, &header->time_zone);
  if (code != FeedCode::kDone) *header = CalendarHeader();
  ToHandheldText(&header->name);
  ToHandheldText(&header->description);
  return code;
}

void FreeFeedEvent(FeedEvent* event) { *event = FeedEvent(); }

FeedCode ReadFeedChunk(UrlFetcher* fetcher, char* buffer, uint32_t count, uint32_t* read) {
  *read = 0;
  if (fetcher == nullptr) return FeedCode::kStreamError;
  return fetcher->ReadDownloaded(count, buffer, read) == DownloadedResult::kOk ? FeedCode::kDone : FeedCode::kStreamError;
}

namespace {

// The read window: the next kFeedBufferSize - 1 bytes of the feed (fewer at its end); a NUL byte
// ends the data, as it would end a C string. The window moves over a larger buffer, so sliding
// it past an event is an offset; the text left is moved to the front only when the buffer runs
// out, not once per event.
class Window {
 public:
  explicit Window(UrlFetcher& fetcher) : fetcher_(fetcher) {}
  bool Allocate() {
    buffer_.reset(new (std::nothrow) char[kCapacity]);
    return buffer_ != nullptr;
  }
  std::string_view Text() const {
    size_t size = filled_ - begin_;
    return std::string_view(buffer_.get() + begin_, size < kWindow ? size : kWindow);
  }
  bool AtEnd() const { return ended_ && filled_ - begin_ <= kWindow; }

  // Drops the text before from and reads more to fill the window. 0 or FeedCode::kStreamError.
  FeedCode SlideTo(size_t from) {
    size_t shown = Text().size();
    if (from > shown) from = shown;
    begin_ += from;
    return Fill();
  }

  FeedCode Fill() {
    if (ended_ || filled_ - begin_ >= kWindow) return FeedCode::kDone;
    if (begin_ > 0) {
      std::memmove(buffer_.get(), buffer_.get() + begin_, filled_ - begin_);
      filled_ -= begin_;
      begin_ = 0;
    }
    while (!ended_ && filled_ < kCapacity - 1) {
      uint32_t room = static_cast<uint32_t>(kCapacity - 1 - filled_);
      uint32_t got = 0;
      FeedCode code = ReadFeedChunk(&fetcher_, buffer_.get() + filled_, room, &got);
      if (code != FeedCode::kDone) return code;
      size_t text = strnlen(buffer_.get() + filled_, got);
      if (text < got || got < room) ended_ = true;
      filled_ += text;
    }
    buffer_[filled_] = '\0';
    return FeedCode::kDone;
  }

 private:
  static constexpr size_t kWindow = kFeedBufferSize - 1;
  static constexpr size_t kCapacity = 16 * kFeedBufferSize;
  UrlFetcher& fetcher_;
  std::unique_ptr<char[]> buffer_;
  size_t begin_ = 0;
  size_t filled_ = 0;
  bool ended_ = false;
};

// Where the last line of text begins (0 when it has no line feed).
size_t LastLineStart(std::string_view text) {
  size_t lf = text.rfind('\n');
  return lf == std::string_view::npos ? 0 : lf + 1;
}

// Hands the zone whose content starts at start to zones, the window slid to it first so all of
// it is seen; returns where to search on. A zone longer than the window is passed over.
size_t ReadZone(Window& window, size_t start, const FeedZoneHandler& zones, FeedCode* code) {
  *code = window.SlideTo(start);
  if (*code != FeedCode::kDone) return kFeedNotFound;
  std::string_view text = window.Text();
  size_t end = FindBlockEnd(text, 0, kKeyVTimeZone);
  if (end == kFeedNotFound) return 0;
  zones(text.substr(0, end));
  return end;
}

// The content start of the next event at or after from; the zones before it go to zones (when
// given). When the window holds none and the file goes on, the window slides forward and the
// search goes on: an event just past the window's end is not lost. *code gets a read failure.
size_t FindNextEvent(Window& window, size_t from, FeedCode* code, const FeedZoneHandler& zones) {
  *code = FeedCode::kDone;
  for (;;) {
    std::string_view text = window.Text();
    int kind = kKeyVEvent;
    size_t found = zones ? FindBlockStartOf(text, from, kKeyVEvent, kKeyVTimeZone, &kind)
                         : FindBlockStart(text, from, kKeyVEvent);
    if (found != kFeedNotFound && kind == kKeyVTimeZone) {
      from = ReadZone(window, found, zones, code);
      if (*code != FeedCode::kDone) return kFeedNotFound;
      continue;
    }
    if (found != kFeedNotFound || window.AtEnd()) return found;
    // Keep the last line: it may be the beginning of a "BEGIN:VEVENT" cut by the window's end.
    size_t keep = LastLineStart(text);
    if (keep < from) keep = from;
    if (keep == 0) keep = text.size();
    *code = window.SlideTo(keep);
    if (*code != FeedCode::kDone) return kFeedNotFound;
    from = 0;
  }
}

}  // namespace

FeedCode ReadFeed(UrlFetcher& fetcher, const char* list_name, const FeedEventHandler& handler,
                  const FeedZoneHandler& zones) {
  // The server answered with an error (the download logged its status): there is no calendar.
  if (fetcher.HttpStatus() >= 400) return FeedCode::kNoResponse;
  fetcher.CloseDownloaded();
  fetcher.OpenDownloaded();
  Window window(fetcher);
  if (!window.Allocate()) return FeedCode::kNoMemory;
  FeedCode code = window.Fill();
  if (code != FeedCode::kDone) {
    fetcher.CloseDownloaded();
    return code;
  }

  std::string_view text = window.Text();
  // A byte order mark and blank lines before the calendar are no content lines.
  size_t lead = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (lead < text.size() && (text[lead] == ' ' || text[lead] == '\t' || text[lead] == '\r' || text[lead] == '\n')) ++lead;
  size_t calendar = FindBlockStart(text, lead, kKeyVCalendar);
  if (calendar == kFeedNotFound) {
    fetcher.CloseDownloaded();
    return FeedCode::kNoCalendar;
  }
  size_t start = FindBlockStart(text, calendar, kKeyVEvent);
  CalendarHeader header;
  if (start != kFeedNotFound) {
    code = ParseCalendarHeader(text.substr(0, start - 1), &header);
    // The zones before the first event are in the window with it.
    for (size_t zone = calendar; zones && code == FeedCode::kDone;) {
      zone = FindBlockStart(text.substr(0, start), zone, kKeyVTimeZone);
      if (zone == kFeedNotFound) break;
      size_t end = FindBlockEnd(text.substr(0, start), zone, kKeyVTimeZone);
      if (end == kFeedNotFound) break;
      zones(text.substr(zone, end - zone));
      zone = end;
    }
  } else {
    code = ParseCalendarHeader(text.substr(0, LastLineStart(text)), &header);
    if (code == FeedCode::kDone) start = FindNextEvent(window, calendar, &code, zones);
    if (code == FeedCode::kDone && start == kFeedNotFound) code = FeedCode::kNoEvents;
  }
  if (code != FeedCode::kDone) {
    fetcher.CloseDownloaded();
    return code;
  }

  char status[1024];
  std::snprintf(status, sizeof(status), "Synchronizing remote '%s'", list_name);
  if (!fetcher.ReportProgress(status)) {
    fetcher.CloseDownloaded();
    return FeedCode::kCancelled;
  }

  bool some_bad = false;
  FeedEvent event;
  for (uint32_t count = 0;; ++count) {
    if (count % 20 == 0 && !fetcher.ReportProgress(status)) break;
    code = window.SlideTo(start);
    if (code != FeedCode::kDone) break;
    text = window.Text();
    size_t end = FindBlockEnd(text, 0, kKeyVEvent);
    if (end == kFeedNotFound) {
      code = FeedCode::kTruncatedEvent;
      break;
    }
    FeedCode parsed = ParseEvent(text.substr(0, end - 1), &event);
    if (parsed != FeedCode::kDone && parsed < FeedCode::kNoStartTime) {
      code = parsed;
      break;
    }
    // An event without a UID cannot be stored or found again: it is bad data too.
    if (parsed != FeedCode::kDone || !event.uid || event.bad_property) some_bad = true;
    // The next ParseEvent starts the event afresh: it is not cleared here as well.
    code = handler(event, parsed);
    if (code != FeedCode::kDone) break;
    start = FindNextEvent(window, end, &code, zones);
    if (code != FeedCode::kDone || start == kFeedNotFound) break;
  }
  if (code == FeedCode::kDone && some_bad) code = FeedCode::kSomeBadEvents;
  fetcher.CloseDownloaded();
  return code;
}
