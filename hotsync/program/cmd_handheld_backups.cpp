// hotsync handheld backups | restore [N]: the copies of the handheld kept before each sync.
#include <cstdio>
#include <cstdlib>

#include "core/handheld.h"
#include "platform/host.h"
#include "program/backups.h"
#include "program/commands.h"
#include "program/output.h"

namespace hotsync {

int RunHandheldBackups(const Options& options) {
  const std::vector<std::string>& words = options.words;
  const bool restore = words[1] == "restore";
  long number = 1;
  if (restore && words.size() == 3) {
    char* end = nullptr;
    number = std::strtol(words[2].c_str(), &end, 10);
    if (*end != 0 || number < 1) return UsageError("handheld restore takes [N] (1 = before the last sync)");
  } else if (words.size() != 2) {
    return UsageError(restore ? "handheld restore takes [N]" : "handheld backups takes no arguments");
  }
  const std::string folder = HandheldFolderFor(options);
  if (folder.empty()) return 1;
  const std::vector<std::string> backups = ListBackups(folder);
  if (!restore) {
    Print("Backups of %s (in %s):\n", folder.c_str(), BackupsFolderFor(folder).c_str());
    if (backups.empty()) Print("  none yet (each sync makes one)\n");
    for (size_t i = 0; i < backups.size(); ++i) {
      const size_t count = DatabaseFilesIn(JoinPath(BackupsFolderFor(folder), backups[i])).size();
      Print("  %lu  before the %s of %s  %lu databases\n", static_cast<unsigned long>(i + 1),
            BackupReasonText(folder, backups[i]).c_str(), BackupDate(backups[i]).c_str(),
            static_cast<unsigned long>(count));
    }
    return 0;
  }
  if (static_cast<size_t>(number) > backups.size()) {
    PrintError("hotsync: there %s only %lu backup%s of this handheld in %s (%s lists them)\n",
               backups.size() == 1 ? "is" : "are", static_cast<unsigned long>(backups.size()),
               backups.size() == 1 ? "" : "s", BackupsFolderFor(folder).c_str(),
               CommandLine(options, "handheld backups").c_str());
    return 1;
  }
  std::string error;
  FileLock lock;
  if (!lock.Acquire(JoinPath(folder, kLockFileName), &error)) {
    PrintError("hotsync: %s\n", error.c_str());
    return 1;
  }
  // The handheld as it is now is kept too, so that a restore can itself be undone.
  const std::string backup = backups[static_cast<size_t>(number - 1)];
  std::string made;
  if (!MakeBackup(folder, BackupReason::kRestore, &made, &error)) {
    PrintError("hotsync: no restore without a backup of the handheld as it is: %s\n", error.c_str());
    return 1;
  }
  if (!RestoreBackup(folder, backup, &error)) {
    PrintError("hotsync: the restore stopped: %s; this puts back what it changed:\n  %s\n", error.c_str(),
               CommandLine(options, "handheld restore 1").c_str());
    return 1;
  }
  if (!PruneBackups(folder, &error)) PrintError("hotsync: warning: %s\n", error.c_str());
  Print("The handheld is back as it was before the %s of %s (the handheld as it was is backup 1).\n",
        BackupReasonText(folder, backup).c_str(), BackupDate(backup).c_str());
  return 0;
}

}  // namespace hotsync
