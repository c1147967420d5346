#include "textfiles/data_parser.h"
#include "textfiles/write_item.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/forwarding_clock.h"
#include "support/log_capture.h"
#include "movies/movie_item.h"
#include "movies/record_generator.h"
#include "textfiles/field_codec.h"
#include "textfiles/field_map.h"
#include "support/temp_dir.h"
#include "textfiles/desktop_file.h"
#include "platform/env.h"

namespace {

// A record that keeps the texts it is given, and can refuse one field.
class TextRecord : public DataRecord {
 public:
  bool Reset() override {
    texts.clear();
    return true;
  }
  bool GetFieldText(Clock&, int32_t index, char* buffer, int32_t* size) override {
    std::string text = texts[index];
    snprintf(buffer, static_cast<size_t>(*size), "%s", text.c_str());
    bool fitted = static_cast<int32_t>(text.size()) < *size;
    *size = static_cast<int32_t>(text.size());
    return fitted;
  }
  bool SetFieldText(Clock&, int32_t index, const char* text) override {
    if (index == refuse) return false;
    texts[index] = text;
    return true;
  }
  void CopyPresentFields(Clock&, DataRecord&) override {}
  std::map<int32_t, std::string> texts;
  int32_t refuse = -2;
};

class DataParserTest : public ::testing::Test {
 protected:
  // Attaches the parser to a file holding bytes.
  void Load(const std::string& bytes) {
    parser_.Stop();  // Windows keeps an open file from being rewritten
    WriteFileBytes(path_, bytes);
    parser_.Attach(&file_, &map_);
  }
  int32_t Next(TextRecord* record, bool allow_custom = true, bool* custom = nullptr) {
    record->Reset();
    record->FieldsPresent().SetAll(0);
    return ToInt(parser_.ParseItem(record, allow_custom, custom));
  }

  TempDir dir_;
  std::string path_ = dir_.Sub("MyMoviesImport.tab");
  DesktopFile file_{Env::Default().Files(), path_.c_str()};
  MovieFieldMap map_;
  DataParser parser_{Env::Default().Time()};
};

TEST_F(DataParserTest, AHeaderOfFieldNamesSetsACustomMap) {
  LogCapture log;
  Load("Title\tYEAR\r\nAlien\t1979\r\nBrazil\t1985\textra\r\n");
  TextRecord record;
  bool custom = false;
  ASSERT_EQ(Next(&record, true, &custom), 0);
  EXPECT_TRUE(custom);
  EXPECT_EQ(map_.Count(), 2);
  EXPECT_EQ(record.texts[1], "Alien");
  EXPECT_EQ(record.texts[4], "1979");
  EXPECT_EQ(record.FieldsPresent().Get(1), 1);
  EXPECT_EQ(record.FieldsPresent().Get(4), 1);
  EXPECT_EQ(record.FieldsPresent().Get(0), 0);
  EXPECT_EQ(parser_.GetLineNumber(), 2);
  EXPECT_TRUE(log.Has("<read field header line on line #1>\n"));
  EXPECT_TRUE(log.Has("<Using custom field mapping, consisting of 2 fields>\n"));
  ASSERT_EQ(Next(&record, true, &custom), 0);
  EXPECT_FALSE(custom);
  EXPECT_EQ(record.texts.size(), 2u);  // the third column is beyond the map
  EXPECT_EQ(Next(&record), 3);
}

TEST_F(DataParserTest, APartialHeaderRevertsToTheDefaultMapAndIsData) {
  LogCapture log;
  Load("Title\tYear\tNot a field\tMore\r\n");
  TextRecord record;
  bool custom = true;
  ASSERT_EQ(Next(&record, true, &custom), 0);
  EXPECT_FALSE(custom);
  EXPECT_EQ(map_.Count(), 34);
  EXPECT_EQ(record.texts[1], "Title");
  EXPECT_EQ(record.texts[4], "Year");
  EXPECT_EQ(record.texts[17], "Not a field");
  EXPECT_EQ(record.texts[18], "More");
  EXPECT_TRUE(log.Has("NOTE : a partial field list was detected, but it was invalid (2 valid field names "
                      "detected).  Reverting to default field mapping and treating this line as data.\n"));
}

TEST_F(DataParserTest, AFirstLineThatIsNoNameIsDataWithTheDefaultMap) {
  LogCapture log;
  Load("Alien\t1979\t117\tDVD\r\n");
  TextRecord record;
  bool custom = true;
  ASSERT_EQ(Next(&record, true, &custom), 0);
  EXPECT_FALSE(custom);
  EXPECT_EQ(record.texts[1], "Alien");
  EXPECT_EQ(record.texts[18], "DVD");
  EXPECT_EQ(record.FieldsPresent().Get(0), 0);  // missing trailing columns stay absent
  EXPECT_TRUE(log.Lines().empty());
}

TEST_F(DataParserTest, RepeatedHeaderLinesAreAllSkipped) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += "Title\tYear\r\n";
  bytes += "Alien\t1979\r\n";
  Load(bytes);
  TextRecord record;
  ASSERT_EQ(Next(&record), 0);
  EXPECT_EQ(record.texts[1], "Alien");
  EXPECT_EQ(Next(&record), 3);
}

TEST_F(DataParserTest, WithoutCustomMapsAHeaderIsSkippedAndTheMapStays) {
  Load("Year\tTitle\r\nAlien\t1979\r\n");
  TextRecord record;
  bool custom = true;
  ASSERT_EQ(Next(&record, false, &custom), 0);
  EXPECT_FALSE(custom);
  EXPECT_EQ(map_.Count(), 34);
  EXPECT_EQ(record.texts[1], "Alien");
  EXPECT_EQ(record.texts[4], "1979");
}

TEST_F(DataParserTest, ARejectedFieldStopsTheLineWithItsMessage) {
  Load("Alien\t1979\t117\r\nnext\r\n");
  TextRecord record;
  record.refuse = 4;
  ASSERT_EQ(Next(&record), 5);
  EXPECT_STREQ(parser_.GetErrorText(), "Error parsing field 2 ('Year') of line 1 ('1979')/DataParser error 0x5");
  EXPECT_EQ(record.texts.count(17), 0u);
  EXPECT_EQ(parser_.GetLineNumber(), 1);
}

TEST_F(DataParserTest, OnlyBlankLinesGiveEndOfData) {
  Load("\r\n\r\n\n\n");
  TextRecord record;
  EXPECT_EQ(Next(&record), 3);
  Load("");
  EXPECT_EQ(Next(&record), 3);
}

TEST_F(DataParserTest, StartFailsWithTheFilesMessageAndStartAgainRereads) {
  TextRecord record;
  EXPECT_EQ(ToInt(parser_.ParseItem(&record, true, nullptr)), 1);  // not attached
  EXPECT_EQ(ToInt(parser_.Start()), 1);
  parser_.Attach(&file_, &map_);
  EXPECT_EQ(ToInt(parser_.Start()), 2);
  EXPECT_STREQ(parser_.GetErrorText(),
               "Unable to start parsing/Generic DataParser error/unable to open FileBuffer/"
               "Generic FileBuffer error/Error preparing to open file/File not found");
  WriteFileBytes(path_, "A\r\nB\r\n");
  ASSERT_EQ(ToInt(parser_.Start()), 0);
  ASSERT_EQ(Next(&record), 0);
  EXPECT_EQ(record.texts[1], "A");
  ASSERT_EQ(ToInt(parser_.Start()), 0);
  ASSERT_EQ(Next(&record), 0);
  EXPECT_EQ(record.texts[1], "A");
  EXPECT_EQ(ToInt(parser_.Stop()), 0);
  EXPECT_FALSE(file_.IsOpen());
  EXPECT_EQ(ToInt(parser_.ParseItem(nullptr, true, nullptr)), 1);
}

TEST_F(DataParserTest, LineLongerThanTheReadWindowIsRefused) {
  Load("first\r\n" + std::string(40000, '\t') + "\r\nlast\r\n");
  TextRecord record;
  EXPECT_EQ(Next(&record), 0);
  EXPECT_EQ(Next(&record), 4);  // not read as three records of window-sized pieces
}

TEST_F(DataParserTest, BadBytesNeverStopTheFile) {
  std::string bytes = "12\" never closed\tTitle\tand more\r\n";  // a quote inside a field spans no line
  for (int i = 0; i < 200; ++i) bytes += "Title\t";           // 200 names, not on line 1
  bytes += "\r\n\"a, b\"\tc\r\nlast\r\n";
  Load(bytes);
  TextRecord record;
  int lines = 0;
  int32_t result;
  std::string title;
  while ((result = Next(&record)) == 0) {
    ++lines;
    title = record.texts[1];
  }
  EXPECT_EQ(result, 3);
  EXPECT_EQ(lines, 4);
  EXPECT_EQ(title, "last");
}

// A field that opens with a quote goes on to its closing quote, over line ends of every kind;
// the line numbers that follow are those of the file.
TEST_F(DataParserTest, QuotedFieldsSpanLinesOfTheFile) {
  LogCapture log;
  Load("\"a\r\n\r\nb\"\tx\r\n\"one\rtwo\nthree\"\" \"\"four\"\"\"\tbad date\r\nnext\t\" open\r\n" +
       std::string(30000, 'n') + "\r\n");
  TextRecord record;
  ASSERT_EQ(Next(&record), 0);
  EXPECT_EQ(record.texts[1], "a\n\nb");
  EXPECT_EQ(record.texts[4], "x");
  ASSERT_EQ(Next(&record), 0);
  EXPECT_EQ(record.texts[1], "one\ntwo\nthree\" \"four\"");
  // A quote still open when the line outgrows the buffer is a line too long, named by its number.
  EXPECT_EQ(Next(&record), 4);
  EXPECT_STREQ(parser_.GetErrorText(), "Line 7 is too long/DataParser error 0x4");
  EXPECT_EQ(parser_.GetFileLine(), 7);
}

// What no spreadsheet saved as tab-delimited text is refused at once; commas behind a TAB are text.
TEST_F(DataParserTest, FilesThatAreNoTabDelimitedTextAreRefused) {
  TextRecord record;
  Load("\r\n\xEF\xBB\xBFTitle,Year\r\nAlien,1979\r\n");
  EXPECT_EQ(Next(&record), 7);
  EXPECT_STREQ(parser_.RefusalReason(), "is not TAB-separated: save it as tab-delimited text");
  Load("Alien, the\t1979\r\nHeat;\t1995\r\n");
  EXPECT_EQ(Next(&record), 0);
  EXPECT_EQ(record.texts[1], "Alien, the");
  Load(std::string("Alien\t1979\r\nHeat\0\t1995\r\n", 23));
  EXPECT_EQ(Next(&record), 7);
  EXPECT_STREQ(parser_.RefusalReason(), "is not a text file: save it as tab-delimited text");
}

TEST_F(DataParserTest, AHeaderOf200NamesUsesTheFirst34) {
  std::string bytes;
  for (int i = 0; i < 200; ++i) bytes += std::string(i ? "\t" : "") + MovieFieldName(i % 34);
  Load(bytes + "\r\nv0\tv1\r\n");
  TextRecord record;
  bool custom = false;
  ASSERT_EQ(Next(&record, true, &custom), 0);
  EXPECT_TRUE(custom);
  EXPECT_EQ(map_.Count(), 34);
  EXPECT_EQ(map_.FieldForColumn(0), 0);
  EXPECT_EQ(record.texts[0], "v0");
  EXPECT_EQ(record.texts[1], "v1");
}

// A clock that counts the local times it is asked to convert.
class CountingClock : public ForwardingClock {
 public:
  using ForwardingClock::ForwardingClock;
  bool LocalToUtc(CivilTime* local, int64_t* utc) override {
    ++conversions;
    return ForwardingClock::LocalToUtc(local, utc);
  }
  int conversions = 0;
};

// The dates of a file are read with the desktop clock's answers, each local time asked once per
// reading of the file (a date that does not read is asked for too, then left blank; absurd
// numbers are asked for like any other).
TEST(DataParserDates, EachLocalTimeIsConvertedOncePerReadingOfTheFile) {
  TempDir dir;
  const std::string path = dir.Sub("MyMoviesImport.tab");
  WriteFileBytes(path, "Title\tLoanDate\tDueDate\r\nA\t3/1/2020\t3/8/2020\r\nB\t3/8/2020\t3/1/2020\r\n"
                       "C\t2/30/2020\t2020-03-01\r\nD\t999999999/999999999/2000\t3/1/2020\r\n");
  DesktopFile file(Env::Default().Files(), path.c_str());
  MovieFieldMap map;
  CountingClock clock(Env::Default().Time());
  DataParser parser(clock);
  ASSERT_EQ(parser.Attach(&file, &map), ParseResult::kOk);
  auto date = [](const char* text) {
    MovieItem item;
    item.Reset();
    item.SetFieldText(Env::Default().Time(), ToInt(MovieField::kLoanDate), text);
    return item.GetLoanDate();
  };
  const std::vector<std::pair<uint32_t, uint32_t>> expected = {
      {date("3/1/2020"), date("3/8/2020")}, {date("3/8/2020"), date("3/1/2020")}, {0u, date("3/1/2020")},
      {date("999999999/999999999/2000"), date("3/1/2020")}};
  for (int reading = 1; reading <= 2; ++reading) {
    ASSERT_EQ(parser.Start(), ParseResult::kOk);
    std::vector<std::pair<uint32_t, uint32_t>> read;
    MovieItem item;
    while (item.Reset(), parser.ParseItem(&item, true, nullptr) == ParseResult::kOk) {
      read.emplace_back(item.GetLoanDate(), item.GetDueDate());
    }
    EXPECT_EQ(read, expected);
    EXPECT_EQ(clock.conversions, 4 * reading);
  }
  parser.Stop();
}

#ifndef _WIN32
// A file is read in one time zone, taken at its first date; a change of TZ between two readings of
// the file is followed.
TEST(DataParserDates, AChangeOfTimeZoneBetweenReadingsIsFollowed) {
  TempDir dir;
  const std::string path = dir.Sub("MyMoviesImport.tab");
  WriteFileBytes(path, "Title\tLoanDate\r\nA\t3/1/2020\r\nB\t3/2/2020\r\n");
  const char* before = std::getenv("TZ");
  const std::string saved = before ? before : "";
  DesktopFile file(Env::Default().Files(), path.c_str());
  MovieFieldMap map;
  DataParser parser(Env::Default().Time());
  ASSERT_EQ(parser.Attach(&file, &map), ParseResult::kOk);
  auto read_all = [&parser] {
    std::vector<uint32_t> dates;
    EXPECT_EQ(parser.Start(), ParseResult::kOk);
    MovieItem item;
    while (item.Reset(), parser.ParseItem(&item, true, nullptr) == ParseResult::kOk) dates.push_back(item.GetLoanDate());
    return dates;
  };
  auto direct = [](const char* text) {
    MovieItem item;
    item.Reset();
    item.SetFieldText(Env::Default().Time(), ToInt(MovieField::kLoanDate), text);
    return item.GetLoanDate();
  };
  setenv("TZ", "UTC0", 1);
  const std::vector<uint32_t> in_utc = read_all();
  EXPECT_EQ(in_utc, (std::vector<uint32_t>{direct("3/1/2020"), direct("3/2/2020")}));
  setenv("TZ", "EST5", 1);
  const std::vector<uint32_t> in_new_york = read_all();
  EXPECT_EQ(in_new_york, (std::vector<uint32_t>{direct("3/1/2020"), direct("3/2/2020")}));
  EXPECT_NE(in_utc, in_new_york);
  parser.Stop();
  if (before) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
#endif

TEST(WriteItem, WritesTheHeaderAndLeavesOutUnmappedColumns) {
  TempDir dir;
  std::string path = dir.Sub("out.tab");
  DesktopFile file(Env::Default().Files(), path.c_str());
  MovieFieldMap map;
  Clock& clock = Env::Default().Time();
  EXPECT_FALSE(WriteItem(clock, &file, &map, nullptr));  // not open
  ASSERT_EQ(ToInt(file.OpenWrite()), 0);
  ASSERT_TRUE(WriteItem(clock, &file, &map, nullptr));
  map.BeginCustom(4);
  map.Append(-1);
  map.Append(1);
  map.Append(-1);
  map.Append(4);
  ASSERT_TRUE(WriteItem(clock, &file, &map, nullptr));
  MovieItem item;
  item.Reset();
  item.SetTitle(" \"Quoted\"\ttitle ");
  item.SetYear(1979);
  ASSERT_TRUE(WriteItem(clock, &file, &map, &item));
  ASSERT_EQ(ToInt(file.Close()), 0);
  std::string bytes = ReadFileBytes(path);
  std::string header = "Title\tYear\tRunningTime\tMediaType\tCategory\tDirector\tCountry\tGenre\tCast\t"
                       "LoanStatus\tLoanDate\tDueDate\tLoanLocation\tOwned\tViewed\tAcquired\tPrice\t"
                       "Catalog\tMediaQuantity\tMediaRegion\tColor\tScreenEncoding\tFilmProcess\t"
                       "MadeForTV\tAudioMono\tAudioStereo\tAudioDD20\tAudioDD51\tAudioDTS\tAudioTHX\t"
                       "Rating\tMPAA\tAwards\tNotes\r\n";
  EXPECT_EQ(bytes, header + "\tTitle\t\tYear\r\n" + "\t\"\"\"Quoted\"\"<<TAB>>title\"\t1979\r\n");
}

// A record hands over a line's texts at once: each must be its field's text, encoded.
TEST(WriteItem, EveryFieldIsWrittenAsItsTextEncoded) {
  TempDir dir;
  std::string path = dir.Sub("lines.tab");
  DesktopFile file(Env::Default().Files(), path.c_str());
  ASSERT_EQ(ToInt(file.OpenWrite()), 0);
  MovieFieldMap map;
  Clock& clock = Env::Default().Time();
  std::string expected;
  for (uint32_t n = 0; n < 300; ++n) {
    std::vector<uint8_t> bytes = record_generator::PackedRecord(n);
    MovieItem item;
    item.SetPackedRecord(bytes.data(), static_cast<uint32_t>(bytes.size()));
    // Every third one from its unpacked form.
    if (n % 3 == 0) item.SetPrice(" 9.99\t");
    for (int32_t column = 0; column < map.Count(); ++column) {
      char text[2000];
      int32_t size = sizeof text;
      ASSERT_TRUE(item.GetFieldText(clock, map.FieldForColumn(column), text, &size));
      expected += std::string(column > 0 ? "\t" : "") + EncodeField(text).Text();
    }
    expected += "\r\n";
    ASSERT_TRUE(WriteItem(clock, &file, &map, &item));
  }
  ASSERT_EQ(ToInt(file.Close()), 0);
  EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(WriteItem, ALineOfManyEscapedLongFieldsIsWrittenWhole) {
  TempDir dir;
  std::string path = dir.Sub("big.tab");
  DesktopFile file(Env::Default().Files(), path.c_str());
  ASSERT_EQ(ToInt(file.OpenWrite()), 0);
  MovieFieldMap map;
  Clock& clock = Env::Default().Time();
  MovieItem item;
  item.Reset();
  std::string tabs(500, '\t');
  item.SetDirector(tabs.c_str());
  item.SetCast(tabs.c_str());
  item.SetNotes(tabs.c_str());
  item.SetTitle(std::string(180, '"').c_str());
  ASSERT_TRUE(WriteItem(clock, &file, &map, &item));
  ASSERT_EQ(ToInt(file.Close()), 0);
  EXPECT_GT(ReadFileBytes(path).size(), 10000u);
  // It reads back to the same item.
  DataParser parser(clock);
  parser.Attach(&file, &map);
  MovieItem back;
  back.Reset();
  ASSERT_EQ(ToInt(parser.ParseItem(&back, true, nullptr)), 0);
  EXPECT_STREQ(back.GetDirector(), tabs.c_str());
  EXPECT_TRUE(back.IsSameAs(item));
}

}  // namespace
