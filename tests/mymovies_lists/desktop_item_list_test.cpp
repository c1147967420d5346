#include "mymovies/desktop_item_list.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "movies/movie_item.h"

namespace {

MovieItem Item(const char* title) {
  MovieItem item;
  item.Reset();
  item.SetTitle(title);
  return item;
}

std::string TitleOf(const DesktopItemList& list, ItemRef ref) {
  MovieItem item;
  list.Load(ref, &item);
  return item.GetTitle();
}

std::vector<std::string> Keys(DesktopItemList& list) {
  std::vector<std::string> keys;
  TextString key;
  ItemRef ref = kNoItem;
  for (bool more = list.First(&key, &ref); more; more = list.Next(&key, &ref)) keys.emplace_back(key.Text());
  EXPECT_TRUE(key.IsEmpty());
  EXPECT_EQ(ref, kNoItem);
  return keys;
}

TEST(DesktopItemList, AnEmptyListFindsAndDeliversNothing) {
  DesktopItemList list;
  ItemRef ref = 12345;
  EXPECT_FALSE(list.Find("x", &ref));
  EXPECT_EQ(ref, 12345u);
  TextString key("stale");
  EXPECT_FALSE(list.First(&key, &ref));
  EXPECT_TRUE(key.IsEmpty());
  EXPECT_EQ(ref, kNoItem);
  EXPECT_FALSE(list.Next(&key, &ref));
}

TEST(DesktopItemList, KeysComeInOrderWithPunctuationLast) {
  DesktopItemList list;
  for (const char* key : {"b", "(x)", "A", "c"}) {
    MovieItem item = Item(key);
    list.Add(item, key);
  }
  // A key that begins with the title (trimmed, as BuildKey takes it) and one that does not.
  MovieItem blanks = Item("  Ca ");
  list.Add(blanks, "Ca1979");
  list.Add(blanks, "Cab");
  EXPECT_EQ(Keys(list), (std::vector<std::string>{"A", "b", "c", "Ca1979", "Cab", "(x)"}));
  ItemRef found = kNoItem;
  ASSERT_TRUE(list.Find("cA1979", &found));
  EXPECT_EQ(TitleOf(list, found), "  Ca ");
  ASSERT_TRUE(list.Find("B", &found));
  EXPECT_EQ(TitleOf(list, found), "b");
}

TEST(DesktopItemList, AddingAnExistingKeyReplacesItsContentAndText) {
  DesktopItemList list;
  MovieItem first = Item("first");
  MovieItem second = Item("second");
  ItemRef a = list.Add(first, "Alien");
  ItemRef b = list.Add(second, "alien");
  EXPECT_EQ(a, b);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(Keys(list), std::vector<std::string>{"alien"});
  ItemRef found = kNoItem;
  ASSERT_TRUE(list.Find("ALIEN", &found));
  EXPECT_EQ(TitleOf(list, found), "second");
  list.Rekey(found, "ALIEN");
  EXPECT_EQ(Keys(list), std::vector<std::string>{"ALIEN"});
  EXPECT_EQ(TitleOf(list, found), "second");
  // Keys of every length around the eight bytes compared at once: letter case ignored to the
  // last byte, and nothing else folded ('[' is not '{', '@' not '`').
  for (const std::string key : {"Abcdefgh", "Abcdefghi", "The Movie Title 19", "Seventeen bytes!x", "Z[1]@"}) {
    MovieItem item = Item(key.c_str());
    list.Add(item, key.c_str());
    std::string upper = key;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(list.Find(upper.c_str(), &found)) << upper;
    EXPECT_EQ(TitleOf(list, found), key);
    std::string changed = key;
    changed.back() = changed.back() == '!' ? '"' : '~';
    EXPECT_FALSE(list.Find(changed.c_str(), &found)) << changed;
  }
  EXPECT_FALSE(list.Find("Z{1}@", &found));
  EXPECT_FALSE(list.Find("Z[1]`", &found));
}

// The list keeps a copy in a few bytes: everything the run reads back must survive it.
TEST(DesktopItemList, AnEntryGivesBackContentMarkersRecordIdCategoryAndPresence) {
  DesktopItemList list;
  MovieItem item = Item("Alien");
  item.SetNotes(std::string(500, 'n').c_str());
  item.SetCategory(14);
  item.SetRecordId(0x00ABCDEF);
  item.SetOnDesktop(1);
  item.FieldsPresent().Set(0, 1);
  item.FieldsPresent().Set(33, 1);
  ItemRef ref = list.Add(item, "k");
  ItemRef none = list.Add(item, "other");
  list.SetWriteBack(ref, true);
  MovieItem back;
  list.Load(ref, &back);
  EXPECT_TRUE(back.IsSameAs(item));
  EXPECT_EQ(back.GetCategory(), 14u);
  EXPECT_EQ(back.GetRecordId(), 0x00ABCDEFu);
  EXPECT_TRUE(back.OnDesktop() && back.WriteBack() && !back.Matched());
  for (int32_t field = 0; field < kMovieFieldCount; ++field) {
    EXPECT_EQ(back.FieldsPresent().Get(field), field == 0 || field == 33) << field;
  }
  item.SetCategory(0xFFFFFFFFu);
  list.Add(item, "other");
  EXPECT_EQ(list.GetCategory(none), 0xFFFFFFFFu);
  ItemRef held = list.AddPlaceholder("held");
  EXPECT_TRUE(list.Matched(held));
  EXPECT_FALSE(list.OnDesktop(held));
}

TEST(DesktopItemList, FindDoesNotDisturbAnIteration) {
  DesktopItemList list;
  // Enough entries for the index to grow several times.
  for (int i = 0; i < 5000; ++i) {
    char key[16];
    snprintf(key, sizeof key, "key%05d", i);
    MovieItem item = Item(key);
    list.Add(item, key);
  }
  TextString key;
  ItemRef ref = kNoItem;
  int delivered = 0;
  std::string previous;
  for (bool more = list.First(&key, &ref); more; more = list.Next(&key, &ref)) {
    ASSERT_LT(previous, std::string(key.Text()));
    previous = key.Text();
    EXPECT_EQ(TitleOf(list, ref), key.Text());
    ItemRef other = kNoItem;
    EXPECT_TRUE(list.Find("key00000", &other));
    ++delivered;
  }
  EXPECT_EQ(delivered, 5000);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.First(&key, &ref));
}

}  // namespace
