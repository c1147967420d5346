// Names, blocks, values, dates and durations of the calendar reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "events/feed_event.h"
#include "platform/clock.h"
#include "support/civil.h"

namespace {

using reelbox_test::Handheld;

std::optional<std::string> Value(const std::string& text, int keyword, FeedCode* code = nullptr) {
  std::optional<std::string> value;
  FeedCode c = GetPropertyValue(text, keyword, &value);
  if (code) *code = c;
  return value;
}

TEST(FeedSyntax, PropertyValueEndsAtTheNextContentLine) {
  EXPECT_EQ(Value("UID:abc-1\r\nSUMMARY:x\r\n", kKeyUid), "abc-1");
  EXPECT_EQ(Value("UID:abc-1\nSUMMARY:x\n", kKeyUid), "abc-1");
  EXPECT_EQ(Value("SUMMARY;LANGUAGE=en:Night Film\nX", kKeySummary), "Night Film");
}

TEST(FeedSyntax, AbsentPropertyIsNullWithoutError) {
  FeedCode code = FeedCode::kNoResponse;
  EXPECT_FALSE(Value("UID:a\nEND:VEVENT", kKeySummary, &code).has_value());
  EXPECT_EQ(code, FeedCode::kDone);
}

TEST(FeedSyntax, FoldedLinesAreJoinedWithoutTheFoldBytes) {
  EXPECT_EQ(Value("SUMMARY:The Long\r\n  Title\r\nEND", kKeySummary), "The Long Title");
  EXPECT_EQ(Value("SUMMARY:ab\n cd\nEND", kKeySummary), "abcd");
  EXPECT_EQ(Value("SUMMARY:ab\r\n\tcd\n\tef\nEND", kKeySummary), "abcdef");
}

TEST(FeedSyntax, LineEndBeforeAControlByteStaysInTheValue) {
  EXPECT_EQ(Value("SUMMARY:ab\n\x01" "cd\nEND", kKeySummary), "ab\n\x01" "cd");
  // A byte of 0x80 or more after the line end does not end the value either.
  EXPECT_EQ(Value("SUMMARY:ab\n\xE9t\xE9\nEND", kKeySummary), "ab\n\xE9t\xE9");
}

TEST(FeedSyntax, EscapesBecomeTheirCharacters) {
  EXPECT_EQ(Value("DESCRIPTION:one\\ntwo\\Nthree\\rfour\nEND", kKeyDescription),
            "one\ntwo\nthree\nfour");
  EXPECT_EQ(Value("DESCRIPTION:a\\, b\\; c\\\"d\nEND", kKeyDescription), "a, b; c\"d");
  // An escaped backslash is one backslash, also before an n.
  EXPECT_EQ(Value("DESCRIPTION:x\\\\ny\\\\\nEND", kKeyDescription), "x\\ny\\");
  // Unfolded first: an escape split by a fold is still an escape.
  EXPECT_EQ(Value("DESCRIPTION:at 8 PM\\\r\n n2nd show\r\nEND", kKeyDescription), "at 8 PM\n2nd show");
  EXPECT_EQ(Value("DESCRIPTION:a\\\n\t,b\nEND", kKeyDescription), "a,b");
}

TEST(FeedSyntax, BlankLineEndsAValueAndNamesIgnoreCase) {
  EXPECT_EQ(Value("SUMMARY:Film\r\n\r\nUID:x\r\n", kKeySummary), "Film");
  EXPECT_EQ(Value("SUMMARY:Film\n\nUID:x\n", kKeySummary), "Film");
  EXPECT_EQ(Value("uid:a\nSummary;Language=en:Film\nEND", kKeySummary), "Film");
  EXPECT_EQ(Value("uid:a\ndtstart:20060401\nEND", kKeyDtStart), "20060401");
  std::optional<std::string> tzid;
  EXPECT_EQ(GetParameterValue("dtStart;tzid=Europe/Paris:20060401T100000\nEND", kKeyTzid, &tzid), FeedCode::kDone);
  EXPECT_EQ(tzid, "Europe/Paris");
  const std::string text = "begin:vcalendar\nbegin:vevent\nUID:a\nend:vevent\nend:vcalendar\n";
  size_t event = FindBlockStart(text, 0, kKeyVEvent);
  ASSERT_NE(event, kFeedNotFound);
  EXPECT_EQ(text.compare(event, 5, "UID:a"), 0);
  EXPECT_EQ(text.compare(FindBlockEnd(text, event, kKeyVEvent), 13, "end:vcalendar"), 0);
}

TEST(FeedSyntax, EmptyValueIsAnEmptyText) {
  FeedCode code = FeedCode::kNoResponse;
  EXPECT_EQ(Value("DESCRIPTION:\r\nLOCATION:\r\nSUMMARY:x\r\n", kKeyDescription, &code), "");
  EXPECT_EQ(code, FeedCode::kDone);
}

TEST(FeedSyntax, UnendedValueIsATruncatedAttribute) {
  FeedCode code = FeedCode::kDone;
  Value("UID:abc", kKeyUid, &code);
  EXPECT_EQ(code, FeedCode::kTruncatedAttribute);
  Value("UID:abc\\", kKeyUid, &code);
  EXPECT_EQ(code, FeedCode::kTruncatedAttribute);
  Value("UID no colon at all\nEND", kKeyUid, &code);
  EXPECT_EQ(code, FeedCode::kTruncatedAttribute);
}

TEST(FeedSyntax, NamesCountOnlyWhereAContentLineBegins) {
  const std::string text =
      "DESCRIPTION:Set DTSTART:19990101 and UID:fake and SUMMARY:fake here\n"
      "X-UID:other\n"
      "UIDX:longer name\n"
      "UID:real\n"
      "SUMMARY:real summary\n"
      "DTSTART:20060401\n"
      "END:VEVENT";
  EXPECT_EQ(Value(text, kKeyUid), "real");
  EXPECT_EQ(Value(text, kKeySummary), "real summary");
  EXPECT_EQ(Value(text, kKeyDtStart), "20060401");
}

TEST(FeedSyntax, TzidIsReadFromTheDtstartLine) {
  std::optional<std::string> tzid;
  EXPECT_EQ(GetParameterValue("DESCRIPTION:see TZID=Fake:x\nDTSTART;TZID=Europe/London:20060401T100000\nEND",
                              kKeyTzid, &tzid), FeedCode::kDone);
  EXPECT_EQ(tzid, "Europe/London");
  EXPECT_EQ(GetParameterValue("DTEND;TZID=A:20060401\nDTSTART:20060401\nEND", kKeyTzid, &tzid), FeedCode::kDone);
  EXPECT_FALSE(tzid.has_value());
  EXPECT_EQ(GetParameterValue("DTSTART;TZID:20060401\nEND", kKeyTzid, &tzid), FeedCode::kTruncatedValue);
  EXPECT_EQ(GetParameterValue("DTSTART;TZID=X\nEND", kKeyTzid, &tzid), FeedCode::kTruncatedValue);
  // Writers fold long lines at 75 octets, also inside the parameters.
  EXPECT_EQ(GetParameterValue("DTSTART;TZID=America/Argentin\r\n a/Buenos_Aires:20060401T1\r\n 00000\r\nEND",
                              kKeyTzid, &tzid), FeedCode::kDone);
  EXPECT_EQ(tzid, "America/Argentina/Buenos_Aires");
  EXPECT_EQ(Value("DTSTART;TZID=America/Argentin\r\n a/Buenos_Aires:20060401T1\r\n 00000\r\nEND", kKeyDtStart),
            "20060401T100000");
  EXPECT_EQ(GetParameterValue("DTSTART;VALUE=DATE-TIME;TZID=\"GMT+1:00 Paris\":20060401T100000\nEND", kKeyTzid, &tzid),
            FeedCode::kDone);
  EXPECT_EQ(tzid, "GMT+1:00 Paris");
  EXPECT_EQ(Value("DTSTART;TZID=\"GMT+1:00\":20060401T100000\nEND", kKeyDtStart), "20060401T100000");
}

TEST(FeedSyntax, BlockStartAndEndSkipOtherKindsAndMentionsInValues) {
  const std::string text =
      "BEGIN:VCALENDAR\r\n"
      "BEGIN:VTIMEZONE\r\nTZID:x\r\nEND:VTIMEZONE\r\n"
      "BEGIN:VEVENT\r\nDESCRIPTION:ends with END:VEVENT\r\nBEGIN:VALARM\r\nEND:VALARM\r\n"
      "END:VEVENT\r\nEND:VCALENDAR\r\n";
  size_t calendar = FindBlockStart(text, 0, kKeyVCalendar);
  ASSERT_NE(calendar, kFeedNotFound);
  EXPECT_EQ(text.compare(calendar, 15, "BEGIN:VTIMEZONE"), 0);
  size_t event = FindBlockStart(text, calendar, kKeyVEvent);
  ASSERT_NE(event, kFeedNotFound);
  EXPECT_EQ(text.compare(event, 12, "DESCRIPTION:"), 0);
  size_t end = FindBlockEnd(text, event, kKeyVEvent);
  ASSERT_NE(end, kFeedNotFound);
  EXPECT_EQ(text.compare(end, 13, "END:VCALENDAR"), 0);
  EXPECT_EQ(FindBlockStart(text, end, kKeyVEvent), kFeedNotFound);
  EXPECT_EQ(FindBlockStart("BEGIN:VEVENT", 0, kKeyVEvent), kFeedNotFound);  // nothing follows
}

TEST(FeedSyntax, DateGivesMidnightWithoutTime) {
  uint32_t t = 1;
  bool has_time = true;
  EXPECT_EQ(ParseDateTime(std::string("20060401"), &t, &has_time), FeedCode::kDone);
  EXPECT_EQ(t, Handheld(2006, 4, 1));
  EXPECT_FALSE(has_time);
  EXPECT_EQ(ParseDateTime(std::string("20060401T203000Z"), &t, &has_time), FeedCode::kDone);
  EXPECT_EQ(t, Handheld(2006, 4, 1, 20, 30, 0));
  EXPECT_TRUE(has_time);
  EXPECT_EQ(ParseDateTime(std::nullopt, &t, nullptr), FeedCode::kDone);
  EXPECT_EQ(t, 0u);
}

TEST(FeedSyntax, OutOfRangeFieldsGiveTheirCodes) {
  uint32_t t = 0;
  EXPECT_EQ(ParseDateTime(std::string("19991231"), &t, nullptr), FeedCode::kInvalidDate);
  EXPECT_EQ(ParseDateTime(std::string("20061301"), &t, nullptr), FeedCode::kInvalidDate);
  EXPECT_EQ(ParseDateTime(std::string("20060132"), &t, nullptr), FeedCode::kInvalidDate);
  EXPECT_EQ(ParseDateTime(std::string("20060400"), &t, nullptr), FeedCode::kInvalidDate);
  EXPECT_EQ(ParseDateTime(std::string("20060401T250000"), &t, nullptr), FeedCode::kInvalidTime);
  EXPECT_EQ(ParseDateTime(std::string("20060401T006100"), &t, nullptr), FeedCode::kInvalidTime);
  EXPECT_EQ(ParseDateTime(std::string("2006041"), &t, nullptr), FeedCode::kBadDateTimeFormat);
  EXPECT_EQ(ParseDateTime(std::string("20060401T2030"), &t, nullptr), FeedCode::kBadDateTimeFormat);
  EXPECT_EQ(ParseDateTime(std::string("2006-4-1"), &t, nullptr), FeedCode::kBadDateTimeFormat);
  EXPECT_EQ(ParseDateTime(std::string("2O060401"), &t, nullptr), FeedCode::kBadDateTimeFormat);
}

TEST(FeedSyntax, FieldsPastTheirRangeCarryOver) {
  uint32_t t = 0;
  EXPECT_EQ(ParseDateTime(std::string("20060431"), &t, nullptr), FeedCode::kDone);
  EXPECT_EQ(t, Handheld(2006, 5, 1));
  EXPECT_EQ(ParseDateTime(std::string("20061231T240000"), &t, nullptr), FeedCode::kDone);
  EXPECT_EQ(t, Handheld(2007, 1, 1));
  EXPECT_EQ(ParseDateTime(std::string("20080229"), &t, nullptr), FeedCode::kDone);
  EXPECT_EQ(t, Handheld(2008, 2, 29));
}

TEST(FeedSyntax, DatesBeyond2037ReachTheEndOfHandheldTime) {
  uint32_t t = 0;
  EXPECT_EQ(ParseDateTime(std::string("20380301"), &t, nullptr), FeedCode::kDone);
  EXPECT_EQ(t, Handheld(2038, 3, 1));
  EXPECT_EQ(ParseDateTime(std::string("20400206T062815"), &t, nullptr), FeedCode::kDone);
  EXPECT_EQ(t, 0xFFFFFFFFu);
  EXPECT_EQ(ParseDateTime(std::string("20400206T062816"), &t, nullptr), FeedCode::kInvalidDate);
  EXPECT_EQ(ParseDateTime(std::string("99991231"), &t, nullptr), FeedCode::kInvalidDate);
}

TEST(FeedSyntax, WallClockTimesDoNotDependOnTheDesktopTimeZone) {
  const char* zones[] = {"UTC", "America/Los_Angeles", "Australia/Sydney", "Asia/Kolkata",
                         "PST8PDT", "EST5EDT"};
  for (const char* zone : zones) {
#ifdef _WIN32
    _putenv_s("TZ", zone);
    _tzset();
#else
    setenv("TZ", zone, 1);
    tzset();
#endif
    uint32_t t = 0;
    EXPECT_EQ(ParseDateTime(std::string("20060402T023000"), &t, nullptr), FeedCode::kDone);
    EXPECT_EQ(t, Handheld(2006, 4, 2, 2, 30, 0)) << zone;
    EXPECT_EQ(ParseDateTime(std::string("20061029T013000Z"), &t, nullptr), FeedCode::kDone);
    EXPECT_EQ(t, Handheld(2006, 10, 29, 1, 30, 0)) << zone;
  }
#ifdef _WIN32
  _putenv_s("TZ", "");
  _tzset();
#else
  unsetenv("TZ");
  tzset();
#endif
}

TEST(FeedSyntax, DurationsInWeeksDaysHoursMinutesAndSeconds) {
  uint32_t s = 1;
  EXPECT_EQ(ParseDuration(std::string("PT1H30M"), &s), FeedCode::kDone);
  EXPECT_EQ(s, 5400u);
  EXPECT_EQ(ParseDuration(std::string("P2D"), &s), FeedCode::kDone);
  EXPECT_EQ(s, 172800u);
  EXPECT_EQ(ParseDuration(std::string("pt45m"), &s), FeedCode::kDone);
  EXPECT_EQ(s, 2700u);
  EXPECT_EQ(ParseDuration(std::string("PT2H"), &s), FeedCode::kDone);
  EXPECT_EQ(s, 7200u);
  EXPECT_EQ(ParseDuration(std::string("P1DT2H"), &s), FeedCode::kDone);
  EXPECT_EQ(s, 86400u + 7200u);
  EXPECT_EQ(ParseDuration(std::string("P1W"), &s), FeedCode::kDone);
  EXPECT_EQ(s, 604800u);
  EXPECT_EQ(ParseDuration(std::string("PT86400S"), &s), FeedCode::kDone);
  EXPECT_EQ(s, 86400u);
  EXPECT_EQ(ParseDuration(std::string("+P1DT1H1M1S"), &s), FeedCode::kDone);
  EXPECT_EQ(s, 90061u);
  EXPECT_EQ(ParseDuration(std::nullopt, &s), FeedCode::kDone);
  EXPECT_EQ(s, 0u);
}

TEST(FeedSyntax, MalformedDurationsAreInvalid) {
  uint32_t s = 0;
  for (const char* bad : {"P1", "X1D", "P", "PT", "P1DT", "-P1D", "P1M", "PT1D", "P1W2D", "PT5S3M", "PT123456789012H",
                          "P99999999999D", "P9999W"}) {
    EXPECT_EQ(ParseDuration(std::string(bad), &s), FeedCode::kInvalidDuration) << bad;
  }
}

TEST(FeedSyntax, CodeTextsCoverTheTable) {
  EXPECT_STREQ(FeedCodeText(FeedCode::kNoEvents), "Bad Data : No events");
  EXPECT_STREQ(FeedCodeText(FeedCode::kSomeBadEvents), "Warning : Some events had bad data in them");
  EXPECT_EQ(FeedCodeText(static_cast<FeedCode>(0x8012)), nullptr);
  EXPECT_EQ(FeedKeywordText(14), nullptr);
  EXPECT_STREQ(FeedKeywordText(kKeyDuration), "DURATION");
}

}  // namespace
