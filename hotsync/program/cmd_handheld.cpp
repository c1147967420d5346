// hotsync handheld list | dump NAME: what the simulated handheld holds.
#include <cstdio>
#include <string>

#include "core/file_names.h"
#include "core/handheld.h"
#include "platform/host.h"
#include "program/commands.h"
#include "program/output.h"

namespace hotsync {

int RunHandheldSettings(const Options& options);

namespace {

void PrintHex(const SharedBytes& data, const char* indent) {
  for (size_t i = 0; i < data.size(); i += 16) {
    char line[80];
    int length = std::snprintf(line, sizeof line, "%s%06lx ", indent, static_cast<unsigned long>(i));
    for (size_t j = i; j < i + 16 && j < data.size() && length > 0; ++j) {
      length += std::snprintf(line + length, sizeof line - static_cast<size_t>(length), " %02x", data[j]);
    }
    Print("%s\n", line);
  }
}

std::string Attributes(uint8_t attributes) {
  std::string text;
  if (attributes & 0x80) text += " delete";
  if (attributes & 0x40) text += " dirty";
  if (attributes & 0x20) text += " busy";
  if (attributes & 0x10) text += " secret";
  return text;
}

std::string DateOrNever(uint32_t seconds) { return seconds == 0 ? "never" : HandheldTimeText(seconds); }

int List(const Handheld& handheld) {
  Print("Handheld: %s\n", handheld.folder().c_str());
  const std::vector<std::string> files = handheld.DatabaseFiles();
  if (files.empty()) Print("No databases.\n");
  Table table;
  table.AddColumn("", 0, false);  // the indent
  table.AddColumn("", 31, true);
  table.AddColumn("", 0, true);
  for (const std::string& file : files) {
    PalmDatabase db;
    std::string error;
    if (handheld.Load(JoinPath(handheld.folder(), file), &db, &error) != 0) {
      table.AddRow({"", file, "DAMAGED: " + error});
      continue;
    }
    const size_t count = db.IsResourceDatabase() ? db.resources.size() : db.records.size();
    char facts[128];
    std::snprintf(facts, sizeof facts, "%s %s %5lu %s  attributes 0x%04x version %u", FourCharText(db.type).c_str(),
                  FourCharText(db.creator).c_str(), static_cast<unsigned long>(count),
                  db.IsResourceDatabase() ? "resources" : "records", db.attributes, db.version);
    table.AddRow({"", Shown(db.name), facts});
  }
  table.Print();
  return 0;
}

int Dump(const Options& options, const Handheld& handheld, const std::string& name) {
  std::string path;
  if (handheld.Locate(name, &path) != 0) {
    path = JoinPath(handheld.folder(), name);  // a file name is accepted too
    if (!FileExists(path)) {
      PrintError("hotsync: no database \"%s\" on the handheld %s (%s lists them)\n", name.c_str(),
                 handheld.folder().c_str(), CommandLine(options, "handheld list").c_str());
      return 1;
    }
  }
  PalmDatabase db;
  std::string error;
  if (handheld.Load(path, &db, &error) != 0) {
    PrintError("hotsync: %s\n", error.c_str());
    return 1;
  }
  Print("Database \"%s\" (%s)\n", db.name.c_str(), path.c_str());
  Print("  attributes 0x%04x  version %u  type %s  creator %s\n", db.attributes, db.version,
        FourCharText(db.type).c_str(), FourCharText(db.creator).c_str());
  Print("  created %s  modified %s  backed up %s\n  modification number %lu  seed %lu\n",
        DateOrNever(db.creationDate).c_str(), DateOrNever(db.modificationDate).c_str(),
        DateOrNever(db.backupDate).c_str(), static_cast<unsigned long>(db.modificationNumber),
        static_cast<unsigned long>(db.uniqueIdSeed));
  if (db.hasAppInfo) {
    Print("  AppInfo (%lu bytes):\n", static_cast<unsigned long>(db.appInfo.size()));
    PrintHex(db.appInfo, "    ");
  } else {
    Print("  no AppInfo block\n");
  }
  if (db.hasSortInfo) Print("  SortInfo: %lu bytes\n", static_cast<unsigned long>(db.sortInfo.size()));
  if (db.IsResourceDatabase()) {
    for (size_t i = 0; i < db.resources.size(); ++i) {
      const PalmResource& resource = db.resources[i];
      Print("  resource %lu: type %s id %u size %lu\n", static_cast<unsigned long>(i),
            FourCharText(resource.type).c_str(), resource.id,
            static_cast<unsigned long>(resource.data.size()));
      PrintHex(resource.data, "    ");
    }
  } else {
    for (size_t i = 0; i < db.records.size(); ++i) {
      const PalmRecord& record = db.records[i];
      Print("  record %lu: id %lu attributes 0x%02x%s category %u size %lu\n",
            static_cast<unsigned long>(i), static_cast<unsigned long>(record.id),
            record.attributes, Attributes(record.attributes).c_str(), record.attributes & 0x0F,
            static_cast<unsigned long>(record.data.size()));
      PrintHex(record.data, "    ");
    }
  }
  return 0;
}

}  // namespace

int RunHandheldCommand(const Options& options) {
  const std::vector<std::string>& words = options.words;
  if (words.size() < 2) return UsageError("handheld needs a subcommand");
  const std::string& what = words[1];
  if (what == "prefs" || what == "clock") return RunHandheldSettings(options);
  if (what == "feeds") return RunHandheldFeeds(options);
  if (what == "movies" || what == "events") return RunHandheldView(options);
  if (what == "request") return RunHandheldRequest(options);
  if (what == "backups" || what == "restore") return RunHandheldBackups(options);
  if (what != "list" && what != "dump") return UsageError("unknown handheld command \"" + what + "\"");
  if (what == "list" && words.size() != 2) return UsageError("handheld list takes no arguments");
  if (what == "dump" && words.size() != 3) return UsageError("handheld dump takes NAME");
  const std::string folder = HandheldFolderFor(options);
  if (folder.empty()) return 1;
  Handheld handheld(folder);
  if (what == "list") return List(handheld);
  return Dump(options, handheld, words[2]);
}

}  // namespace hotsync
