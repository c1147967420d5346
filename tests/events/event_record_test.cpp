// The event record's handheld format, its comparison, the index by UID and the AppInfo block.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "diag/text_string.h"
#include "events/event_app_info.h"
#include "events/event_index.h"
#include "events/event_record.h"
#include "events/feed_event.h"
#include "events/uid_set.h"

namespace {

FeedEvent MakeEvent(const std::string& uid, const std::string& summary, const std::string& description = "") {
  FeedEvent e;
  e.uid = uid;
  e.summary = summary;
  if (!description.empty()) e.description = description;
  e.start = 3300000000u;
  e.end = 3300003600u;
  e.utc = 1;
  return e;
}

EventRecord FromFeed(const FeedEvent& e) {
  EventRecord r;
  r.SetFromFeedEvent(e, kNoRecordId, 0);
  return r;
}

std::vector<uint8_t> Packed(const EventRecord& r) {
  std::vector<uint8_t> out(kEventRecordMaxSize);
  out.resize(r.Pack(out.data()));
  return out;
}

EventRecord Reloaded(const EventRecord& r, uint32_t id = 7, uint32_t category = 2) {
  std::vector<uint8_t> bytes = Packed(r);
  EventRecord back;
  back.LoadPacked(bytes.data(), bytes.size(), id, category);
  return back;
}

TEST(EventRecord, PacksBigEndianWithTerminatedTexts) {
  std::vector<uint8_t> bytes = Packed(FromFeed(MakeEvent("u1", "Film", "About it")));
  ASSERT_EQ(bytes.size(), 62u + 4 + 8);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.data())), "u1");
  EXPECT_EQ(bytes[50], 0xC4);  // 3300000000 = 0xC4B20100
  EXPECT_EQ(bytes[51], 0xB2);
  EXPECT_EQ(bytes[52], 0x01);
  EXPECT_EQ(bytes[53], 0x00);
  EXPECT_EQ(bytes[58], 1);
  EXPECT_EQ(bytes[59], 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.data() + 60)), "Film");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.data() + 65)), "About it");
}

TEST(EventRecord, EmptyTextsMakeA62ByteRecord) {
  FeedEvent e;
  e.uid = "x";
  EXPECT_EQ(Packed(FromFeed(e)).size(), 62u);
}

TEST(EventRecord, RoundTripKeepsEveryField) {
  EventRecord original = FromFeed(MakeEvent("Uid-9", "Summary", "Description"));
  EventRecord back = Reloaded(original, 41, 3);
  EXPECT_STREQ(back.Uid(), "Uid-9");
  EXPECT_STREQ(back.Summary(), "Summary");
  EXPECT_EQ(back.Description(), "Description");
  EXPECT_EQ(back.StartTime(), 3300000000u);
  EXPECT_EQ(back.EndTime(), 3300003600u);
  EXPECT_EQ(back.UtcFlag(), 1);
  EXPECT_EQ(back.Id(), 41u);
  EXPECT_EQ(back.Category(), 3u);
  EXPECT_TRUE(back.SameAs(original));
}

TEST(EventRecord, FiftyCharacterUidReadsBackWithoutTerminator) {
  std::string uid(50, 'u');
  std::vector<uint8_t> bytes = Packed(FromFeed(MakeEvent(uid, "S")));
  EXPECT_NE(bytes[49], 0);
  EventRecord back;
  back.LoadPacked(bytes.data(), bytes.size(), 1, 0);
  EXPECT_EQ(std::string(back.Uid()), uid);
}

TEST(EventRecord, FeedTextsAreCutToTheirFields) {
  EventRecord r = FromFeed(MakeEvent(std::string(80, 'u'), std::string(700, 's'), std::string(600, 'd')));
  std::vector<uint8_t> bytes = Packed(r);
  EXPECT_EQ(bytes.size(), kEventRecordMaxSize);
  EventRecord back = Reloaded(r);
  EXPECT_EQ(std::string(back.Uid()).size(), 50u);
  EXPECT_EQ(std::string(back.Summary()), std::string(500, 's'));
  EXPECT_EQ(back.Description(), std::string(500, 'd'));
}

TEST(EventRecord, LongUidsSharingTheirFirstFiftyCharactersStayApart) {
  std::string common(60, 'g');
  std::string a = StoredEventUid(common + "-1@example.com");
  std::string b = StoredEventUid(common + "-2@example.com");
  EXPECT_EQ(a.size(), 50u);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.substr(0, 33), common.substr(0, 33));
  // Matching ignores letter case, and so does the stored form.
  EXPECT_EQ(TextString(StoredEventUid(common + "-1@EXAMPLE.com").c_str()).Compare(a.c_str()), 0);
  EXPECT_EQ(StoredEventUid(std::string(50, 'u')), std::string(50, 'u'));
  EXPECT_EQ(std::string(FromFeed(MakeEvent(common + "-1@example.com", "S")).Uid()), a);
}

TEST(EventRecord, EmptyRecordHasNoData) {
  EventRecord r;
  EXPECT_STREQ(r.Uid(), "<ERR-no data>");
  EXPECT_STREQ(r.Summary(), "<ERR-no data>");
  EXPECT_EQ(r.StartTime(), 0u);
  EXPECT_EQ(r.Id(), kNoRecordId);
  EXPECT_EQ(r.Category(), kNoCategory);
}

TEST(EventRecord, DamagedHandheldRecordIsReadWithinItsBytes) {
  // No terminators at all, and records cut short anywhere: never a read past the bytes.
  std::vector<uint8_t> bytes(70, 'z');
  for (size_t size = 0; size <= bytes.size(); ++size) {
    std::vector<uint8_t> exact(bytes.begin(), bytes.begin() + static_cast<long>(size));
    EventRecord r;
    r.LoadPacked(exact.data(), exact.size(), 1, 0);
    EXPECT_LE(std::strlen(r.Uid()), 50u);
    if (size > 60) {
      EXPECT_EQ(std::string(r.Summary()), std::string(size - 60, 'z'));
    }
  }
}

TEST(EventRecord, SameAsIgnoresLetterCaseOnly) {
  EventRecord a = FromFeed(MakeEvent("u", "Night Film", "d"));
  EXPECT_TRUE(a.SameAs(FromFeed(MakeEvent("U", "NIGHT film", "D"))));
  EXPECT_FALSE(a.SameAs(FromFeed(MakeEvent("u", "Night Films", "d"))));
  // Long texts are compared eight bytes at a time: only ASCII letters fold, wherever they stand.
  EventRecord b = FromFeed(MakeEvent("u", "Night Film at the Odeon [late]", "Caf\xC9 Bar @ nine"));
  EXPECT_TRUE(b.SameAs(FromFeed(MakeEvent("U", "NIGHT FILM AT THE odeon [LATE]", "cAF\xC9 bAR @ NINE"))));
  EXPECT_FALSE(b.SameAs(FromFeed(MakeEvent("u", "Night Film at the Odeum [late]", "Caf\xC9 Bar @ nine"))));
  EXPECT_FALSE(b.SameAs(FromFeed(MakeEvent("u", "Night Film at the Odeon {late}", "Caf\xC9 Bar @ nine"))));
  EXPECT_FALSE(b.SameAs(FromFeed(MakeEvent("u", "Night Film at the Odeon [late]", "Caf\xE9 Bar @ nine"))));
  EXPECT_FALSE(b.SameAs(FromFeed(MakeEvent("u", "Night Film at the Odeon [late]", "Caf\xC9 Bar ` nine"))));
  FeedEvent later = MakeEvent("u", "Night Film", "d");
  later.start += 1;
  EXPECT_FALSE(a.SameAs(FromFeed(later)));
  FeedEvent local = MakeEvent("u", "Night Film", "d");
  local.utc = 0;
  EXPECT_FALSE(a.SameAs(FromFeed(local)));
}

TEST(EventRecord, FeedEventWithTimeZoneNeverEqualsTheStoredRecord) {
  FeedEvent e = MakeEvent("u", "S");
  e.tzid = "Europe/Paris";
  EventRecord feed = FromFeed(e);
  EXPECT_FALSE(feed.SameAs(Reloaded(feed)));
}

TEST(EventRecord, RecordFilledAgainKeepsNothingOfTheEventBefore) {
  FeedEvent first = MakeEvent(std::string(70, 'u'), "First", "Described");
  first.tzid = "Europe/Paris";
  first.utc = 0;
  EventRecord r = FromFeed(first);
  FeedEvent second = MakeEvent("v", "Second");
  second.uid.reset();
  r.SetFromFeedEvent(second, 9, 3);
  EXPECT_STREQ(r.Uid(), "");
  EXPECT_STREQ(r.Summary(), "Second");
  EXPECT_EQ(r.Description(), "");
  EXPECT_EQ(r.TimeZoneId(), "");
  EXPECT_EQ(r.UtcFlag(), 1);
  EXPECT_EQ(r.Id(), 9u);
  EXPECT_EQ(r.Category(), 3u);
  EXPECT_TRUE(r.SameAs(FromFeed(second)));
}

TEST(UidSet, FindsEveryUidIgnoringCaseAsItGrows) {
  UidSet set;
  EXPECT_FALSE(set.Contains(""));
  for (int i = 0; i < 5000; ++i) set.Insert("uid-" + std::to_string(i) + "@Example");
  set.Insert("UID-17@EXAMPLE");
  set.Insert("");
  EXPECT_EQ(set.Count(), 5001u);
  EXPECT_TRUE(set.Contains("uid-4999@example"));
  EXPECT_TRUE(set.Contains("UID-0@EXAMPLE"));
  EXPECT_TRUE(set.Contains(""));
  EXPECT_FALSE(set.Contains("uid-5000@example"));
  EXPECT_FALSE(set.Contains("uid-1@exampl"));
  EXPECT_FALSE(set.Contains("uid-1@example."));
}

TEST(EventIndex, FindsRecordsByUidIgnoringCase) {
  EventIndex index;
  for (int i = 0; i < 300; ++i) index.Insert(Reloaded(FromFeed(MakeEvent("uid-" + std::to_string(i), "S")), i));
  EXPECT_EQ(index.Count(), 300u);
  EventRecord found;
  ASSERT_TRUE(index.Find("UID-123", &found));
  EXPECT_EQ(found.Id(), 123u);
  EXPECT_FALSE(index.Find("uid-300", &found));
  index.Clear();
  EXPECT_FALSE(index.Find("uid-1", &found));
}

TEST(EventIndex, UnseenRecordsAreVisitedInTheirOrderWithoutTheMarkedOnes) {
  EventIndex index;
  for (int i = 0; i < 100; ++i) index.Insert(Reloaded(FromFeed(MakeEvent("uid-" + std::to_string(i), "S")), i));
  index.Insert(Reloaded(FromFeed(MakeEvent("UID-5", "again")), 500));
  for (int i = 0; i < 100; i += 2) ASSERT_NE(index.FindAndMark(("Uid-" + std::to_string(i)).c_str()), nullptr);
  EXPECT_EQ(index.FindAndMark("uid-100"), nullptr);
  std::vector<uint32_t> unseen;
  index.ForEachUnseen([&](const EventRecord& record) { unseen.push_back(record.Id()); });
  ASSERT_EQ(unseen.size(), 50u);
  EXPECT_EQ(unseen[0], 1u);
  EXPECT_EQ(unseen[2], 500u);
  EXPECT_EQ(unseen[49], 99u);
}

TEST(EventIndex, LaterRecordWithTheSameUidReplacesTheEarlier) {
  EventIndex index;
  index.Insert(Reloaded(FromFeed(MakeEvent("Same", "first")), 1));
  index.Insert(Reloaded(FromFeed(MakeEvent("SAME", "second")), 2));
  EXPECT_EQ(index.Count(), 1u);
  EventRecord found;
  ASSERT_TRUE(index.Find("same", &found));
  EXPECT_EQ(found.Id(), 2u);
  EXPECT_STREQ(found.Summary(), "second");
}

TEST(EventAppInfo, NewBlockHasTheThreeDefaultLists) {
  EventAppInfo block;
  uint32_t now = 3300000000u + 12345;  // not on a day boundary
  InitEventAppInfo(now, &block);
  EXPECT_EQ(block.bytes[0], 0x03);
  EXPECT_EQ(block.bytes[1], 0x00);
  EXPECT_EQ(block.ListName(0), "DVD Releases");
  EXPECT_EQ(block.ListName(1), "Film Festivals");
  EXPECT_EQ(block.ListName(2), "Film Premieres");
  EXPECT_EQ(block.ListName(3), "");
  EXPECT_EQ(block.Address(0), std::string(DefaultFeedHost()) + "/cinevane/cal/DVD.asp");
  EXPECT_EQ(block.Address(1), std::string(DefaultFeedHost()) + "/cinevane/cal/FilmFest.asp");
  EXPECT_EQ(block.Address(2), std::string(DefaultFeedHost()) + "/cinevane/cal/Premiere.asp");
  EXPECT_EQ(block.Address(15), "");
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(block.bytes[258 + i], i);
    EXPECT_EQ(block.LastUpdate(i), now / 86400 * 86400 - 5184000u);
  }
  EXPECT_EQ(block.bytes[274], 16);
  EXPECT_EQ(block.bytes[1956], 0);
  // Dates are big-endian.
  uint32_t date = block.LastUpdate(0);
  EXPECT_EQ(block.bytes[1892], date >> 24);
}

TEST(EventAppInfo, TextsAreBoundedByTheirFields) {
  EventAppInfo block;
  std::memset(block.bytes, 'x', sizeof(block.bytes));
  EXPECT_EQ(block.ListName(4), std::string(15, 'x'));
  EXPECT_EQ(block.Address(15), std::string(100, 'x'));
  block.SetListName(4, "A very long list name");
  EXPECT_EQ(block.ListName(4), "A very long lis");
  EXPECT_EQ(block.ListName(5), std::string(15, 'x'));
  block.SetAddress(2, std::string(150, 'a'));
  EXPECT_EQ(block.Address(2), std::string(100, 'a'));
  EXPECT_EQ(block.Address(3), std::string(100, 'x'));
}

}  // namespace
