// ReelboxConduitSetup.exe: the installer's steps that talk to the HotSync manager, run by the
// installer (Reelbox-Setup.exe) and its uninstaller. Everything goes through the manager's public
// libraries, found in the folder its set-up records: CondMgr.dll and HSAPI.dll (__stdcall, bound by
// name), UserData.dll (__stdcall, by ordinal) and the conduit's own FinishInstall.
//
//   check DIR      may the conduit be installed into DIR? changes nothing
//   close          closes HotSync, waiting at most 30 s for a synchronization to end
//   install DIR    registers DIR\KVRTConduit.dll (or updates our own registration), creates each
//                  user's folder, reloads and restarts HotSync; a new registration is undone when
//                  a later step of it fails
//   start          reloads and restarts HotSync (after a failed installation)
//   uninstall DIR  closes HotSync, removes our registration, reloads and restarts HotSync
//
// Exit status: 0 done; 1 failed; 2 no HotSync manager; 3 creator "KVRT" belongs to another
// conduit; 4 a synchronization is running.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

enum : int { kDone = 0, kFailed = 1, kNoManager = 2, kCreatorTaken = 3, kSyncRunning = 4 };

const char kCreator[] = "KVRT";
const char kConduitFile[] = "KVRTConduit.dll";
const char kDirectory[] = "Cinevane";
const char kTitle[] = "Reelbox";
const DWORD kPriority = 2;
const int kNoConduit = -1003;
const int kCreatorInUse = -1005;
const int kBufferTooSmall = -1010;

typedef int(WINAPI* InstallCreatorFn)(const char*, int);
typedef int(WINAPI* CreatorFn)(const char*);
typedef int(WINAPI* SetTextFn)(const char*, const char*);
typedef int(WINAPI* SetPriorityFn)(const char*, DWORD);
typedef int(WINAPI* GetTextFn)(const char*, char*, int*);
typedef long(WINAPI* StatusFn)(void);
typedef long(WINAPI* SyncStatusFn)(DWORD*);
typedef long(WINAPI* AppStatusFn)(int, DWORD);
typedef WORD(WINAPI* UserCountFn)(void);
typedef long(WINAPI* UserIdFn)(WORD, DWORD*);
typedef long(WINAPI* UserNameFn)(DWORD, char*, short*);
typedef long(__cdecl* FinishInstallFn)(const char*);

struct Manager {
  std::string folder;
  HMODULE condMgr = nullptr;
  HMODULE hsApi = nullptr;
  InstallCreatorFn installCreator = nullptr;
  CreatorFn removeCreator = nullptr;
  SetTextFn setName = nullptr, setDirectory = nullptr, setTitle = nullptr;
  SetPriorityFn setPriority = nullptr;
  GetTextFn getName = nullptr;
  StatusFn checkApi = nullptr, refresh = nullptr;
  SyncStatusFn syncStatus = nullptr;
  AppStatusFn appStatus = nullptr;
};

template <typename Fn>
bool Bind(HMODULE module, const char* name, Fn* fn) {
  *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (*fn == nullptr) std::printf("The HotSync manager's library lacks %s.\n", name);
  return *fn != nullptr;
}

// The manager its set-up recorded under HKEY_CURRENT_USER; false when there is none.
bool FindManager(Manager* manager) {
  HKEY key = nullptr;
  char path[MAX_PATH] = {0};
  DWORD size = sizeof path - 1;
  DWORD type = 0;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\U.S. Robotics\\Pilot Desktop\\Core", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LONG result = RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ || path[0] == 0) return false;
  manager->folder = path;
  if (manager->folder.back() == '\\') manager->folder.pop_back();
  manager->condMgr = LoadLibraryA((manager->folder + "\\CondMgr.dll").c_str());
  manager->hsApi = LoadLibraryA((manager->folder + "\\HSAPI.dll").c_str());
  if (manager->condMgr == nullptr || manager->hsApi == nullptr) return false;
  return Bind(manager->condMgr, "CmInstallCreator", &manager->installCreator) &&
         Bind(manager->condMgr, "CmRemoveConduitByCreatorID", &manager->removeCreator) &&
         Bind(manager->condMgr, "CmSetCreatorName", &manager->setName) &&
         Bind(manager->condMgr, "CmSetCreatorDirectory", &manager->setDirectory) &&
         Bind(manager->condMgr, "CmSetCreatorTitle", &manager->setTitle) &&
         Bind(manager->condMgr, "CmSetCreatorPriority", &manager->setPriority) &&
         Bind(manager->condMgr, "CmGetCreatorName", &manager->getName) &&
         Bind(manager->hsApi, "HsCheckApiStatus", &manager->checkApi) &&
         Bind(manager->hsApi, "HsRefreshConduitInfo", &manager->refresh) &&
         Bind(manager->hsApi, "HsGetSyncStatus", &manager->syncStatus) &&
         Bind(manager->hsApi, "HsSetAppStatus", &manager->appStatus);
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH] = {0};
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(full) : path;
}

std::string ConduitPath(const std::string& folder) {
  std::string path = FullPath(folder);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + kConduitFile;
}

// The file "KVRT" is registered to: true with *file set, false when it is not registered.
bool RegisteredFile(const Manager& manager, std::string* file, int* result) {
  char name[MAX_PATH * 2] = {0};
  int size = sizeof name;
  *result = manager.getName(kCreator, name, &size);
  if (*result == kBufferTooSmall) {
    *file = "(a path too long to show)";
    *result = 0;
    return true;
  }
  *file = name;
  return *result == 0;
}

bool SameFile(const std::string& registered, const std::string& ours, const std::string& managerFolder) {
  // A bare name is a file in the manager's folder.
  const std::string path = registered.find('\\') == std::string::npos && registered.find('/') == std::string::npos
                               ? managerFolder + "\\" + registered
                               : registered;
  return lstrcmpiA(FullPath(path).c_str(), ours.c_str()) == 0;
}

bool SyncRunning(const Manager& manager) {
  DWORD status = 0;
  return manager.syncStatus(&status) == 0 && status != 0;
}

int Check(const Manager& manager, const std::string& folder) {
  if (SyncRunning(manager)) {
    std::printf("A HotSync synchronization is running. Let it finish, then run Setup again.\n");
    return kSyncRunning;
  }
  std::string file;
  int result = 0;
  if (RegisteredFile(manager, &file, &result) && !SameFile(file, ConduitPath(folder), manager.folder)) {
    std::printf("The HotSync creator \"%s\" is registered to another conduit:\n  %s\n"
                "Setup changed nothing. Remove that conduit first, or install Reelbox into its folder.\n",
                kCreator, file.c_str());
    return kCreatorTaken;
  }
  if (result != 0 && result != kNoConduit) {
    std::printf("The HotSync manager's conduit list cannot be read (error %d).\n", result);
    return kFailed;
  }
  return kDone;
}

int Close(const Manager& manager) {
  if (manager.checkApi() != 0) return kDone;  // HotSync is not running
  manager.appStatus(0, 0);
  for (int waited = 0; SyncRunning(manager); waited += 250) {
    if (waited >= 30000) {
      std::printf("HotSync did not close within 30 seconds: a synchronization is still running.\n");
      return kSyncRunning;
    }
    Sleep(250);
  }
  return kDone;
}

void Start(const Manager& manager) {
  manager.refresh();
  manager.appStatus(1, 0);
}

int Register(const Manager& manager, const std::string& conduit) {
  std::string file;
  int result = 0;
  const bool update = RegisteredFile(manager, &file, &result);
  if (update && !SameFile(file, conduit, manager.folder)) {
    std::printf("The HotSync creator \"%s\" is registered to another conduit (%s); nothing changed.\n", kCreator,
                file.c_str());
    return kCreatorTaken;
  }
  if (!update) {
    result = manager.installCreator(kCreator, 1);
    if (result != 0 && result != kCreatorInUse) {
      std::printf("Registering the conduit with HotSync failed (error %d).\n", result);
      return kFailed;
    }
  }
  result = manager.setName(kCreator, conduit.c_str());
  if (result == 0) result = manager.setDirectory(kCreator, kDirectory);
  if (result == 0) result = manager.setTitle(kCreator, kTitle);
  if (result == 0) result = manager.setPriority(kCreator, kPriority);
  if (result != 0) {
    std::printf("Registering the conduit with HotSync failed (error %d).\n", result);
    // A registration of our own making goes again: it must not point at files about to go.
    if (!update) manager.removeCreator(kCreator);
    return kFailed;
  }
  std::printf("%s HotSync conduit \"%s\": %s\n", update ? "Updated the" : "Registered the", kCreator,
              conduit.c_str());
  return kDone;
}

// FinishInstall for every HotSync user; a user that fails is named and the others still get theirs.
void FinishForUsers(const Manager& manager, const std::string& conduit) {
  // The conduit and the user registry load the manager's libraries from its folder (looked up:
  // the headers for Windows XP without its service packs do not declare it).
  typedef BOOL(WINAPI * SetDllDirectoryFn)(const char*);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  SetDllDirectoryFn setDllDirectory =
      kernel != nullptr ? reinterpret_cast<SetDllDirectoryFn>(
                              reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")))
                        : nullptr;
  if (setDllDirectory != nullptr) setDllDirectory(manager.folder.c_str());
  HMODULE userData = LoadLibraryA((manager.folder + "\\UserData.dll").c_str());
  HMODULE module = LoadLibraryA(conduit.c_str());
  UserCountFn count = nullptr;
  UserIdFn userId = nullptr;
  UserNameFn userName = nullptr;
  FinishInstallFn finish = nullptr;
  if (userData != nullptr) {
    count = reinterpret_cast<UserCountFn>(reinterpret_cast<void*>(GetProcAddress(userData, MAKEINTRESOURCEA(101))));
    userId = reinterpret_cast<UserIdFn>(reinterpret_cast<void*>(GetProcAddress(userData, MAKEINTRESOURCEA(102))));
    userName = reinterpret_cast<UserNameFn>(reinterpret_cast<void*>(GetProcAddress(userData, MAKEINTRESOURCEA(103))));
  }
  if (module != nullptr) {
    finish = reinterpret_cast<FinishInstallFn>(reinterpret_cast<void*>(GetProcAddress(module, "FinishInstall")));
  }
  if (count == nullptr || userId == nullptr || userName == nullptr || finish == nullptr) {
    std::printf("The HotSync users' folders could not be prepared (the user list or the conduit did not load);\n"
                "each user's first synchronization reports it.\n");
    return;
  }
  const WORD users = count();
  for (WORD index = 0; index < users; ++index) {
    DWORD id = 0;
    char name[100] = {0};
    short size = 99;
    if (userId(index, &id) <= 0 || userName(id, name, &size) <= 0) {
      std::printf("HotSync user %u: the name could not be read; that user's folder was not prepared.\n",
                  static_cast<unsigned>(index + 1));
      continue;
    }
    const long result = finish(name);
    if (result == 0) {
      std::printf("Prepared the folder \"%s\" of HotSync user \"%s\".\n", kDirectory, name);
    } else {
      std::printf("The folder of HotSync user \"%s\" could not be prepared (error %ld); the other users "
                  "are not affected.\n", name, result);
    }
  }
}

int Uninstall(const Manager& manager, const std::string& folder) {
  if (int status = Close(manager)) return status;
  std::string file;
  int result = 0;
  if (RegisteredFile(manager, &file, &result)) {
    if (SameFile(file, ConduitPath(folder), manager.folder)) {
      result = manager.removeCreator(kCreator);
      if (result != 0 && result != kNoConduit) {
        std::printf("Removing the conduit from HotSync failed (error %d); nothing was removed.\n", result);
        Start(manager);
        return kFailed;
      }
      std::printf("Removed the HotSync conduit \"%s\".\n", kCreator);
    } else {
      std::printf("The HotSync creator \"%s\" belongs to another conduit now (%s); it stays.\n", kCreator,
                  file.c_str());
    }
  }
  Start(manager);
  return kDone;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  const bool needsFolder = command == "check" || command == "install" || command == "uninstall";
  if ((needsFolder && argc != 3) || (!needsFolder && argc != 2) ||
      (!needsFolder && command != "close" && command != "start")) {
    std::printf("Usage: ReelboxConduitSetup check|install|uninstall FOLDER, or close|start\n");
    return kFailed;
  }
  Manager manager;
  if (!FindManager(&manager)) {
    if (command == "uninstall") {
      std::printf("No HotSync manager is set up: there is no registration to remove.\n");
      return kDone;
    }
    std::printf("No HotSync manager was found on this computer. Install and set up the HotSync manager "
                "(Palm Desktop), then run Reelbox Setup again.\n");
    return kNoManager;
  }
  const std::string folder = needsFolder ? argv[2] : "";
  if (command == "check") return Check(manager, folder);
  if (command == "close") return Close(manager);
  if (command == "start") {
    Start(manager);
    return kDone;
  }
  if (command == "uninstall") return Uninstall(manager, folder);
  const std::string conduit = ConduitPath(folder);
  if (int status = Register(manager, conduit)) return status;
  FinishForUsers(manager, conduit);
  Start(manager);
  return kDone;
}
