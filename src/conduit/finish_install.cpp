#include "conduit/finish_install.h"

#include <cstring>
#include <string>

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
InstallResult CreateDataFolder(FileSystem& files, const char* user_name, int32_t user_count) {
  char root[kFolderCapacity + 1] = {};
  int16_t size = kFolderCapacity;
  if (UmGetRootDirectory(root, &size) <= 0) return InstallResult::kNoRootFolder;
  root[kFolderCapacity] = '\0';

  uint32_t user_id = 0;
  bool found = false;
  for (int32_t i = 0; i < user_count && !found; ++i) {
    uint32_t id = 0;
    UmGetUserId(static_cast<uint16_t>(i), &id);
    char name[kNameCapacity + 1] = {};
    int16_t name_size = kNameCapacity;
    UmGetUserName(id, name, &name_size);
    name[kNameCapacity] = '\0';
    if (SameNameIgnoringCase(name, user_name ? user_name : "")) {
      user_id = id;
      found = true;
    }
  }
  if (!found) return InstallResult::kNoSuchUser;

  char user[kFolderCapacity + 1] = {};
  size = kFolderCapacity;
  if (UmGetUserDirectory(user_id, user, &size) <= 0) return InstallResult::kNoUserFolder;
  user[kFolderCapacity] = '\0';

  // The root ends in a separator as the manager returns it; the user folder follows directly.
  std::string path = JoinPath(files, std::string(root) + user, kDataFolder);
  if (path.size() > kMaxPathChars) return InstallResult::kFolderNotCreated;
  uint32_t error = files.MakeDirectory(path);
  if (error != kErrNone && error != kErrAlreadyExists) return InstallResult::kFolderNotCreated;
  return InstallResult::kOk;
}

}  // namespace

int32_t InstallUserFolder(Env& env, const char* user_name) {
  int32_t user_count = UmGetUserCount();
  SystemServices& system = env.System();
  int32_t com = system.InitializeCom();
  if (com != 0 && com != 1) return com;
  InstallResult result = InstallResult::kFolderNotCreated;
  try {
    result = CreateDataFolder(env.Files(), user_name, user_count);
  } catch (...) {
    // Out of memory while forming the path: the folder was not created.
  }
  system.UninitializeCom();
  return ToInt(result);
}
