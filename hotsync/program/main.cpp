// hotsync: the stand-in HotSync manager's command line.
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

namespace hotsync {
namespace {

const char kVersion[] = "1.0";

// The command being run, so that a usage error shows that command's usage.
std::string g_command;

}  // namespace

int UsageError(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "hotsync: %s\n", message.c_str());
  const char* usage = UsageOf(g_command);
  std::fputs(usage != nullptr ? usage : ProgramUsage(), stderr);
  if (usage != nullptr) std::fputs("(hotsync --help lists every command and option)\n", stderr);
  return 2;
}

std::string HandheldTimeText(uint32_t seconds) {
  constexpr int64_t kSeconds1904To1970 = 2082844800;
  return FormatWallClock(static_cast<int64_t>(seconds) - kSeconds1904To1970);
}

std::string QuotedArgument(const std::string& text) {
  if (!text.empty() && text.find_first_of(" \t\"'") == std::string::npos) return text;
  return "\"" + text + "\"";
}

bool SelectedUser(const Options& options, UserEntry* user) {
  std::vector<UserEntry> users;
  std::string error;
  if (!LoadUsers(options.root, &users, &error) || !FindUser(users, options.user, user, &error)) {
    std::fprintf(stderr, "hotsync: %s\n", error.c_str());
    return false;
  }
  return true;
}

std::string HandheldFolderFor(const Options& options) {
  if (!options.handheld.empty()) return options.handheld;
  UserEntry user;
  if (!SelectedUser(options, &user)) return std::string();
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
  options.env = &Env::Default();
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
  // Paths people give with "/" print with the target's separator like the ones the program adds.
  for (std::string* path : {&options.root, &options.handheld, &options.conduit}) {
    for (char& c : *path) {
      if (c == '/') c = PathSeparator();
    }
  }
  if (options.words.empty()) return UsageError("no command given");
  const std::string command = options.words[0];
  if (command == "--version") {
    std::printf("hotsync %s (Reelbox stand-in HotSync manager)\n", kVersion);
    return 0;
  }
  if (command == "-h" || command == "--help") {
    std::fputs(ProgramUsage(), stdout);
    return 0;
  }
  if (command == "help") {
    if (options.words.size() > 2) return UsageError("help takes at most one COMMAND");
    if (options.words.size() == 1) {
      std::fputs(ProgramUsage(), stdout);
      return 0;
    }
    const char* usage = UsageOf(options.words[1]);
    if (usage == nullptr) return UsageError("no command \"" + options.words[1] + "\"");
    std::fputs(usage, stdout);
    return 0;
  }
  const char* usage = UsageOf(command);
  if (usage == nullptr) return UsageError("unknown command \"" + command + "\"");
  g_command = command;
  for (const std::string& word : options.words) {
    if (word == "--help" || word == "-h") {
      std::fputs(usage, stdout);
      return 0;
    }
  }
  if (!options.handheld.empty() && !FolderExists(options.handheld)) {
    std::fprintf(stderr, "hotsync: there is no handheld folder %s\n", options.handheld.c_str());
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
