#include "mymovies/item_matching.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "diag/sync_log.h"
#include "movies/movie_item.h"
#include "mymovies/desktop_item_list.h"
#include "support/temp_dir.h"
#include "platform/env.h"

namespace {

// The debug log of a test: every LogSync and LogAudit line, with the full activity audit on.
class MatchingTest : public ::testing::Test {
 protected:
  MatchingTest() : log_(Env::Default(), nullptr, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt") {
    SetLogLevel(8);
  }
  ~MatchingTest() override { SetLogLevel(4); }

  std::string DebugLog() const {
    FlushLogFiles();
    return ReadFileBytes(dir_.Sub("kvrtdebuglog.txt"));
  }
  std::string SyncLogText() const { return ReadFileBytes(dir_.Sub("kvrtsynclog.txt")); }

  static MovieItem Movie(const char* title, int year = 1979, const char* run_time = "117") {
    MovieItem item;
    item.Reset();
    item.SetTitle(title);
    item.SetYear(year);
    item.SetRunTime(run_time);
    return item;
  }
  // A movie as the handheld pass reads it: packed form only, with a record ID and a category.
  static std::unique_ptr<MovieItem> Record(MovieItem content, uint32_t id, uint32_t category = 0) {
    auto record = std::make_unique<MovieItem>();
    uint32_t size = 0;
    const uint8_t* bytes = content.GetPackedRecord(&size);
    record->SetPackedRecord(bytes, size);
    record->SetRecordId(id);
    record->SetCategory(category);
    return record;
  }
  void List(MovieItem item, int32_t line = 2) {
    ASSERT_EQ(ListImportItem(item, line, list_, totals_, &last_), MatchResult::kOk);
  }
  std::string Match(MovieItem& record, ConflictMode mode, int32_t count = 1, bool import_on = true) {
    TextString paired;
    EXPECT_EQ(MatchDeviceItem(Env::Default().Time(), record, record.BuildKey(), count, mode, import_on, list_, &paired),
              MatchResult::kOk);
    return paired.Text();
  }
  // A copy of the listed entry (content and markers), null when the key is not listed.
  std::unique_ptr<MovieItem> Entry(const std::string& key) {
    ItemRef ref = kNoItem;
    if (!list_.Find(key.c_str(), &ref)) return nullptr;
    auto item = std::make_unique<MovieItem>();
    list_.Load(ref, item.get());
    return item;
  }

  TempDir dir_;
  SyncLog log_;
  DesktopItemList list_;
  ImportTotals totals_;
  ItemRef last_ = kNoItem;
};

const std::string kAlienKey = "Alien1979117DVD";

TEST_F(MatchingTest, KeyVariantHasTwoDigitsAtLeast) {
  EXPECT_STREQ(KeyVariant("K", 1).Text(), "K!!01");
  EXPECT_STREQ(KeyVariant("K", 50).Text(), "K!!50");
  EXPECT_STREQ(KeyVariant("K", 100).Text(), "K!!100");
}

TEST_F(MatchingTest, ImportLinesDifferingInLetterCaseShareAKey) {
  List(Movie("Alien"), 2);
  List(Movie("ALIEN"), 3);
  ASSERT_NE(Entry(kAlienKey), nullptr);
  auto second = Entry(kAlienKey + "!!01");
  ASSERT_NE(second, nullptr);
  EXPECT_STREQ(second->GetTitle(), "ALIEN");
  EXPECT_TRUE(second->OnDesktop());
  ItemRef listed = kNoItem;
  ASSERT_TRUE(list_.Find((kAlienKey + "!!01").c_str(), &listed));
  EXPECT_EQ(last_, listed);
  EXPECT_EQ(totals_.duplicates_processed, 1u);
  EXPECT_NE(SyncLogText().find("WARNING : Import line 3 (ALIEN (DVD-1979, 117m)) has the same key (ALIEN1979117DVD!!01)"
                               " as an item already imported.  This record will import, but may not match the "
                               "expected device record.\r\n"),
            std::string::npos)
      << SyncLogText();
  EXPECT_NE(DebugLog().find("  Added to list with key 'Alien1979117DVD'\r\n"), std::string::npos);
}

TEST_F(MatchingTest, FiftyFirstImportLineWithOneKeyIsSkipped) {
  for (int line = 2; line <= 52; ++line) List(Movie("Alien"), line);
  EXPECT_NE(Entry(kAlienKey + "!!49"), nullptr);
  EXPECT_EQ(Entry(kAlienKey + "!!50"), nullptr);
  EXPECT_EQ(totals_.duplicates_processed, 49u);
  EXPECT_EQ(totals_.duplicates_skipped, 1u);
  EXPECT_NE(SyncLogText().find("WARNING : Import line 52 (Alien (DVD-1979, 117m)) has the same key (Alien1979117DVD) as "
                               "many items already imported.  This record has been skipped and WILL NOT IMPORT.\r\n"),
            std::string::npos);
}

TEST_F(MatchingTest, SecondRecordWithOneKeyIsListedUnderAVariantWithoutDesktopPartner) {
  List(Movie("Alien"));
  auto first = Record(Movie("Alien"), 7);
  auto second = Record(Movie("Alien"), 8);
  EXPECT_EQ(Match(*first, ConflictMode::kDesktopOverwrites), kAlienKey);
  EXPECT_EQ(Match(*second, ConflictMode::kDesktopOverwrites, 2), kAlienKey + "!!01");
  auto entry = Entry(kAlienKey + "!!01");
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->Matched());
  EXPECT_FALSE(entry->OnDesktop());
  auto first_entry = Entry(kAlienKey);
  ASSERT_NE(first_entry, nullptr);
  EXPECT_EQ(first_entry->GetRecordId(), 7u);
  EXPECT_NE(DebugLog().find(" [DUPE KEY][NO DESKTOP MATCH ][DOES NOT EXIST ON DESKTOP, OR ALL DESKTOP ITEMS MATCHED] "),
            std::string::npos)
      << DebugLog();
}

TEST_F(MatchingTest, SecondRecordPairsWithTheSecondLineOfItsKey) {
  MovieItem line2 = Movie("Alien");
  line2.SetNotes("second");
  List(Movie("Alien"), 2);
  List(line2, 3);
  auto first = Record(Movie("Alien"), 7);
  auto second = Record(Movie("Alien"), 8);
  Match(*first, ConflictMode::kDesktopOverwrites);
  EXPECT_EQ(Match(*second, ConflictMode::kDesktopOverwrites, 2), kAlienKey + "!!01");
  auto entry = Entry(kAlienKey + "!!01");
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->OnDesktop());
  EXPECT_TRUE(entry->Matched());
  EXPECT_TRUE(entry->WriteBack());
  EXPECT_EQ(entry->GetRecordId(), 8u);
  EXPECT_NE(DebugLog().find(" [DUPE KEY][EXISTS ON DESKTOP] [ITEMS DIFFER] [will be replaced on device] "),
            std::string::npos)
      << DebugLog();
}

TEST_F(MatchingTest, IdenticalPairIsNeverWrittenInAnyMode) {
  for (int32_t mode = 0; mode < 4; ++mode) {
    DesktopItemList list;
    list_.Clear();
    List(Movie("Alien"));
    auto record = Record(Movie("Alien"), 7);
    Match(*record, static_cast<ConflictMode>(mode));
    auto entry = Entry(kAlienKey);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->Matched()) << mode;
    EXPECT_FALSE(entry->WriteBack()) << mode;
    EXPECT_EQ(entry->GetRecordId(), 7u);
  }
  EXPECT_NE(DebugLog().find("[EXISTS ON DESKTOP] [ITEMS MATCH] "), std::string::npos);
}

TEST_F(MatchingTest, PairDifferingOnlyInCategoryDiffers) {
  List(Movie("Alien"));
  auto record = Record(Movie("Alien"), 7, 3);
  Match(*record, ConflictMode::kIgnoreDesktop);
  EXPECT_NE(DebugLog().find("[EXISTS ON DESKTOP] [ITEMS DIFFER] [no action will be taken] "), std::string::npos);
  auto entry = Entry(kAlienKey);
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->Matched());
  EXPECT_FALSE(entry->WriteBack());
}

TEST_F(MatchingTest, AddNewModeFreesTheKeyOfADifferingPair) {
  MovieItem line = Movie("Alien");
  line.SetNotes("desktop");
  List(line);
  auto record = Record(Movie("Alien"), 7);
  Match(*record, ConflictMode::kAddNew);
  auto entry = Entry(kAlienKey);
  ASSERT_NE(entry, nullptr);
  EXPECT_FALSE(entry->Matched());
  EXPECT_EQ(entry->GetRecordId(), 0xFFFFFFFFu);
  EXPECT_NE(DebugLog().find("[ITEMS DIFFER] [will be added to device] "), std::string::npos);
  // The freed key pairs the next record with the same desktop item.
  auto again = Record(Movie("Alien"), 8);
  EXPECT_EQ(Match(*again, ConflictMode::kAddNew, 2), kAlienKey);
}

TEST_F(MatchingTest, MergeModeKeepsHandheldFieldsThatHadNoColumn) {
  MovieItem line = Movie("Alien");
  line.SetNotes("");
  line.FieldsPresent().Set(ToInt(MovieField::kNotes), 1);  // a column, empty
  List(line);
  MovieItem content = Movie("Alien");
  content.SetDirector("Ridley Scott");
  content.SetNotes("handheld notes");
  auto record = Record(content, 7, 2);
  Match(*record, ConflictMode::kMergeFields);
  auto merged = Entry(kAlienKey);
  ASSERT_NE(merged, nullptr);
  EXPECT_TRUE(merged->OnDesktop() && merged->Matched() && merged->WriteBack());
  EXPECT_STREQ(merged->GetDirector(), "Ridley Scott");
  EXPECT_STREQ(merged->GetNotes(), "");
  EXPECT_EQ(merged->GetCategory(), 2u);
  EXPECT_EQ(merged->GetRecordId(), 7u);
  EXPECT_NE(DebugLog().find("[ITEMS DIFFER] [will be updated on device] "), std::string::npos);
}

TEST_F(MatchingTest, RecordWithoutImportLineIsListedButNeverWritten) {
  auto record = Record(Movie("Alien"), 7);
  EXPECT_EQ(Match(*record, ConflictMode::kDesktopOverwrites), kAlienKey);
  auto entry = Entry(kAlienKey);
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->Matched());
  EXPECT_FALSE(entry->OnDesktop());
  EXPECT_NE(DebugLog().find("[DOES NOT EXIST ON DESKTOP, OR ALL DESKTOP ITEMS MATCHED] "), std::string::npos);
}

TEST_F(MatchingTest, FiftySecondRecordWithOneKeyIsNotMatched) {
  std::vector<std::unique_ptr<MovieItem>> records;
  std::string paired;
  for (int32_t count = 1; count <= 52; ++count) {
    // The audit flushes every tag to the disk: trace the last record only.
    SetLogLevel(count == 52 ? 8 : 4);
    records.push_back(Record(Movie("Alien"), static_cast<uint32_t>(count)));
    paired = Match(*records.back(), ConflictMode::kDesktopOverwrites, count, false);
  }
  EXPECT_EQ(paired, kAlienKey);
  EXPECT_NE(Entry(kAlienKey + "!!50"), nullptr);
  EXPECT_NE(DebugLog().find(" [DUPE KEY]" + std::string(50, '*') + "WARNING : Export line 52 "), std::string::npos);
  EXPECT_NE(DebugLog().find("importing.\r\n[TOO MANY DUPLICATE DEVICE KEYS, SKIPPING MATCH (record will still export)] "),
            std::string::npos);
  std::string sync = SyncLogText();
  EXPECT_NE(sync.find("WARNING : Export line 52 (Alien (DVD-1979, 117m)) has the same key (Alien1979117DVD) as too many "
                      "items already exported.  This record will export BUT WILL NOT MATCH a desktop record if "
                      "importing.\r\n"),
            std::string::npos);
  // Import is off: the second warning is not written.
  EXPECT_EQ(sync.find("on the device will export, but will not match"), std::string::npos);
  auto extra = Record(Movie("Alien"), 53);
  Match(*extra, ConflictMode::kDesktopOverwrites, 53, true);
  EXPECT_NE(SyncLogText().find("WARNING : Ro Vedevu record #53 (Alien (DVD-1979, 117m)) on the device will export, but "
                               "will not match because it's key ('Alien1979117DVD') was the same as too many "
                               "previously read records.\r\n"),
            std::string::npos);
}

}  // namespace
