// hotsync: the stand-in HotSync manager's command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/users.h"
#include "hotsync_session.h"
#include "platform/console.h"
#include "platform/host.h"
#include "program/commands.h"

namespace hotsync {
namespace {

const char kUsage[] =
    "usage: hotsync [--root DIR] [--user NAME] [--handheld DIR] [--conduit PATH]\n"
    "               [--fail OPERATION:N:CODE] COMMAND ...\n"
    "  user add NAME | user list       register users (each gets a folder and a handheld folder)\n"
    "  install                         FinishInstall for the user\n"
    "  info                            the conduit's name, version and information answers\n"
    "  sync [--do-nothing] [--cancel-at TEXT]\n"
    "                                  one synchronization; Ctrl-C cancels (--cancel-at: from\n"
    "                                  the status TEXT on, as if Ctrl-C was pressed then)\n"
    "  configure                       CfgConduit: the settings dialog\n"
    "  handheld list | dump NAME       what the handheld holds\n"
    "  handheld prefs [CREATOR ID [VERSION HEX]] [--unsaved]\n"
    "                                  show or set an application preference\n"
    "  handheld clock [offset SECONDS | set YYYY-MM-DD HH:MM[:SS] | reset]\n"
    "                                  show or set the handheld clock\n"
    "  handheld events [set N NAME ADDRESS]\n"
    "                                  show the event lists, or name list N and set its feed\n"
    "--fail makes the Nth call of a manager operation fail with CODE (\"crash\" for WriteBack:\n"
    "a crash in the middle of a write-back).\n";

}  // namespace

int UsageError(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "hotsync: %s\n", message.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

std::string HandheldFolderFor(const Options& options) {
  if (!options.handheld.empty()) return options.handheld;
  std::vector<UserEntry> users;
  UserEntry user;
  std::string error;
  if (!LoadUsers(options.root, &users, &error) || !FindUser(users, options.user, &user, &error)) {
    std::fprintf(stderr, "hotsync: %s\n", error.c_str());
    return std::string();
  }
  return JoinPath(JoinPath(options.root, user.folder), kHandheldFolderName);
}

SessionScope::SessionScope(const Options& options, uint32_t flags) {
  int32_t result = HsBeginSession(options.root.c_str(),
                                  options.user.empty() ? nullptr : options.user.c_str(),
                                  options.handheld.empty() ? nullptr : options.handheld.c_str(),
                                  flags);
  if (result != 0) {
    std::fprintf(stderr, "hotsync: %s\n", HsGetLastErrorText());
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
    std::fprintf(stderr, "hotsync: %s\n", HsGetLastErrorText());
    return false;
  }
  return true;
}

}  // namespace hotsync

using namespace hotsync;

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const bool takesValue = word == "--root" || word == "--user" || word == "--handheld" ||
                            word == "--conduit" || word == "--fail";
    if (!takesValue) {
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
  if (options.root.empty()) options.root = DefaultRootFolder();
  if (options.words.empty()) return UsageError("no command given");
  const std::string command = options.words[0];
  if (command == "user") return RunUserCommand(options);
  if (command == "install") return RunInstall(options);
  if (command == "info") return RunInfo(options);
  if (command == "configure") return RunConfigure(options);
  if (command == "sync") return RunSync(options);
  if (command == "handheld") return RunHandheldCommand(options);
  if (command == "help" || command == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return UsageError("unknown command \"" + command + "\"");
}
