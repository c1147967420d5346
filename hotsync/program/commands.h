// The hotsync program's commands. Each returns the program's exit status: 0 success, 1 failure,
// 2 bad arguments (after printing the usage).
#ifndef HOTSYNC_PROGRAM_COMMANDS_H
#define HOTSYNC_PROGRAM_COMMANDS_H

#include <cstdint>
#include <string>
#include <vector>

#include "core/users.h"

class Env;

namespace hotsync {

struct Options {
  std::string root;      // HotSync root folder (always set: default filled in)
  bool rootGiven = false;  // --root was given (hints repeat it)
  std::string user;      // may be empty: the only user
  std::string handheld;  // may be empty: the user's handheld folder
  std::string conduit;   // may be empty: the registered conduits
  std::vector<std::string> faults;  // "OPERATION:N:CODE"
  std::vector<std::string> words;   // the command and its arguments
  Env* env = nullptr;               // the conduit's services for its code run here (set by main)
};

// Prints message and the usage of the command being run; returns 2.
int UsageError(const std::string& message);

// The help of one command or subcommand. A new command adds its entries to the table in help.cpp.
struct CommandHelp {
  const char* name;     // the command's words: "handheld feeds"
  const char* summary;  // one line, for the listings
  const char* usage;    // what follows "hotsync " on the usage line
  const char* details;  // what it does, its options; lines ending in "\n"
  const char* example;  // a command line to try
};
// The entry of that name, or null.
const CommandHelp* FindHelp(const std::string& name);
// The entry of the longest run of leading words that names one ("handheld feeds set 4" gives
// "handheld feeds"), or null when the first word is no command.
const CommandHelp* FindHelpFor(const std::vector<std::string>& words);
std::string UsageLine(const CommandHelp& help);
// The subcommands' names ("list, install, remove"), "" for a command without any.
std::string SubcommandNames(const CommandHelp& help);
// Usage, details, the subcommands if any, and the example.
std::string HelpText(const CommandHelp& help);
// Every command and option.
std::string ProgramUsage();

// A command line for the user to paste that runs `command` ("install") with the --root, --user
// and --handheld the user gave.
std::string CommandLine(const Options& options, const std::string& command);
// The options with the root alone: for a hint whose command concerns the root, not a user.
Options RootOnly(const Options& options);
// The HotSync log file of a user.
std::string HotSyncLogPath(const Options& options, const UserEntry& user);

// A session of the manager libraries for one command; ended (and written back) on destruction.
class SessionScope {
 public:
  SessionScope(const Options& options, uint32_t flags);
  ~SessionScope();
  SessionScope(const SessionScope&) = delete;
  SessionScope& operator=(const SessionScope&) = delete;
  bool ok() const { return ok_; }
  // Ends the session now; false (with a message printed) when a write-back failed.
  bool End();

 private:
  bool ok_ = false;
};

// "YYYY-MM-DD HH:MM:SS" of handheld seconds (since 1904-01-01, wall clock).
std::string HandheldTimeText(uint32_t seconds);

// text as one argument of a command line to paste: quoted when it needs to be.
std::string QuotedArgument(const std::string& text);

// The user the options name (--user, or the only one) into *user; false with a message printed
// that names the root looked in and the command that helps.
bool SelectedUser(const Options& options, UserEntry* user);

// The handheld folder the options name (the user's, or --handheld), or "" with a message printed.
std::string HandheldFolderFor(const Options& options);

int RunUserCommand(const Options& options);
// setup: records the manager's folder and root where installers look for them.
int RunSetup(const Options& options);
// conduits [list] | install FILE [...] | remove CREATOR
int RunConduits(const Options& options);
int RunInstall(const Options& options);
int RunInfo(const Options& options);
int RunConfigure(const Options& options);
int RunSync(const Options& options);
// One synchronization of the session the options name; keep_backup copies the handheld first.
// Hints name hint_options (the user's own, where options name a dry run's copy).
int RunSyncSession(const Options& options, const Options& hint_options, bool do_nothing, bool keep_backup);
// sync --dry-run: the synchronization on scratch copies, and what it would change.
int RunDryRun(const Options& options, bool do_nothing);
int RunHandheldCommand(const Options& options);
// handheld feeds [set N NAME ADDRESS]: the event lists of Movie-Events.
int RunHandheldFeeds(const Options& options);
// handheld movies | events [--format table|tsv|json]: the records in words.
int RunHandheldView(const Options& options);
// handheld request [--export] [--import MODE] [--clear]
int RunHandheldRequest(const Options& options);
// handheld backups | restore [N]
int RunHandheldBackups(const Options& options);

}  // namespace hotsync

#endif  // HOTSYNC_PROGRAM_COMMANDS_H
