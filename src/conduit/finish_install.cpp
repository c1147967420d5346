#include <cstring>
#include <string>

#include "conduit/conduit_info.h"
#include "diag/desktop_path.h"
#include "hotsync_api.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

constexpr int16_t kFolderCapacity = 259;
constexpr int16_t kNameCapacity = 99;
constexpr const char kDataFolder[] = "Cinevane";

bool SameNameIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char ca = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
    char cb = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
    if (ca != cb) return false;
  }
  return *a == *b;
}

// The steps after COM is up; every return goes back through InstallUserFolder's uninitialise.
int32_t CreateDataFolder(FileSystem& files, const char* userName, int32_t userCount) {
  char root[kFolderCapacity + 1] = {};
  int16_t size = kFolderCapacity;
  if (UmGetRootDirectory(root, &size) <= 0) return -2;
  root[kFolderCapacity] = '\0';

  uint32_t userId = 0;
  bool found = false;
  for (int32_t i = 0; i < userCount && !found; ++i) {
    uint32_t id = 0;
    UmGetUserId(static_cast<uint16_t>(i), &id);
    char name[kNameCapacity + 1] = {};
    int16_t nameSize = kNameCapacity;
    UmGetUserName(id, name, &nameSize);
    name[kNameCapacity] = '\0';
    if (SameNameIgnoringCase(name, userName ? userName : "")) {
      userId = id;
      found = true;
    }
  }
  if (!found) return -3;

  char user[kFolderCapacity + 1] = {};
  size = kFolderCapacity;
  if (UmGetUserDirectory(userId, user, &size) <= 0) return -4;
  user[kFolderCapacity] = '\0';

  // The root ends in a separator as the manager returns it; the user folder follows directly.
  std::string path = JoinPath(files, std::string(root) + user, kDataFolder);
  if (path.size() > kMaxPathChars) return -5;
  uint32_t error = files.MakeDirectory(path);
  if (error != 0 && error != kErrAlreadyExists) return -5;
  return 0;
}

}  // namespace

int32_t InstallUserFolder(Env& env, const char* userName) {
  int32_t userCount = UmGetUserCount();
  SystemServices& system = env.System();
  int32_t com = system.InitializeCom();
  if (com != 0 && com != 1) return com;
  int32_t result = -5;
  try {
    result = CreateDataFolder(env.Files(), userName, userCount);
  } catch (...) {
    // Out of memory while forming the path: the folder was not created.
  }
  system.UninitializeCom();
  return result;
}
