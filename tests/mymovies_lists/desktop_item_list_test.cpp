#include "mymovies/desktop_item_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "movies/movie_item.h"

namespace {

MovieItem* Item(const char* title) {
  MovieItem* item = new MovieItem;
  item->Reset();
  item->SetTitle(title);
  return item;
}

std::vector<std::string> Keys(DesktopItemList& list) {
  std::vector<std::string> keys;
  TextString key;
  MovieItem* item = nullptr;
  for (bool more = list.First(&key, &item); more; more = list.Next(&key, &item)) keys.emplace_back(key.Text());
  EXPECT_TRUE(key.IsEmpty());
  EXPECT_EQ(item, nullptr);
  return keys;
}

TEST(DesktopItemList, AnEmptyListFindsAndDeliversNothing) {
  DesktopItemList list;
  MovieItem* item = reinterpret_cast<MovieItem*>(&list);
  EXPECT_FALSE(list.Find("x", &item));
  EXPECT_EQ(item, reinterpret_cast<MovieItem*>(&list));
  TextString key("stale");
  EXPECT_FALSE(list.First(&key, &item));
  EXPECT_TRUE(key.IsEmpty());
  EXPECT_EQ(item, nullptr);
  EXPECT_FALSE(list.Next(&key, &item));
}

TEST(DesktopItemList, KeysComeInOrderWithPunctuationLast) {
  DesktopItemList list;
  list.Add(Item("b"), "b");
  list.Add(Item("(x)"), "(x)");
  list.Add(Item("A"), "A");
  list.Add(Item("c"), "c");
  EXPECT_EQ(Keys(list), (std::vector<std::string>{"A", "b", "c", "(x)"}));
  MovieItem* found = nullptr;
  ASSERT_TRUE(list.Find("B", &found));
  EXPECT_STREQ(found->GetTitle(), "b");
}

TEST(DesktopItemList, AddingAnExistingKeyReplacesItsItemAndText) {
  DesktopItemList list;
  MovieItem* first = Item("first");
  MovieItem* second = Item("second");
  list.Add(first, "Alien");
  list.Add(second, "alien");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(Keys(list), std::vector<std::string>{"alien"});
  MovieItem* found = nullptr;
  ASSERT_TRUE(list.Find("ALIEN", &found));
  EXPECT_EQ(found, second);
  delete first;  // the caller's again
}

TEST(DesktopItemList, FindDoesNotDisturbAnIteration) {
  DesktopItemList list;
  for (int i = 0; i < 250; ++i) {
    char key[16];
    snprintf(key, sizeof key, "key%05d", i);
    list.Add(Item(key), key);
  }
  TextString key;
  MovieItem* item = nullptr;
  int delivered = 0;
  std::string previous;
  for (bool more = list.First(&key, &item); more; more = list.Next(&key, &item)) {
    ASSERT_LT(previous, std::string(key.Text()));
    previous = key.Text();
    EXPECT_STREQ(item->GetTitle(), key.Text());
    MovieItem* other = nullptr;
    EXPECT_TRUE(list.Find("key00000", &other));
    ++delivered;
  }
  EXPECT_EQ(delivered, 250);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.First(&key, &item));
}

}  // namespace
