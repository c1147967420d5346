// hotsync sync --dry-run: the synchronization runs for real, but on scratch copies: a HotSync root
// of its own ("dry-run" in the root folder) holding the user with a copy of the handheld and of
// the conduit's folder, and a documents folder holding copies of the import and flags files. Then
// the copy of the handheld is compared with the handheld, and the scratch root is removed. The
// user's handheld, documents folder, conduit settings, logs and HotSync log are never opened for
// writing.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/handheld.h"
#include "core/registrations.h"
#include "core/users.h"
#include "events/event_record.h"
#include "movies/movie_item.h"
#include "mymovies/documents_folder.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/host.h"
#include "program/backups.h"
#include "program/commands.h"
#include "program/output.h"

namespace hotsync {
namespace {

const char* const kDocumentFiles[] = {"MyMoviesImport.tab", "MyMovieFlags.txt"};
const char kExportFile[] = "MyMoviesExport.tab";
const char kConduitFolderName[] = "Cinevane";
// No user's folder can have this name: user folder names use "=" only before two hex digits.
const char kScratchName[] = "=dry-run";

// Copies the plain files of a folder (not its sub-folders).
bool CopyFiles(const std::string& from, const std::string& to, std::string* error) {
  std::vector<std::string> files;
  if (!ListFiles(from, &files, error) || !MakeFolders(to, error)) return false;
  for (const std::string& file : files) {
    if (file == kLockFileName) continue;
    if (!CopyFileAtomically(JoinPath(from, file), JoinPath(to, file), error)) return false;
  }
  return true;
}

void RemoveTree(const std::string& folder) {
  std::vector<std::string> names;
  std::string error;
  if (ListFolders(folder, &names, &error)) {
    for (const std::string& name : names) RemoveTree(JoinPath(folder, name));
  }
  if (ListFiles(folder, &names, &error)) {
    for (const std::string& name : names) RemoveFile(JoinPath(folder, name));
  }
  RemoveFolder(folder);
}

// A record in words: a movie's title, an event's summary, else its id.
std::string RecordText(const std::string& database, const PalmRecord& record) {
  if (database == "Movie-Lists") {
    MovieItem item;
    if (item.SetPackedRecord(record.data.data(), static_cast<uint32_t>(record.data.size()))) {
      return "\"" + Shown(item.GetTitle()) + "\"";
    }
  } else if (database == "Movie-Events") {
    EventRecord event;
    event.LoadPacked(record.data.data(), record.data.size(), record.id, record.attributes & 0x0F);
    return "\"" + Shown(event.Summary()) + "\"";
  }
  return "record " + std::to_string(record.id);
}

bool LoadFile(const Handheld& handheld, const std::string& file, PalmDatabase* db) {
  std::string error;
  return FileExists(JoinPath(handheld.folder(), file)) &&
         handheld.Load(JoinPath(handheld.folder(), file), db, &error) == 0;
}

// Prints what changed from the handheld before to the copy after; the number of changes.
size_t ReportChanges(const std::string& before_folder, const std::string& after_folder) {
  Handheld before(before_folder);
  Handheld after(after_folder);
  std::vector<std::string> files = DatabaseFilesIn(after_folder);
  for (const std::string& file : DatabaseFilesIn(before_folder)) {
    if (!FileExists(JoinPath(after_folder, file))) files.push_back(file);
  }
  size_t changes = 0;
  for (const std::string& file : files) {
    PalmDatabase old;
    PalmDatabase now;
    const bool had_it = LoadFile(before, file, &old);
    const bool has_it = LoadFile(after, file, &now);
    const std::string name = has_it ? now.name : old.name;
    if (!has_it) {
      Print("  %s: would be deleted\n", name.c_str());
      ++changes;
      continue;
    }
    if (now.IsResourceDatabase()) {
      size_t changed = 0;
      for (const PalmResource& resource : now.resources) {
        bool same = false;
        for (const PalmResource& was : old.resources) {
          same = same || (was.type == resource.type && was.id == resource.id && was.data == resource.data);
        }
        if (!same) ++changed;
      }
      if (changed > 0) {
        Print("  %s: %lu resource%s added or changed\n", name.c_str(), static_cast<unsigned long>(changed),
              changed == 1 ? "" : "s");
        changes += changed;
      }
      continue;
    }
    std::map<uint32_t, const PalmRecord*> was;
    for (const PalmRecord& record : old.records) {
      if (!(record.attributes & 0x80)) was[record.id] = &record;
    }
    std::vector<std::string> lines;
    size_t added = 0, changed = 0, deleted = 0;
    for (const PalmRecord& record : now.records) {
      const bool live = !(record.attributes & 0x80);
      auto found = was.find(record.id);
      if (found == was.end()) {
        if (!live) continue;
        ++added;
        lines.push_back("    + " + RecordText(name, record));
        continue;
      }
      const PalmRecord* previous = found->second;
      was.erase(found);
      if (!live) {
        ++deleted;
        lines.push_back("    - " + RecordText(name, *previous));
      } else if (previous->data != record.data || (previous->attributes & 0x0F) != (record.attributes & 0x0F)) {
        ++changed;
        lines.push_back("    ~ " + RecordText(name, record));
      }
    }
    for (const auto& gone : was) {
      ++deleted;
      lines.push_back("    - " + RecordText(name, *gone.second));
    }
    if (!had_it) {
      Print("  %s: would be created with %lu record%s\n", name.c_str(), static_cast<unsigned long>(added),
            added == 1 ? "" : "s");
      ++changes;
    } else if (added + changed + deleted > 0) {
      Print("  %s: %lu added, %lu changed, %lu deleted\n", name.c_str(), static_cast<unsigned long>(added),
            static_cast<unsigned long>(changed), static_cast<unsigned long>(deleted));
    }
    changes += added + changed + deleted;
    for (const std::string& line : lines) Print("%s\n", line.c_str());
  }
  return changes;
}

}  // namespace

int RunDryRun(const Options& options, bool do_nothing) {
  UserEntry user;
  if (!SelectedUser(options, &user)) return 1;
  std::string error;
  const std::string user_folder = JoinPath(options.root, user.folder);
  const std::string handheld =
      options.handheld.empty() ? JoinPath(user_folder, kHandheldFolderName) : options.handheld;
  char documents[kDesktopPathSize] = {0};
  GetDocumentsFolder(options.env->Files(), documents);

  // One dry run at a time per root: the scratch root has a fixed name.
  const std::string scratch = JoinPath(options.root, kScratchName);
  const std::string scratch_documents = JoinPath(scratch, "Documents");
  if (!RedirectDocumentsFolder(scratch_documents, &error)) {
    PrintError("hotsync: no dry run here: %s\n", error.c_str());
    return 1;
  }
  FileLock lock;
  if (!lock.Acquire(JoinPath(options.root, std::string(kScratchName) + ".lock"), &error)) {
    PrintError("hotsync: another dry run is under way (%s)\n", error.c_str());
    return 1;
  }
  RemoveTree(scratch);
  UserEntry copy;
  bool ready = MakeFolders(scratch_documents, &error) && AddUser(scratch, user.name, &copy, &error);
  const std::string scratch_user = JoinPath(scratch, copy.folder);
  const std::string scratch_handheld = JoinPath(scratch_user, kHandheldFolderName);
  ready = ready && CopyFiles(handheld, scratch_handheld, &error);
  if (ready && FolderExists(JoinPath(user_folder, kConduitFolderName))) {
    ready = CopyFiles(JoinPath(user_folder, kConduitFolderName), JoinPath(scratch_user, kConduitFolderName), &error);
  }
  // The scratch root runs the conduits registered in the real one.
  const std::string registrations = JoinPath(options.root, kRegistrationsFileName);
  if (ready && FileExists(registrations)) {
    ready = CopyFileAtomically(registrations, JoinPath(scratch, kRegistrationsFileName), &error);
  }
  for (const char* name : kDocumentFiles) {
    const std::string path = JoinPath(documents, name);
    if (ready && FileExists(path)) ready = CopyFileAtomically(path, JoinPath(scratch_documents, name), &error);
  }
  if (!ready) {
    PrintError("hotsync: the dry run could not be prepared: %s\n", error.c_str());
    RemoveTree(scratch);
    return 1;
  }

  Options scratch_options = options;
  scratch_options.root = scratch;
  scratch_options.handheld.clear();
  scratch_options.user = user.name;
  const int status = RunSyncSession(scratch_options, options, do_nothing, false);

  Print("Dry run: nothing was changed. The sync would change:\n");
  size_t changes = ReportChanges(handheld, scratch_handheld);
  Bytes exported;
  if (ReadWholeFile(JoinPath(scratch_documents, kExportFile), &exported, &error)) {
    size_t lines = 0;
    for (uint8_t byte : exported) lines += byte == '\n';
    Print("  %s: would be written with %lu movie line%s\n", kExportFile,
          static_cast<unsigned long>(lines > 0 ? lines - 1 : 0), lines == 2 ? "" : "s");
    ++changes;
  }
  if (changes == 0) Print("  nothing\n");
  RemoveTree(scratch);
  return status;
}

}  // namespace hotsync
