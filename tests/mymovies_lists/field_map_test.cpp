#include "textfiles/field_map.h"

#include <gtest/gtest.h>

namespace {

TEST(MovieFieldMap, StartsInTheDefaultColumnOrder) {
  MovieFieldMap map;
  EXPECT_EQ(map.Count(), 34);
  EXPECT_EQ(map.FieldForColumn(0), ToInt(MovieField::kTitle));
  EXPECT_EQ(map.FieldForColumn(4), ToInt(MovieField::kCategory));
  EXPECT_EQ(map.FieldForColumn(23), ToInt(MovieField::kMadeForTV));
  EXPECT_EQ(map.FieldForColumn(32), ToInt(MovieField::kAwards));
  EXPECT_EQ(map.FieldForColumn(33), ToInt(MovieField::kNotes));
  EXPECT_EQ(map.FieldForColumn(34), -1);
  EXPECT_EQ(map.FieldForColumn(-1), -1);
  EXPECT_EQ(map.ColumnForField(ToInt(MovieField::kCategory)), 4);
  EXPECT_EQ(map.ColumnForField(99), -1);
  EXPECT_FALSE(map.Append(1));
  EXPECT_TRUE(map.CanCustomize());
  bool seen[34] = {};
  for (int32_t column = 0; column < 34; ++column) seen[map.FieldForColumn(column)] = true;
  for (bool field : seen) EXPECT_TRUE(field);
}

TEST(MovieFieldMap, CustomMapsHoldAsManyColumnsAsAskedFor) {
  MovieFieldMap map;
  EXPECT_TRUE(map.BeginCustom(100));
  EXPECT_EQ(map.Count(), 0);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(map.Append(i % 34));
  EXPECT_FALSE(map.Append(1));
  EXPECT_EQ(map.Count(), 100);
  map.RevertToDefault();
  EXPECT_EQ(map.Count(), 34);
  EXPECT_EQ(map.Capacity(), 0);
  EXPECT_TRUE(map.BeginCustom(0));
  EXPECT_EQ(map.Capacity(), 1);
  map.Clear();
  EXPECT_EQ(map.Count(), 0);
  EXPECT_FALSE(map.Append(1));
  EXPECT_EQ(map.ColumnForField(ToInt(MovieField::kTitle)), -1);
}

TEST(MovieFieldMap, NamesCompareWithoutLetterCase) {
  MovieFieldMap map;
  EXPECT_EQ(map.FieldIndexByName("runningtime"), ToInt(MovieField::kRunningTime));
  EXPECT_EQ(map.FieldIndexByName("Runtime"), -1);
  EXPECT_EQ(map.FieldIndexByName("mpaa"), ToInt(MovieField::kMPAA));
  EXPECT_EQ(map.FieldIndexByName(""), -1);
  EXPECT_EQ(map.FieldIndexByName(nullptr), -1);
  char name[FieldMap::kNameBufferSize] = "junk";
  EXPECT_STREQ(map.FieldName(-1, name, sizeof name), "");
  EXPECT_STREQ(map.ColumnName(0, name, sizeof name), "Title");
  EXPECT_STREQ(map.FieldName(22, name, sizeof name), "ScreenEncoding");
  EXPECT_EQ(map.FieldName(34, name, sizeof name), nullptr);
  char tiny[4];
  EXPECT_STREQ(map.FieldName(22, tiny, sizeof tiny), "Scr");
}

TEST(FieldMap, APlainMapKnowsNoNamesAndCannotCustomize) {
  FieldMap map;
  EXPECT_EQ(map.Count(), 0);
  EXPECT_EQ(map.FieldForColumn(0), -1);
  EXPECT_FALSE(map.CanCustomize());
  EXPECT_FALSE(map.Append(3));  // capacity 0
  char name[8];
  EXPECT_EQ(map.FieldName(1, name, sizeof name), nullptr);
  EXPECT_EQ(map.FieldIndexByName("Title"), -1);
  EXPECT_TRUE(map.BeginCustom(2));
  EXPECT_TRUE(map.Append(3));
  EXPECT_EQ(map.ColumnForField(ToInt(MovieField::kCountry)), 0);
}

}  // namespace
