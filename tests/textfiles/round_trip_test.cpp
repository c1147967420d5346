// A record read from the handheld, exported and imported again is the same record.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "movies/movie_categories.h"
#include "movies/movie_item.h"
#include "movies/record_generator.h"
#include "textfiles/field_map.h"
#include "support/temp_dir.h"
#include "textfiles/data_parser.h"
#include "textfiles/field_codec.h"
#include "textfiles/write_item.h"
#include "textfiles/desktop_file.h"
#include "platform/env.h"

namespace {

constexpr uint32_t kRecords = 78 * 3;  // every row of every table, three times over

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint8_t> block(276, 0);
    block[0] = 5;
    const char* names[] = {"Unfiled Movies", "Favorites", "My Top 20", "Recorded", "To Buy", "To Rent"};
    for (int i = 0; i < 6; ++i) std::copy(names[i], names[i] + strlen(names[i]), block.begin() + 2 + 16 * i);
    categories_.LoadFromBlock(block.data(), block.size());
    SetCurrentMovieCategories(&categories_);
  }
  void TearDown() override { SetCurrentMovieCategories(nullptr); }

  // Exports the items with a header line and imports them again.
  std::vector<std::unique_ptr<MovieItem>> ExportAndImport(std::vector<std::unique_ptr<MovieItem>>& items) {
    std::string path = dir_.Sub("MyMoviesExport.tab");
    DesktopFile out(Env::Default().Files(), path.c_str());
    MovieFieldMap export_map;
    Clock& clock = Env::Default().Time();
    EXPECT_EQ(ToInt(out.OpenWrite()), 0);
    EXPECT_TRUE(WriteItem(clock, &out, &export_map, nullptr));
    for (auto& item : items) EXPECT_TRUE(WriteItem(clock, &out, &export_map, item.get()));
    EXPECT_EQ(ToInt(out.Close()), 0);

    DesktopFile in(Env::Default().Files(), path.c_str());
    MovieFieldMap import_map;
    DataParser parser(clock);
    parser.Attach(&in, &import_map);
    std::vector<std::unique_ptr<MovieItem>> back;
    for (;;) {
      auto item = std::make_unique<MovieItem>();
      item->Reset();
      bool custom = false;
      int32_t result = ToInt(parser.ParseItem(item.get(), true, &custom));
      if (result != 0) {
        EXPECT_EQ(result, 3) << parser.GetErrorText();
        break;
      }
      back.push_back(std::move(item));
    }
    parser.Stop();
    return back;
  }

  TempDir dir_;
  MovieCategories categories_{nullptr};
};

TEST_F(RoundTrip, HandheldRecordsReadBackTheSameThroughTheFiles) {
  std::vector<std::unique_ptr<MovieItem>> items;
  for (uint32_t n = 0; n < kRecords; ++n) {
    std::vector<uint8_t> bytes = record_generator::PackedRecord(n);
    items.push_back(std::make_unique<MovieItem>());
    items.back()->SetPackedRecord(bytes.data(), static_cast<uint32_t>(bytes.size()));
    items.back()->SetCategory(n % 6);
  }
  std::vector<std::unique_ptr<MovieItem>> back = ExportAndImport(items);
  ASSERT_EQ(back.size(), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    ASSERT_TRUE(back[i]->IsSameAs(*items[i])) << "record " << i << ": " << items[i]->Describe();
    ASSERT_EQ(back[i]->GetCategory(), items[i]->GetCategory()) << i;
    // Every column was read, except an empty last one (Notes): nothing follows a trailing TAB.
    for (int32_t field = 0; field < kMovieFieldCount; ++field) {
      if (field == 32 && CompareTrimmed(items[i]->GetNotes(), "") == 0) continue;
      ASSERT_EQ(back[i]->FieldsPresent().Get(field), 1) << field;
    }
  }

  // What the conduit packed once comes back byte for byte.
  std::vector<std::unique_ptr<MovieItem>> again = ExportAndImport(back);
  ASSERT_EQ(again.size(), back.size());
  for (size_t i = 0; i < back.size(); ++i) {
    uint32_t size_a = 0, size_b = 0;
    const uint8_t* a = back[i]->GetPackedRecord(&size_a);
    const uint8_t* b = again[i]->GetPackedRecord(&size_b);
    ASSERT_EQ(std::vector<uint8_t>(a, a + size_a), std::vector<uint8_t>(b, b + size_b)) << i;
  }
}

// A record writes its lines itself: each column's text as GetFieldText gives it, encoded, whether the
// texts come from the packed or the unpacked form, for records cut short, and for maps that leave
// columns without a field or repeat one.
TEST_F(RoundTrip, LinesHoldTheEncodedTextOfEachColumnInEitherForm) {
  Clock& clock = Env::Default().Time();
  MovieFieldMap every;
  MovieFieldMap gaps;
  ASSERT_TRUE(gaps.BeginCustom(7));
  for (int32_t field : {-1, 33, 7, -1, 10, 7, 0}) ASSERT_TRUE(gaps.Append(field));
  std::string path = dir_.Sub("lines.tab");
  DesktopFile out(Env::Default().Files(), path.c_str());
  ASSERT_EQ(ToInt(out.OpenWrite()), 0);
  std::string expected;
  for (uint32_t n = 0; n < 240; ++n) {
    // Every bit the handheld may set, relative due dates and award bits past the table included.
    std::vector<uint8_t> bytes = record_generator::PackedRecord(n, {false});
    if (n % 4 == 1) bytes.resize(bytes.size() / 2);  // cut inside its texts
    if (n % 4 == 3) bytes.resize(n % 34);            // cut inside its fixed part
    MovieItem packed;
    packed.SetPackedRecord(bytes.data(), static_cast<uint32_t>(bytes.size()));
    packed.SetCategory(n % 7);
    MovieItem both = packed;
    ASSERT_NE(both.GetTransRecord(), nullptr);
    MovieItem unpacked = packed;
    unpacked.SetTitle(std::string(unpacked.GetTitle()).c_str());
    ASSERT_FALSE(unpacked.IsPackedValid());
    for (MovieFieldMap* map : {&every, &gaps}) {
      for (MovieItem* item : {&packed, &both, &unpacked}) {
        ASSERT_TRUE(WriteItem(clock, &out, map, item));
        for (int32_t column = 0; column < map->Count(); ++column) {
          const int32_t field = map->FieldForColumn(column);
          if (field == -1) continue;
          char text[2000];
          int32_t size = sizeof text;
          ASSERT_TRUE(item->GetFieldText(clock, field, text, &size));
          if (column > 0) expected += '\t';
          AppendEncodedField(&expected, text);
        }
        expected += "\r\n";
      }
    }
  }
  ASSERT_EQ(ToInt(out.Close()), 0);
  std::ifstream in(path, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(written.size(), expected.size());
  for (size_t at = 0; at < written.size(); at += 4096) ASSERT_EQ(written.substr(at, 4096), expected.substr(at, 4096)) << at;
}

}  // namespace
