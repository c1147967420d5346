// UserData: the HotSync users of the session's root folder (without a session, of the root the
// manager's set-up recorded). Results above 0 are success (the length of the text copied, or 1);
// -1 means failure (no root, unknown user, no room: the buffer must hold the text and its
// terminator; *size then tells the room needed).
#include <cstring>

#include "core/manager_root.h"
#include "core/users.h"
#include "hotsync_api.h"
#include "hotsync_session.h"
#include "platform/host.h"

using namespace hotsync;

namespace {

// 0 with the users loaded; otherwise the result to return.
int32_t Enter(const char* operation, std::vector<UserEntry>* users, std::string* root) {
  // Outside a session (an installer's process), the root the manager's set-up recorded.
  *root = ManagerRoot();
  if (root->empty()) return -1;
  if (int32_t code = HsCheckFault(operation)) return code;
  std::string error;
  return LoadUsers(*root, users, &error) ? 0 : -1;
}

const UserEntry* FindId(const std::vector<UserEntry>& users, uint32_t id) {
  for (const UserEntry& user : users) {
    if (user.id == id) return &user;
  }
  return nullptr;
}

int32_t CopyText(const std::string& text, char* buffer, int16_t* size) {
  if (buffer == nullptr || size == nullptr) return -1;
  if (*size <= 0 || text.size() + 1 > static_cast<size_t>(*size)) {
    *size = static_cast<int16_t>(text.size() + 1);
    return -1;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *size = static_cast<int16_t>(text.size() + 1);
  return text.empty() ? 1 : static_cast<int32_t>(text.size());
}

std::string Comparable(const std::string& path) {
  std::string out = path;
  for (char& c : out) {
    if (c == '\\') c = '/';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace

extern "C" {

uint16_t HS_WINAPI UmGetUserCount(void) {
  std::vector<UserEntry> users;
  std::string root;
  // The count is 16 bits wide: a failure can only say "no users".
  if (Enter("UmGetUserCount", &users, &root) != 0) return 0;
  return static_cast<uint16_t>(users.size() > 0xFFFF ? 0xFFFF : users.size());
}

int32_t HS_WINAPI UmGetUserId(uint16_t index, uint32_t* user_id) {
  std::vector<UserEntry> users;
  std::string root;
  if (int32_t code = Enter("UmGetUserId", &users, &root)) return code;
  if (user_id == nullptr || index >= users.size()) return -1;
  *user_id = users[index].id;
  return 1;
}

int32_t HS_WINAPI UmGetUserName(uint32_t user_id, char* buffer, int16_t* size) {
  std::vector<UserEntry> users;
  std::string root;
  if (int32_t code = Enter("UmGetUserName", &users, &root)) return code;
  const UserEntry* user = FindId(users, user_id);
  return user != nullptr ? CopyText(user->name, buffer, size) : -1;
}

int32_t HS_WINAPI UmGetUserDirectory(uint32_t user_id, char* buffer, int16_t* size) {
  std::vector<UserEntry> users;
  std::string root;
  if (int32_t code = Enter("UmGetUserDirectory", &users, &root)) return code;
  const UserEntry* user = FindId(users, user_id);
  return user != nullptr ? CopyText(user->folder, buffer, size) : -1;
}

// The root ends in a separator: callers append the user's folder name directly.
int32_t HS_WINAPI UmGetRootDirectory(char* buffer, int16_t* size) {
  std::vector<UserEntry> users;
  std::string root;
  if (int32_t code = Enter("UmGetRootDirectory", &users, &root)) return code;
  return CopyText(JoinPath(root, ""), buffer, size);
}

int32_t HS_WINAPI UmGetUserIdFromPath(const char* path, uint32_t* user_id) {
  std::vector<UserEntry> users;
  std::string root;
  if (int32_t code = Enter("UmGetUserIdFromPath", &users, &root)) return code;
  if (path == nullptr || user_id == nullptr) return -1;
  const std::string given = Comparable(path);
  for (const UserEntry& user : users) {
    const std::string folder = Comparable(JoinPath(root, user.folder));
    if (given.compare(0, folder.size(), folder) == 0 &&
        (given.size() == folder.size() || given[folder.size()] == '/')) {
      *user_id = user.id;
      return 1;
    }
  }
  return -1;
}

}  // extern "C"
