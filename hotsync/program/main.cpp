// hotsync: the stand-in HotSync manager's command line.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/handheld.h"
#include "core/users.h"
#include "hotsync_session.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/host.h"
#include "program/commands.h"
#include "program/output.h"

namespace hotsync {
namespace {

const char kVersion[] = "1.0";

// The command being run, so that a usage error shows that command's usage.
const CommandHelp* g_command = nullptr;

// The names of the registered users, for a message: "Alice", "Bob".
std::string UserNames(const std::vector<UserEntry>& users) {
  std::string names;
  for (const UserEntry& user : users) names += (names.empty() ? "\"" : ", \"") + user.name + "\"";
  return names;
}

// The command's words as the user would type them again.
std::string Words(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) line += (line.empty() ? "" : " ") + QuotedArgument(word);
  return line;
}

}  // namespace

int UsageError(const std::string& message) {
  if (!message.empty()) PrintError("hotsync: %s\n", message.c_str());
  if (g_command == nullptr) {
    PrintError("%s", ProgramUsage().c_str());
    return 2;
  }
  const std::string subcommands = SubcommandNames(*g_command);
  PrintError("%s", UsageLine(*g_command).c_str());
  if (!subcommands.empty()) PrintError("Subcommands: %s\n", subcommands.c_str());
  PrintError("(hotsync help %s: what it does, with an example; hotsync --help: every command)\n", g_command->name);
  return 2;
}

std::string HandheldTimeText(uint32_t seconds) {
  constexpr int64_t kSeconds1904To1970 = 2082844800;
  return FormatWallClock(static_cast<int64_t>(seconds) - kSeconds1904To1970);
}

std::string QuotedArgument(const std::string& text) {
  if (PathSeparator() == '\\') {
    // Double quotes around anything with a blank, a character of cmd.exe's own or a backslash:
    // the line then also pastes into a POSIX shell running the program under Wine. Backslashes
    // before the closing quote are doubled, or the program would read an escaped quote.
    if (!text.empty() && text.find_first_of(" \t\"&|<>^()\\") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
    size_t trailing = 0;
    while (trailing < text.size() && text[text.size() - 1 - trailing] == '\\') ++trailing;
    return quoted + std::string(trailing, '\\') + "\"";
  }
  // A POSIX shell: single quotes keep everything as it is, but a single quote itself.
  bool plain = !text.empty();
  for (unsigned char c : text) {
    plain = plain && (std::isalnum(c) || std::strchr("_@%+=:,./-", c) != nullptr || c >= 0x80);
  }
  if (plain) return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string CommandLine(const Options& options, const std::string& command) {
  std::string line = "hotsync";
  if (options.rootGiven) line += " --root " + QuotedArgument(options.root);
  if (!options.user.empty()) line += " --user " + QuotedArgument(options.user);
  if (!options.handheld.empty()) line += " --handheld " + QuotedArgument(options.handheld);
  return line + " " + command;
}

Options RootOnly(const Options& options) {
  Options root;
  root.root = options.root;
  root.rootGiven = options.rootGiven;
  return root;
}

std::string HotSyncLogPath(const Options& options, const UserEntry& user) {
  return JoinPath(JoinPath(options.root, user.folder), "HotSync Log.txt");
}

bool SelectedUser(const Options& options, UserEntry* user) {
  std::vector<UserEntry> users;
  std::string error;
  if (!LoadUsers(options.root, &users, &error)) {
    PrintError("hotsync: %s\n", error.c_str());
    return false;
  }
  if (FindUser(users, options.user, user, &error)) return true;
  if (users.empty()) {
    PrintError("hotsync: no user is registered in the HotSync root %s; add one with:\n  %s\n",
               options.root.c_str(), CommandLine(options, "user add NAME").c_str());
  } else if (options.user.empty()) {
    Options named = options;
    named.user = users[0].name;
    PrintError("hotsync: several users are registered in %s (%s); name one, for example:\n  %s\n",
               options.root.c_str(), UserNames(users).c_str(),
               CommandLine(named, Words(options.words)).c_str());
  } else {
    PrintError("hotsync: no user \"%s\" is registered in %s (there %s: %s); add it with:\n  %s\n",
               options.user.c_str(), options.root.c_str(), users.size() == 1 ? "is" : "are",
               UserNames(users).c_str(),
               CommandLine(RootOnly(options), "user add " + QuotedArgument(options.user)).c_str());
  }
  return false;
}

std::string HandheldFolderFor(const Options& options) {
  if (!options.handheld.empty()) return options.handheld;
  UserEntry user;
  if (!SelectedUser(options, &user)) return std::string();
  return JoinPath(JoinPath(options.root, user.folder), kHandheldFolderName);
}

SessionScope::SessionScope(const Options& options, uint32_t flags) {
  // The manager's own check names no root and no way out: ours does. A handheld folder of its
  // own needs no user while none is registered.
  UserEntry user;
  std::vector<UserEntry> users;
  std::string error;
  const bool anonymous = options.user.empty() && !options.handheld.empty() &&
                         LoadUsers(options.root, &users, &error) && users.empty();
  if (!(flags & kHsSessionRootOnly) && !anonymous && !SelectedUser(options, &user)) return;
  int32_t result = HsBeginSession(options.root.c_str(),
                                  options.user.empty() ? nullptr : options.user.c_str(),
                                  options.handheld.empty() ? nullptr : options.handheld.c_str(),
                                  flags);
  if (result != 0) {
    PrintError("hotsync: %s\n", HsGetLastErrorText());
    return;
  }
  ok_ = true;
  for (const std::string& fault : options.faults) {
    char operation[64] = {0};
    char code[32] = {0};
    int nth = 0;
    if (std::sscanf(fault.c_str(), "%63[^:]:%d:%31s", operation, &nth, code) != 3) continue;
    const int32_t value = std::strcmp(code, "crash") == 0
                              ? static_cast<int32_t>(kHsFaultCrash)
                              : static_cast<int32_t>(std::strtoll(code, nullptr, 0));
    HsInjectFault(operation, nth, value);
  }
}

SessionScope::~SessionScope() { End(); }

bool SessionScope::End() {
  if (!ok_) return true;
  ok_ = false;
  if (HsEndSession() != 0) {
    PrintError("hotsync: %s\n", HsGetLastErrorText());
    return false;
  }
  return true;
}

}  // namespace hotsync

using namespace hotsync;

int main(int argc, char** argv) {
  Options options;
  options.env = &Env::Default();
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const bool takes_value = word == "--root" || word == "--user" || word == "--handheld" ||
                            word == "--conduit" || word == "--fail";
    if (!takes_value) {
      options.words.push_back(word);
      continue;
    }
    if (i + 1 >= argc || argv[i + 1][0] == 0) return UsageError(word + " needs a value");
    const std::string value = argv[++i];
    if (word == "--root") options.root = value;
    if (word == "--user") options.user = value;
    if (word == "--handheld") options.handheld = value;
    if (word == "--conduit") options.conduit = value;
    if (word == "--fail") {
      char operation[64];
      int nth = 0;
      char code[32];
      if (std::sscanf(value.c_str(), "%63[^:]:%d:%31s", operation, &nth, code) != 3 || nth < 1) {
        return UsageError("--fail takes OPERATION:N:CODE");
      }
      options.faults.push_back(value);
    }
  }
  options.rootGiven = !options.root.empty();
  if (options.root.empty()) options.root = DefaultRootFolder();
  // Paths people give with "/" print with the target's separator like the ones the program adds.
  for (std::string* path : {&options.root, &options.handheld, &options.conduit}) {
    for (char& c : *path) {
      if (c == '/') c = PathSeparator();
    }
  }
  if (options.words.empty()) return UsageError("no command given");
  const std::string command = options.words[0];
  if (command == "--version") {
    Print("hotsync %s (Reelbox stand-in HotSync manager)\n", kVersion);
    return 0;
  }
  if (command == "-h" || command == "--help") {
    Print("%s", ProgramUsage().c_str());
    return 0;
  }
  if (command == "help") {
    g_command = FindHelp("help");
    if (options.words.size() == 1) {
      Print("%s", ProgramUsage().c_str());
      return 0;
    }
    // "help sync --help" is help on sync, "help --help" help on help.
    std::string name;
    for (size_t i = 1; i < options.words.size(); ++i) {
      const std::string& word = options.words[i];
      if (word != "--help" && word != "-h") name += (name.empty() ? "" : " ") + word;
    }
    if (name.empty()) name = "help";
    const CommandHelp* help = FindHelp(name);
    if (help == nullptr) return UsageError("there is no command \"" + name + "\" (hotsync --help lists them)");
    Print("%s", HelpText(*help).c_str());
    return 0;
  }
  g_command = FindHelpFor(options.words);
  if (g_command == nullptr) return UsageError("unknown command \"" + command + "\"");
  for (const std::string& word : options.words) {
    if (word == "--help" || word == "-h") {
      Print("%s", HelpText(*g_command).c_str());
      return 0;
    }
  }
  if (!options.handheld.empty() && !FolderExists(options.handheld)) {
    PrintError("hotsync: there is no handheld folder %s\n", options.handheld.c_str());
    return 1;
  }
  if (command == "user") return RunUserCommand(options);
  if (command == "setup") return RunSetup(options);
  if (command == "conduits") return RunConduits(options);
  if (command == "install") return RunInstall(options);
  if (command == "info") return RunInfo(options);
  if (command == "configure") return RunConfigure(options);
  if (command == "sync") return RunSync(options);
  return RunHandheldCommand(options);
}
