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
#include "platform/console.h"
#include "platform/env.h"
#include "platform/host.h"
#include "program/commands.h"
#include "textfiles/data_parser.h"
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

// Handheld texts are Windows-1252; JSON is UTF-8.
std::string Utf8OfWindows1252(unsigned char c) {
  static const uint16_t kHigh[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  const uint32_t code = c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
  std::string out;
  if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  }
  out += static_cast<char>(0x80 | (code & 0x3F));
  return out;
}

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
          out += Utf8OfWindows1252(c);
        }
    }
  }
  return out + "\"";
}

// The text cut or padded to a table column.
std::string Cell(const std::string& text, size_t width) {
  std::string cell;
  for (char c : text) cell += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
  if (cell.size() > width) cell = cell.substr(0, width - 1) + "~";
  cell.resize(width, ' ');
  return cell;
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
    std::fprintf(stderr, "hotsync: the handheld has no %s database yet (the first sync creates it)\n", name);
    return false;
  }
  if (handheld.Load(path, db, &error) != 0) {
    std::fprintf(stderr, "hotsync: %s\n", error.c_str());
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
  if (format == Format::kJson) std::printf("[");
  if (format == Format::kTable) {
    std::printf("%-6s  %-30s  %-4s  %-9s  %-7s  %s\n", "Id", "Title", "Year", "Media", "Minutes", "Category");
  }
  bool first = true;
  for (const PalmRecord& record : db.records) {
    if (record.attributes & 0x80) continue;  // deleted on the handheld: not part of the list
    MovieItem item;
    if (!item.SetPackedRecord(record.data.data(), static_cast<uint32_t>(record.data.size()))) {
      std::fprintf(stderr, "hotsync: record id %lu of Movie-Lists cannot be read\n",
                   static_cast<unsigned long>(record.id));
      continue;
    }
    item.SetCategory(record.attributes & 0x0F);
    item.SetRecordId(record.id);
    if (format == Format::kTsv) {
      WriteItem(clock, &lines, &map, &item);
    } else if (format == Format::kJson) {
      std::printf("%s\n  {", first ? "" : ",");
      for (int32_t column = 0; column < map.Count(); ++column) {
        const int32_t field = map.FieldForColumn(column);
        std::printf("%s%s: %s", column == 0 ? "" : ", ", JsonText(MovieFieldName(field)).c_str(),
                    JsonText(FieldText(clock, item, field)).c_str());
      }
      std::printf("}");
    } else {
      const int32_t title = map.FieldIndexByName("Title");
      std::printf("%-6lu  %s  %s  %s  %s  %s\n", static_cast<unsigned long>(record.id),
                  Cell(FieldText(clock, item, title), 30).c_str(),
                  Cell(FieldText(clock, item, map.FieldIndexByName("Year")), 4).c_str(),
                  Cell(FieldText(clock, item, map.FieldIndexByName("MediaType")), 9).c_str(),
                  Cell(FieldText(clock, item, map.FieldIndexByName("RunningTime")), 7).c_str(),
                  FieldText(clock, item, map.FieldIndexByName("Category")).c_str());
    }
    first = false;
  }
  SetCurrentMovieCategories(nullptr);
  if (format == Format::kJson) std::printf("%s]\n", first ? "" : "\n");
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
  if (format == Format::kJson) std::printf("[");
  if (format == Format::kTsv) std::printf("uid\tlist\tstart\tend\tsummary\tdescription\n");
  if (format == Format::kTable) {
    std::printf("%-4s  %-16s  %-16s  %-24s  %s\n", "List", "Start", "End", "Summary", "UID");
  }
  bool first = true;
  for (const PalmRecord& record : db.records) {
    if (record.attributes & 0x80) continue;
    EventRecord event;
    event.LoadPacked(record.data.data(), record.data.size(), record.id, record.attributes & 0x0F);
    const std::string list = std::to_string(event.Category() + 1);
    const std::string start = IsoTime(event.StartTime());
    const std::string end = IsoTime(event.EndTime());
    if (format == Format::kJson) {
      std::printf("%s\n  {\"uid\": %s, \"list\": %s, \"start\": %s, \"end\": %s, \"summary\": %s, "
                  "\"description\": %s}",
                  first ? "" : ",", JsonText(event.Uid()).c_str(), list.c_str(), JsonText(start).c_str(),
                  JsonText(end).c_str(), JsonText(event.Summary()).c_str(),
                  JsonText(event.Description()).c_str());
    } else if (format == Format::kTsv) {
      std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", Cell(event.Uid(), std::strlen(event.Uid())).c_str(), list.c_str(),
                  start.c_str(), end.c_str(), Cell(event.Summary(), std::strlen(event.Summary())).c_str(),
                  Cell(event.Description(), event.Description().size()).c_str());
    } else {
      std::printf("%-4s  %-16s  %-16s  %s  %s\n", list.c_str(),
                  TableTime(event.StartTime()).c_str(), TableTime(event.EndTime()).c_str(), Cell(event.Summary(), 24).c_str(), event.Uid());
    }
    first = false;
  }
  if (format == Format::kJson) std::printf("%s]\n", first ? "" : "\n");
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
