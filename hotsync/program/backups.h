// Backups of a handheld folder: before each sync the manager copies the handheld's database files
// into a numbered folder beside it ("Handheld Backups/000012 2026-12-07 121800") and keeps the
// last five, so a sync that did the wrong thing can be undone.
#ifndef HOTSYNC_PROGRAM_BACKUPS_H
#define HOTSYNC_PROGRAM_BACKUPS_H

#include <string>
#include <vector>

namespace hotsync {

constexpr size_t kBackupsKept = 5;

// The folder holding the backups of a handheld folder.
std::string BackupsFolderFor(const std::string& handheld);
// Backup folder names, newest first.
std::vector<std::string> ListBackups(const std::string& handheld);
// Why a backup was made; shown by the list.
enum class BackupReason { kSync, kRestore };

// Copies every database file of the handheld into a new backup. False with *error when the copy
// could not be made.
bool MakeBackup(const std::string& handheld, BackupReason reason, std::string* made, std::string* error);
// Removes all but the newest kBackupsKept backups; false with *error when one could not be removed.
bool PruneBackups(const std::string& handheld, std::string* error);
// "sync" or "restore".
std::string BackupReasonText(const std::string& handheld, const std::string& backup);
// Makes the handheld's database files those of the backup (database files not in it are removed).
// REQUIRES: the caller holds the handheld's lock.
bool RestoreBackup(const std::string& handheld, const std::string& backup, std::string* error);
// "2026-12-07 12:18:00" of a backup's name.
std::string BackupDate(const std::string& name);
// The database files (.pdb, .prc) of a folder.
std::vector<std::string> DatabaseFilesIn(const std::string& folder);

}  // namespace hotsync

#endif  // HOTSYNC_PROGRAM_BACKUPS_H
