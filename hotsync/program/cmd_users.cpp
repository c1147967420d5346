// hotsync user add NAME | user list
#include <cstdio>
#include <string>

#include "core/users.h"
#include "platform/host.h"
#include "program/commands.h"
#include "program/output.h"

namespace hotsync {

int RunUserCommand(const Options& options) {
  const std::vector<std::string>& words = options.words;
  if (words.size() == 3 && words[1] == "add") {
    UserEntry user;
    std::string error;
    if (!AddUser(options.root, words[2], &user, &error)) {
      PrintError("hotsync: %s\n", error.c_str());
      return 1;
    }
    Print("User \"%s\" added (id %lu): %s\n", user.name.c_str(),
          static_cast<unsigned long>(user.id),
          JoinPath(options.root, user.folder).c_str());
    return 0;
  }
  if (words.size() == 2 && words[1] == "list") {
    std::vector<UserEntry> users;
    std::string error;
    if (!LoadUsers(options.root, &users, &error)) {
      PrintError("hotsync: %s\n", error.c_str());
      return 1;
    }
    Print("HotSync root: %s\n", options.root.c_str());
    if (users.empty()) Print("No users (add one with: %s).\n", CommandLine(RootOnly(options), "user add NAME").c_str());
    Table table;
    table.AddColumn("", 4, false, true);
    table.AddColumn("", 40, true);
    table.AddColumn("", 0, true);
    for (const UserEntry& user : users) table.AddRow({std::to_string(user.id), user.name, user.folder});
    table.Print();
    return 0;
  }
  return UsageError("user takes: add NAME | list");
}

}  // namespace hotsync
