#include "core/users.h"

#include <cstdlib>

#include "core/file_names.h"
#include "core/line_file.h"
#include "platform/host.h"

namespace hotsync {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool ValidName(const std::string& name, std::string* error) {
  if (name.empty() || name.size() > kMaxUserNameLength) {
    *error = "a user name has 1 to 40 characters";
    return false;
  }
  if (name.front() == ' ' || name.back() == ' ') {
    *error = "a user name does not start or end with a blank";
    return false;
  }
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) {
      *error = "a user name holds no control characters";
      return false;
    }
  }
  return true;
}

}  // namespace

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool LoadUsers(const std::string& root, std::vector<UserEntry>* users, std::string* error) {
  users->clear();
  const std::string path = JoinPath(root, kUsersFileName);
  return ForEachLineOfFile(path, [&](const std::string& line, int line_number) {
    size_t tab1 = line.find('\t');
    size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    char* number_end = nullptr;
    unsigned long id = std::strtoul(line.c_str(), &number_end, 10);
    if (tab2 == std::string::npos || number_end != line.c_str() + tab1 || tab1 == 0) {
      *error = "user registry \"" + path + "\" line " + std::to_string(line_number) +
               " is not \"id<TAB>name<TAB>folder\"";
      return false;
    }
    UserEntry user;
    user.id = static_cast<uint32_t>(id);
    user.name = line.substr(tab1 + 1, tab2 - tab1 - 1);
    user.folder = line.substr(tab2 + 1);
    users->push_back(user);
    return true;
  }, error);
}

bool AddUser(const std::string& root, const std::string& name, UserEntry* added,
             std::string* error) {
  if (!ValidName(name, error)) return false;
  std::vector<UserEntry> users;
  if (!MakeFolders(root, error) || !LoadUsers(root, &users, error)) return false;
  uint32_t next_id = 1;
  for (const UserEntry& user : users) {
    if (SameNameIgnoringCase(user.name, name)) {
      *error = "user \"" + user.name + "\" is already registered";
      return false;
    }
    if (user.id >= next_id) next_id = user.id + 1;
  }
  UserEntry user;
  user.id = next_id;
  user.name = name;
  user.folder = UserFolderName(name);
  const std::string folder = JoinPath(root, user.folder);
  if (!MakeFolders(JoinPath(folder, kHandheldFolderName), error)) return false;
  std::string text;
  users.push_back(user);
  for (const UserEntry& u : users) {
    text += std::to_string(u.id) + "\t" + u.name + "\t" + u.folder + "\n";
  }
  if (!ReplaceFileAtomically(JoinPath(root, kUsersFileName), Bytes(text.begin(), text.end()),
                             error)) {
    return false;
  }
  *added = user;
  return true;
}

bool FindUser(const std::vector<UserEntry>& users, const std::string& name, UserEntry* found,
              std::string* error) {
  if (name.empty()) {
    if (users.size() == 1) {
      *found = users[0];
      return true;
    }
    *error = users.empty() ? "no user is registered (use: user add NAME)"
                           : "several users are registered: name one with --user";
    return false;
  }
  for (const UserEntry& user : users) {
    if (SameNameIgnoringCase(user.name, name)) {
      *found = user;
      return true;
    }
  }
  *error = "no user \"" + name + "\" is registered";
  return false;
}

}  // namespace hotsync
