// The HotSync user registry: "Users.txt" in the HotSync root folder, one line per user,
// "id<TAB>name<TAB>folder". Each user has a folder under the root and, in it, the handheld folder
// "Handheld".
#ifndef HOTSYNC_CORE_USERS_H
#define HOTSYNC_CORE_USERS_H

#include <cstdint>
#include <string>
#include <vector>

namespace hotsync {

struct UserEntry {
  uint32_t id = 0;
  std::string name;
  std::string folder;  // folder name under the root
};

constexpr const char* kUsersFileName = "Users.txt";
constexpr const char* kHandheldFolderName = "Handheld";
constexpr size_t kMaxUserNameLength = 40;

// A missing registry is an empty one. False with *error for an unreadable or malformed file.
bool LoadUsers(const std::string& root, std::vector<UserEntry>* users, std::string* error);

// Registers a user (1 to 40 characters, printable, no tab, not starting or ending with a blank,
// not already registered ignoring ASCII case), creates its folder and empty handheld folder.
bool AddUser(const std::string& root, const std::string& name, UserEntry* added,
             std::string* error);

// The user of that name (ASCII case ignored), or the only user when name is empty.
bool FindUser(const std::vector<UserEntry>& users, const std::string& name, UserEntry* found,
              std::string* error);

bool SameNameIgnoringCase(const std::string& a, const std::string& b);

}  // namespace hotsync

#endif  // HOTSYNC_CORE_USERS_H
