// The hotsync program's help: one entry per command and subcommand, each with its usage, what it
// does and an example; the program's overview is put together from the same entries.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "program/commands.h"

namespace hotsync {
namespace {

// An entry's name is the command's words ("handheld feeds"); an entry whose name is another's
// followed by one word is listed as a subcommand under it.
const CommandHelp kHelp[] = {
    {"user", "register HotSync users, or list them", "user add NAME | user list",
     "Each user has a folder under the HotSync root, holding the conduit's folder, the HotSync log\n"
     "and the simulated handheld.\n",
     "hotsync --root /tmp/hs user add \"Jo Smith\""},
    {"user add", "register a user (a folder with its handheld folder)", "[--root DIR] user add NAME",
     "NAME has 1 to 40 characters, no tab and no blank at either end; letter case does not tell\n"
     "two users apart. The user's folder is named after the user: letters, digits and blanks as\n"
     "they are, any other character (accented letters too) as \"=\" and the hex digits of its\n"
     "bytes, so \"O'Brien\" gets the folder \"O=27Brien\" and a UTF-8 \"Jos\xC3\xA9\" gets \"Jos=C3=A9\".\n",
     "hotsync --root /tmp/hs user add \"Jo Smith\""},
    {"user list", "the registered users and their folders", "[--root DIR] user list",
     "Shows the HotSync root, then one line per user: id, name, folder.\n",
     "hotsync --root /tmp/hs user list"},
    {"setup", "record the manager's folder, so conduit installers find it", "[--root DIR] setup",
     "The manager's own set-up: records the folder of this program and its libraries (the\n"
     "Conduit Manager CondMgr and HSAPI among them) and the HotSync root, where conduit installers\n"
     "and the libraries find them (Windows: HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot\n"
     "Desktop\\Core, values Path, HotSyncPath and Root; Linux: ~/.config/reelbox-hotsync/Core.txt).\n",
     "hotsync --root /tmp/hs setup"},
    {"conduits", "the registered conduits: list, install, remove", "[--root DIR] conduits [list]",
     "The conduits a sync runs, in priority order (lower first), registered in the root's\n"
     "\"Conduits.txt\" through the Conduit Manager library, as installers register them.\n",
     "hotsync --root /tmp/hs conduits"},
    {"conduits list", "the registered conduits, in the order a sync runs them", "[--root DIR] conduits list",
     "One line per registered conduit: creator, priority, title, folder and file.\n",
     "hotsync --root /tmp/hs conduits list"},
    {"conduits install", "register a conduit library",
     "[--root DIR] conduits install FILE [--creator CODE] [--directory NAME] [--priority 0-4]\n"
     "                  [--title TEXT]",
     "Registers FILE (or updates the registration of the same file): the creator comes from a\n"
     "file name such as KVRTConduit.dll or libKVRTConduit.so unless given, the title from the\n"
     "conduit's name; priority 2 unless given.\n",
     "hotsync --root /tmp/hs conduits install build/native/bin/libKVRTConduit.so"},
    {"conduits remove", "unregister the conduit of a creator", "[--root DIR] conduits remove CREATOR",
     "Removes the registration; every user's folder and files are kept.\n",
     "hotsync --root /tmp/hs conduits remove KVRT"},
    {"install", "prepare the conduit's folder for the user", "[--root DIR] [--user NAME] install",
     "Lets the conduit finish its installation for the user: it creates its folder \"Cinevane\" in\n"
     "the user's folder. Run it once per user before the first sync.\n",
     "hotsync --root /tmp/hs --user \"Jo Smith\" install"},
    {"info", "the conduit's name and version", "[--root DIR] [--conduit PATH] info",
     "Shows the conduit's file, name, version and what it tells the manager about itself.\n",
     "hotsync info"},
    {"sync", "one synchronization",
     "[--root DIR] [--user NAME] [--handheld DIR] sync [--do-nothing] [--dry-run] [--quiet]\n"
     "                  [--cancel-at TEXT]",
     "Runs one synchronization of the user's handheld through the conduit, then prints this\n"
     "sync's HotSync log. Ctrl-C asks the conduit to stop. Before the sync the handheld folder is\n"
     "copied to a backup (the last five are kept; see: hotsync help handheld backups).\n"
     "  --do-nothing      the conduit is told to do nothing this time\n"
     "  --dry-run         synchronize a copy of the handheld with copies of the movie list files,\n"
     "                    show what would change, and keep nothing\n"
     "  --quiet           print only the outcome\n"
     "  --cancel-at TEXT  cancel when the conduit shows the status TEXT (as Ctrl-C would)\n"
     "Exit status: 0 success; 1 the synchronization failed; 2 bad arguments; 3 cancelled;\n"
     "4 it finished, but the conduit reported errors in the HotSync log.\n",
     "hotsync --root /tmp/hs sync --dry-run"},
    {"configure", "the conduit's settings dialog", "[--root DIR] [--user NAME] configure",
     "Opens the conduit's settings dialog (a form in the terminal on Linux, a window on Windows)\n"
     "and shows what it was set to. In the terminal form Tab and Shift-Tab move, Space toggles or\n"
     "presses, Enter is OK and Escape cancels.\n",
     "hotsync --root /tmp/hs configure"},
    {"handheld", "what the handheld holds, shown or set",
     "[--root DIR] [--user NAME] [--handheld DIR] handheld SUBCOMMAND ...",
     "The user's simulated handheld (or the folder --handheld names): one Palm database file per\n"
     "handheld database.\n",
     "hotsync --root /tmp/hs handheld movies --format json"},
    {"handheld list", "the databases on the handheld", "[--user NAME] [--handheld DIR] handheld list",
     "One line per database file: name, type, creator, record count, attributes, version.\n",
     "hotsync handheld list"},
    {"handheld dump", "one database: header, records in hex",
     "[--user NAME] [--handheld DIR] handheld dump NAME",
     "Shows the header (dates in words), the AppInfo block and every record or resource with its\n"
     "id, attributes and category, in hex. NAME is a database name or its file name.\n",
     "hotsync handheld dump Movie-Lists"},
    {"handheld movies", "the movie records",
     "[--user NAME] [--handheld DIR] handheld movies [--format table|tsv|json]",
     "  table  (the default) id, title, year, media, minutes, category, fitted to the terminal\n"
     "  tsv    exactly what the export file MyMoviesExport.tab would hold (its bytes)\n"
     "  json   one object per movie, keys as the export file's columns (UTF-8)\n",
     "hotsync handheld movies --format tsv > movies.tab"},
    {"handheld events", "the movie event records",
     "[--user NAME] [--handheld DIR] handheld events [--format table|tsv|json]",
     "One event per line: list, start, end, summary, uid (tsv and json add the description).\n",
     "hotsync handheld events --format json"},
    {"handheld feeds", "the event lists: name, last update, feed address",
     "[--user NAME] [--handheld DIR] handheld feeds [set N NAME ADDRESS]",
     "Shows the event lists (1 to 16) of the database Movie-Events and when the next events run\n"
     "is due; set names list N and points it at a feed (an address without a scheme is fetched\n"
     "over http://, a webcal:// link is stored as http://; \"\" turns the list off). A name has\n"
     "at most 15 characters, an address at most 100.\n",
     "hotsync handheld feeds set 4 \"Local Cinema\" cinema.example.org/week.ics"},
    {"handheld request", "what the next sync does with the movie list files",
     "[--user NAME] [--handheld DIR] handheld request [--export] [--import MODE] [--clear]",
     "Shows, or sets as the handheld would, what the handheld asks the conduit to do at the next\n"
     "sync: --export writes every movie to MyMoviesExport.tab; --import MODE reads\n"
     "MyMoviesImport.tab first (MODE: add, overwrite, merge or ignore decides a line that matches\n"
     "a movie but differs); --clear asks for neither.\n",
     "hotsync handheld request --import merge"},
    {"handheld backups", "the backups of the handheld, newest first",
     "[--user NAME] [--handheld DIR] handheld backups",
     "Each sync first copies the handheld to \"Handheld Backups\" beside it; the last five are kept.\n",
     "hotsync handheld backups"},
    {"handheld restore", "the handheld as it was before the Nth-last sync",
     "[--user NAME] [--handheld DIR] handheld restore [N]",
     "Puts the handheld back as it was before the Nth-last sync (default 1). The handheld as it\n"
     "is first becomes backup 1, so a restore right after a restore undoes it.\n",
     "hotsync handheld restore 2"},
    {"handheld prefs", "show or set an application preference",
     "[--user NAME] [--handheld DIR] handheld prefs [CREATOR ID [VERSION HEX]] [--unsaved]",
     "Without arguments lists every preference; CREATOR ID shows one; VERSION HEX sets it (HEX: an\n"
     "even count of hex digits). --unsaved uses the preferences that are not backed up.\n",
     "hotsync handheld prefs KVRT 4 1 0003"},
    {"handheld clock", "show or set the handheld clock",
     "[--user NAME] [--handheld DIR] handheld clock [offset SECONDS | set YYYY-MM-DD HH:MM[:SS] | reset]",
     "The handheld clock is the desktop's, moved by an offset: offset sets it in seconds, set\n"
     "moves the clock to a date and time, reset goes back to the desktop's.\n",
     "hotsync handheld clock set 2026-12-24 18:00"},
    {"help", "every command, or one command's help", "help [COMMAND [SUBCOMMAND]]",
     "Shows the program's commands and options, or what one command or subcommand does with an\n"
     "example. \"hotsync COMMAND [SUBCOMMAND] --help\" shows the same.\n",
     "hotsync help handheld feeds"},
};

const char kOptions[] =
    "Options (before the command):\n"
    "  --root DIR        the HotSync root folder (default: a folder of the user's application data)\n"
    "  --user NAME       the HotSync user (needed when there are several)\n"
    "  --handheld DIR    another handheld folder (for example a handheld backup)\n"
    "  --conduit PATH    run this conduit library instead of the registered ones (for a conduit\n"
    "                    of a build tree; nothing needs to be registered)\n"
    "  --fail OPERATION:N:CODE\n"
    "                    make the Nth call of a manager operation fail with CODE, for trying out\n"
    "                    error paths (\"crash\" for WriteBack: a crash in the middle of a write-back)\n"
    "  -h, --help        this text;  --version  the program's version\n";

// Whether child's name is parent's followed by one more word.
bool IsChildOf(const CommandHelp& child, const std::string& parent) {
  const std::string name = child.name;
  return name.size() > parent.size() + 1 && name.compare(0, parent.size(), parent) == 0 &&
         name[parent.size()] == ' ' && name.find(' ', parent.size() + 1) == std::string::npos;
}

// The summaries of the entries under parent ("" for the commands), one line each.
std::string Listing(const std::string& parent, size_t indent) {
  std::string text;
  for (const CommandHelp& entry : kHelp) {
    std::string word = entry.name;
    if (parent.empty()) {
      if (word.find(' ') != std::string::npos) continue;
    } else if (IsChildOf(entry, parent)) {
      word = word.substr(parent.size() + 1);
    } else {
      continue;
    }
    word.resize(std::max(word.size() + 2, indent), ' ');
    text += "  " + word + entry.summary + "\n";
  }
  return text;
}

}  // namespace

const CommandHelp* FindHelp(const std::string& name) {
  for (const CommandHelp& entry : kHelp) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

const CommandHelp* FindHelpFor(const std::vector<std::string>& words) {
  const CommandHelp* found = nullptr;
  std::string name;
  for (const std::string& word : words) {
    if (word.empty() || word[0] == '-') break;
    name += (name.empty() ? "" : " ") + word;
    const CommandHelp* entry = FindHelp(name);
    if (entry == nullptr) break;
    found = entry;
  }
  return found;
}

std::string SubcommandNames(const CommandHelp& help) {
  std::string names;
  for (const CommandHelp& entry : kHelp) {
    if (!IsChildOf(entry, help.name)) continue;
    names += (names.empty() ? "" : ", ") + std::string(entry.name).substr(std::strlen(help.name) + 1);
  }
  return names;
}

std::string UsageLine(const CommandHelp& help) { return std::string("Usage: hotsync ") + help.usage + "\n"; }

std::string HelpText(const CommandHelp& help) {
  std::string text = UsageLine(help) + help.details;
  const std::string children = Listing(help.name, 12);
  if (!children.empty()) {
    text += "\nSubcommands (hotsync help " + std::string(help.name) + " SUBCOMMAND: one of them in full):\n" +
            children;
  }
  return text + "\nExample:\n  " + help.example + "\n";
}

std::string ProgramUsage() {
  return "Usage: hotsync [OPTIONS] COMMAND ...\n"
         "The stand-in HotSync manager: keeps HotSync users, a simulated handheld per user, and runs\n"
         "the conduit's synchronization.\n"
         "\n"
         "Commands (hotsync help COMMAND, or hotsync COMMAND --help: one of them with an example):\n" +
         Listing("", 12) + "\n" + kOptions +
         "\n"
         "Exit status: 0 success, 1 failure, 2 bad arguments; sync also 3 (cancelled) and 4 (finished,\n"
         "but the conduit reported errors in the HotSync log).\n"
         "\n"
         "Example:\n"
         "  hotsync --root /tmp/hs user add \"Jo Smith\" && hotsync --root /tmp/hs install\n";
}

}  // namespace hotsync
