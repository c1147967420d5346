// hotsync user add NAME | user list
#include <cstdio>

#include "core/users.h"
#include "platform/host.h"
#include "program/commands.h"

namespace hotsync {

int RunUserCommand(const Options& options) {
  const std::vector<std::string>& words = options.words;
  if (words.size() == 3 && words[1] == "add") {
    UserEntry user;
    std::string error;
    if (!AddUser(options.root, words[2], &user, &error)) {
      std::fprintf(stderr, "hotsync: %s\n", error.c_str());
      return 1;
    }
    std::printf("User \"%s\" added (id %lu): %s\n", user.name.c_str(),
                static_cast<unsigned long>(user.id),
                JoinPath(options.root, user.folder).c_str());
    return 0;
  }
  if (words.size() == 2 && words[1] == "list") {
    std::vector<UserEntry> users;
    std::string error;
    if (!LoadUsers(options.root, &users, &error)) {
      std::fprintf(stderr, "hotsync: %s\n", error.c_str());
      return 1;
    }
    std::printf("HotSync root: %s\n", options.root.c_str());
    if (users.empty()) std::printf("No users.\n");
    for (const UserEntry& user : users) {
      std::printf("%4lu  %-40s  %s\n", static_cast<unsigned long>(user.id), user.name.c_str(),
                  user.folder.c_str());
    }
    return 0;
  }
  return UsageError("user takes: add NAME | list");
}

}  // namespace hotsync
