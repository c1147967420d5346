#include "program/backups.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/handheld.h"
#include "platform/host.h"

namespace hotsync {
namespace {

// Marks a backup made before a restore (the list says so).
const char kRestoreMark[] = "made before a restore";

bool EndsWith(const std::string& text, const char* end) {
  const std::string tail = end;
  return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool RemoveBackup(const std::string& folder, std::string* error) {
  std::vector<std::string> files;
  if (!ListFiles(folder, &files, error)) return false;
  for (const std::string& file : files) RemoveFile(JoinPath(folder, file));
  if (!RemoveFolder(folder)) {
    *error = "cannot remove the old backup " + folder;
    return false;
  }
  return true;
}

}  // namespace

std::string BackupsFolderFor(const std::string& handheld) {
  std::string folder = handheld;
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == PathSeparator())) folder.pop_back();
  return folder + " Backups";
}

std::vector<std::string> DatabaseFilesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::vector<std::string> databases;
  std::string error;
  if (!ListFiles(folder, &files, &error)) return databases;
  for (const std::string& file : files) {
    if (EndsWith(file, ".pdb") || EndsWith(file, ".prc")) databases.push_back(file);
  }
  return databases;
}

std::vector<std::string> ListBackups(const std::string& handheld) {
  std::vector<std::string> folders;
  std::vector<std::string> backups;
  std::string error;
  if (!ListFolders(BackupsFolderFor(handheld), &folders, &error)) return backups;
  // Only names of our own making: a number, a blank, the date.
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    if (it->size() == 24 && (*it)[6] == ' ' && std::strtoul(it->substr(0, 6).c_str(), nullptr, 10) > 0) {
      backups.push_back(*it);
    }
  }
  return backups;
}

std::string BackupDate(const std::string& name) {
  if (name.size() != 24) return name;
  // "000012 2026-12-07 121800"
  return name.substr(7, 11) + name.substr(18, 2) + ":" + name.substr(20, 2) + ":" + name.substr(22, 2);
}

bool MakeBackup(const std::string& handheld, BackupReason reason, std::string* made, std::string* error) {
  const std::string root = BackupsFolderFor(handheld);
  const std::vector<std::string> existing = ListBackups(handheld);
  const unsigned long number =
      existing.empty() ? 1 : std::strtoul(existing.front().substr(0, 6).c_str(), nullptr, 10) % 999999 + 1;
  std::string when = FormatWallClock(LocalWallClockNow());  // "YYYY-MM-DD HH:MM:SS"
  when.erase(16, 1);
  when.erase(13, 1);
  char name[64];
  std::snprintf(name, sizeof name, "%06lu %s", number, when.c_str());
  const std::string folder = JoinPath(root, name);
  if (!MakeFolders(folder, error)) return false;
  for (const std::string& file : DatabaseFilesIn(handheld)) {
    if (!CopyFileAtomically(JoinPath(handheld, file), JoinPath(folder, file), error)) return false;
  }
  if (reason == BackupReason::kRestore &&
      !ReplaceFileAtomically(JoinPath(folder, kRestoreMark), Bytes(), error)) {
    return false;
  }
  *made = name;
  return true;
}

bool PruneBackups(const std::string& handheld, std::string* error) {
  const std::vector<std::string> all = ListBackups(handheld);
  bool ok = true;
  for (size_t i = kBackupsKept; i < all.size(); ++i) {
    ok = RemoveBackup(JoinPath(BackupsFolderFor(handheld), all[i]), error) && ok;
  }
  return ok;
}

std::string BackupReasonText(const std::string& handheld, const std::string& backup) {
  return FileExists(JoinPath(JoinPath(BackupsFolderFor(handheld), backup), kRestoreMark)) ? "restore" : "sync";
}

bool RestoreBackup(const std::string& handheld, const std::string& backup, std::string* error) {
  const std::string folder = JoinPath(BackupsFolderFor(handheld), backup);
  const std::vector<std::string> wanted = DatabaseFilesIn(folder);
  for (const std::string& file : wanted) {
    if (!CopyFileAtomically(JoinPath(folder, file), JoinPath(handheld, file), error)) return false;
  }
  for (const std::string& file : DatabaseFilesIn(handheld)) {
    bool kept = false;
    for (const std::string& w : wanted) kept = kept || w == file;
    if (!kept && !RemoveFile(JoinPath(handheld, file))) {
      *error = "cannot remove " + JoinPath(handheld, file);
      return false;
    }
  }
  return true;
}

}  // namespace hotsync
