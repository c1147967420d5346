// The hotsync program's usage texts: the whole program, and one text per command.
#include <cstdio>
#include <cstring>

#include "program/commands.h"

namespace hotsync {
namespace {

const char kProgramUsage[] =
    "Usage: hotsync [OPTIONS] COMMAND ...\n"
    "The stand-in HotSync manager: keeps HotSync users, a simulated handheld per user, and runs\n"
    "the conduit's synchronization.\n"
    "\n"
    "Commands:\n"
    "  user add NAME | user list   register users (each gets a folder and a handheld folder)\n"
    "  setup                       record the manager's folder, so conduit installers find it\n"
    "  conduits [install|remove]   the registered conduits (see: hotsync help conduits)\n"
    "  install                     prepare the conduit's folder for the user\n"
    "  info                        the conduit's name and version\n"
    "  sync                        one synchronization (see: hotsync help sync)\n"
    "  configure                   the conduit's settings dialog\n"
    "  handheld ...                what the handheld holds (see: hotsync help handheld)\n"
    "  help [COMMAND]              this text, or a command's (also: COMMAND --help)\n"
    "\n"
    "Options:\n"
    "  --root DIR        the HotSync root folder (default: a folder of the user's application data)\n"
    "  --user NAME       the HotSync user (needed when there are several)\n"
    "  --handheld DIR    another handheld folder (for example a handheld backup)\n"
    "  --conduit PATH    run this conduit library instead of the registered ones (for a conduit\n"
    "                    of a build tree; nothing needs to be registered)\n"
    "  --fail OPERATION:N:CODE\n"
    "                    make the Nth call of a manager operation fail with CODE, for trying out\n"
    "                    error paths (\"crash\" for WriteBack: a crash in the middle of a write-back)\n"
    "  -h, --help        this text;  --version  the program's version\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 bad arguments; sync also 3 (cancelled) and 4 (finished,\n"
    "but the conduit reported errors in the HotSync log).\n";

const char kUserUsage[] =
    "Usage: hotsync user add NAME\n"
    "       hotsync user list\n"
    "Registers a HotSync user (a folder under the root, with its handheld folder), or lists them.\n";

const char kInstallUsage[] =
    "Usage: hotsync [--user NAME] install\n"
    "Lets the conduit finish its installation for the user: it creates its folder \"Cinevane\".\n"
    "Run it once per user before the first sync.\n";

const char kInfoUsage[] =
    "Usage: hotsync info\n"
    "Shows the conduit's file, name, version and what it tells the manager about itself.\n";

const char kSyncUsage[] =
    "Usage: hotsync [--user NAME] [--handheld DIR] sync [--do-nothing] [--dry-run] [--quiet]\n"
    "                                                   [--cancel-at TEXT]\n"
    "Runs one synchronization of the user's handheld through the conduit, then prints this\n"
    "sync's HotSync log. Ctrl-C asks the conduit to stop. Before the sync the handheld folder is\n"
    "copied to a backup (the last five are kept; see: hotsync help handheld).\n"
    "  --do-nothing      the conduit is told to do nothing this time\n"
    "  --dry-run         synchronize a copy of the handheld with copies of the movie list files,\n"
    "                    show what would change, and keep nothing\n"
    "  --quiet           print only the outcome\n"
    "  --cancel-at TEXT  cancel when the conduit shows the status TEXT (as Ctrl-C would)\n"
    "Exit status: 0 success; 1 the synchronization failed; 2 bad arguments; 3 cancelled;\n"
    "4 it finished, but the conduit reported errors in the HotSync log.\n";

const char kConfigureUsage[] =
    "Usage: hotsync [--user NAME] configure\n"
    "Opens the conduit's settings dialog (a form in the terminal on Linux, a window on Windows)\n"
    "and shows what it was set to.\n";

const char kHandheldUsage[] =
    "Usage: hotsync [--user NAME] [--handheld DIR] handheld SUBCOMMAND ...\n"
    "  list                             the databases on the handheld\n"
    "  dump NAME                        one database: header, records (ids, attributes, categories)\n"
    "  movies [--format table|tsv|json] the movie records; tsv is the export file's format\n"
    "  events [--format table|tsv|json] the event records\n"
    "  feeds [set N NAME ADDRESS]       the event lists (1 to 16): name, last update, feed address;\n"
    "                                   set names list N and points it at a feed (\"\" turns it off)\n"
    "  request [--export] [--import add|overwrite|merge|ignore] [--clear]\n"
    "                                   what the handheld asks the conduit to do with the movie\n"
    "                                   list files at the next sync, shown or set\n"
    "  backups                          the backups of the handheld, newest first\n"
    "  restore [N]                      the handheld as it was before the Nth-last sync (default 1)\n"
    "  prefs [CREATOR ID [VERSION HEX]] [--unsaved]\n"
    "                                   show or set an application preference\n"
    "  clock [offset SECONDS | set YYYY-MM-DD HH:MM[:SS] | reset]\n"
    "                                   show or set the handheld clock\n";

const char kSetupUsage[] =
    "Usage: hotsync [--root DIR] setup\n"
    "The manager's own set-up: records the folder of this program and its libraries (the\n"
    "Conduit Manager CondMgr and HSAPI among them) and the HotSync root, where conduit installers\n"
    "and the libraries find them (Windows: HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot\n"
    "Desktop\\Core, values Path, HotSyncPath and Root; Linux: ~/.config/reelbox-hotsync/Core.txt).\n";

const char kConduitsUsage[] =
    "Usage: hotsync [--root DIR] conduits [list]\n"
    "       hotsync [--root DIR] conduits install FILE [--creator CODE] [--directory NAME]\n"
    "                                                  [--priority 0-4] [--title TEXT]\n"
    "       hotsync [--root DIR] conduits remove CREATOR\n"
    "The conduits a sync runs, in priority order (lower first), registered in the root's\n"
    "\"Conduits.txt\" through the Conduit Manager library, as installers register them.\n"
    "install registers FILE (or updates the registration of the same file): the creator comes\n"
    "from a file name such as KVRTConduit.dll or libKVRTConduit.so unless given, the title from\n"
    "the conduit's name; priority 2 unless given. remove keeps every user's folder and files.\n";

struct CommandHelp {
  const char* command;
  const char* text;
};

const CommandHelp kHelp[] = {
    {"user", kUserUsage},   {"install", kInstallUsage},     {"info", kInfoUsage},
    {"sync", kSyncUsage},   {"configure", kConfigureUsage}, {"handheld", kHandheldUsage},
    {"setup", kSetupUsage}, {"conduits", kConduitsUsage},
};

}  // namespace

const char* ProgramUsage() { return kProgramUsage; }

const char* UsageOf(const std::string& command) {
  for (const CommandHelp& help : kHelp) {
    if (command == help.command) return help.text;
  }
  return nullptr;
}

}  // namespace hotsync
