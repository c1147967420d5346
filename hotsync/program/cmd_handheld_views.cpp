// hotsync handheld movies | events [--format table|tsv|json]: the handheld's movie and event
// records in words. The records are read with the conduit's own record code, so what is shown is
// what the conduit sees; movies in tsv are written by the export's own line writer.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/handheld.h"
#include "events/event_record.h"
#include "movies/movie_categories.h"
#include "movies/movie_item.h"
#include "textfiles/field_map.h"
#include "platform/charset.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/host.h"
#include "program/commands.h"
#include "program/output.h"
#include "textfiles/data_parser.h"
#include "textfiles/write_item.h"
#include "textfiles/desktop_file.h"

namespace hotsync {
namespace {

enum class Format { kTable, kTsv, kJson };

// Collects what WriteItem writes, with the line ends the export file gets on the disk.
class LineCollector : public DesktopFile {
 public:
  explicit LineCollector(FileSystem& files) : DesktopFile(files, "") {}
  bool IsOpen() const override { return true; }
  FileResult Write(const void* buffer, size_t size, size_t* count) override {
    const char* bytes = static_cast<const char*>(buffer);
    for (size_t i = 0; i < size; ++i) {
      if (bytes[i] == '\n') text_ += '\r';
      text_ += bytes[i];
    }
    *count = size;
    return FileResult::kOk;
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

std::string JsonText(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else if (c < 0x80) {
          out += static_cast<char>(c);
        } else {
          out += Utf8OfWindows1252(std::string(1, static_cast<char>(c)));
        }
    }
  }
  return out + "\"";
}

// A text of one line for a tsv field: tabs and line ends become blanks.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) line += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
  return line;
}

std::string FieldText(Clock& clock, MovieItem& item, int32_t field) {
  char text[2000];
  int32_t size = sizeof text;
  if (!item.GetFieldText(clock, field, text, &size)) return std::string();
  return text;
}

// Loads a record database of the handheld; false with a message printed.
bool LoadDatabase(const Options& options, const char* name, PalmDatabase* db) {
  const std::string folder = HandheldFolderFor(options);
  if (folder.empty()) return false;
  Handheld handheld(folder);
  std::string path;
  std::string error;
  if (handheld.Locate(name, &path) != 0) {
    PrintError("hotsync: the handheld %s has no %s database yet (the first sync creates it)\n",
               folder.c_str(), name);
    return false;
  }
  if (handheld.Load(path, db, &error) != 0) {
    PrintError("hotsync: %s\n", error.c_str());
    return false;
  }
  return true;
}

int ShowMovies(const Options& options, Format format) {
  PalmDatabase db;
  if (!LoadDatabase(options, "Movie-Lists", &db)) return 1;
  MovieCategories categories(nullptr);
  categories.LoadFromBlock(db.appInfo.data(), db.appInfo.size());
  SetCurrentMovieCategories(&categories);
  MovieFieldMap map;
  LineCollector lines(options.env->Files());
  Clock& clock = options.env->Time();
  if (format == Format::kTsv) WriteItem(clock, &lines, &map, nullptr);
  if (format == Format::kJson) PrintUtf8("[");
  Table table;
  table.AddColumn("Id", 6, false);
  table.AddColumn("Title", 30, true);
  table.AddColumn("Year", 4, false);
  table.AddColumn("Media", 9, false);
  table.AddColumn("Minutes", 7, false);
  table.AddColumn("Category", 0, true);
  bool first = true;
  for (const PalmRecord& record : db.records) {
    if (record.attributes & 0x80) continue;  // deleted on the handheld: not part of the list
    MovieItem item;
    if (!item.SetPackedRecord(record.data.data(), static_cast<uint32_t>(record.data.size()))) {
      PrintError("hotsync: record id %lu of Movie-Lists cannot be read\n",
                 static_cast<unsigned long>(record.id));
      continue;
    }
    item.SetCategory(record.attributes & 0x0F);
    item.SetRecordId(record.id);
    if (format == Format::kTsv) {
      WriteItem(clock, &lines, &map, &item);
    } else if (format == Format::kJson) {
      std::string object = first ? "\n  {" : ",\n  {";
      for (int32_t column = 0; column < map.Count(); ++column) {
        const int32_t field = map.FieldForColumn(column);
        object += (column == 0 ? "" : ", ") + JsonText(MovieFieldName(field)) + ": " +
                  JsonText(FieldText(clock, item, field));
      }
      PrintUtf8(object + "}");
    } else {
      auto text = [&](const char* name) { return Shown(FieldText(clock, item, map.FieldIndexByName(name))); };
      table.AddRow({std::to_string(record.id), text("Title"), text("Year"), text("MediaType"),
                    text("RunningTime"), text("Category")});
    }
    first = false;
  }
  SetCurrentMovieCategories(nullptr);
  if (format == Format::kTable) table.Print();
  if (format == Format::kJson) PrintUtf8(first ? "]\n" : "\n]\n");
  if (format == Format::kTsv) {
    const std::string text = lines.Take();
    SetBinaryStdout();
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  return 0;
}

// ISO 8601 wall clock of handheld seconds; empty for 0.
std::string IsoTime(uint32_t seconds) {
  if (seconds == 0) return std::string();
  std::string text = HandheldTimeText(seconds);
  text[10] = 'T';
  return text;
}

// "YYYY-MM-DD HH:MM" of handheld seconds; empty for 0.
std::string TableTime(uint32_t seconds) { return seconds == 0 ? std::string() : HandheldTimeText(seconds).substr(0, 16); }

int ShowEvents(const Options& options, Format format) {
  PalmDatabase db;
  if (!LoadDatabase(options, "Movie-Events", &db)) return 1;
  if (format == Format::kJson) PrintUtf8("[");
  std::string tsv = "uid\tlist\tstart\tend\tsummary\tdescription\n";
  Table table;
  table.AddColumn("List", 4, false);
  table.AddColumn("Start", 16, false);
  table.AddColumn("End", 16, false);
  table.AddColumn("Summary", 24, true);
  table.AddColumn("UID", 0, true);
  bool first = true;
  for (const PalmRecord& record : db.records) {
    if (record.attributes & 0x80) continue;
    EventRecord event;
    event.LoadPacked(record.data.data(), record.data.size(), record.id, record.attributes & 0x0F);
    const std::string list = std::to_string(event.Category() + 1);
    const std::string start = IsoTime(event.StartTime());
    const std::string end = IsoTime(event.EndTime());
    if (format == Format::kJson) {
      PrintUtf8(std::string(first ? "\n  {" : ",\n  {") + "\"uid\": " + JsonText(event.Uid()) + ", \"list\": " + list +
                ", \"start\": " + JsonText(start) + ", \"end\": " + JsonText(end) + ", \"summary\": " +
                JsonText(event.Summary()) + ", \"description\": " + JsonText(event.Description()) + "}");
    } else if (format == Format::kTsv) {
      tsv += OneLine(event.Uid()) + "\t" + list + "\t" + start + "\t" + end + "\t" + OneLine(event.Summary()) +
             "\t" + OneLine(event.Description()) + "\n";
    } else {
      table.AddRow({list, TableTime(event.StartTime()), TableTime(event.EndTime()), Shown(event.Summary()),
                    Shown(event.Uid())});
    }
    first = false;
  }
  if (format == Format::kTable) table.Print();
  if (format == Format::kJson) PrintUtf8(first ? "]\n" : "\n]\n");
  // The handheld's own bytes, as the movies' tsv is.
  if (format == Format::kTsv) std::fwrite(tsv.data(), 1, tsv.size(), stdout);
  return 0;
}

}  // namespace

int RunHandheldView(const Options& options) {
  const std::vector<std::string>& words = options.words;
  Format format = Format::kTable;
  const std::string what = words[1];
  if (words.size() == 4 && words[2] == "--format" && (words[3] == "table" || words[3] == "tsv" || words[3] == "json")) {
    format = words[3] == "tsv" ? Format::kTsv : words[3] == "json" ? Format::kJson : Format::kTable;
  } else if (words.size() != 2) {
    return UsageError("handheld " + what + " takes [--format table|tsv|json]");
  }
  return what == "movies" ? ShowMovies(options, format) : ShowEvents(options, format);
}

}  // namespace hotsync
