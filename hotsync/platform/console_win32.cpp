#include "platform/console.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "platform/host.h"

namespace hotsync {
namespace {

volatile LONG g_interrupted = 0;

BOOL WINAPI OnControl(DWORD event) {
  // The first Ctrl-C asks the conduit to stop; a second one ends the program (default handling).
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    return InterlockedExchange(&g_interrupted, 1) == 0 ? TRUE : FALSE;
  }
  return FALSE;
}

}  // namespace

void InstallInterruptHandler() { SetConsoleCtrlHandler(OnControl, TRUE); }

bool Interrupted() { return InterlockedCompareExchange(&g_interrupted, 0, 0) != 0; }

bool StdoutIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

bool CanShowDialogs(std::string* why) {
  if (GetSystemMetrics(SM_CXSCREEN) > 0) return true;
  *why = "it is a window, and there is no display to show it on; run hotsync configure on the desktop "
         "(under Wine: with a display, for example inside xvfb-run or an X session)";
  return false;
}

bool RedirectDocumentsFolder(const std::string& folder, std::string* why) {
  const std::string libraryFolder = JoinPath(ProgramFolder(), "dry-run");
  const std::string library = JoinPath(libraryFolder, "SHFolder.dll");
  if (!SetEnvironmentVariableA("HOTSYNC_DRY_RUN_DOCUMENTS", folder.c_str()) ||
      !SetDllDirectoryA(libraryFolder.c_str()) || LoadLibraryA(library.c_str()) == nullptr) {
    *why = "cannot load " + library;
    return false;
  }
  // Asked as the conduit asks: only an answer naming the scratch folder makes the dry run safe.
  typedef HRESULT(WINAPI * GetFolderPathFn)(HWND, int, HANDLE, DWORD, LPSTR);
  HMODULE loaded = LoadLibraryA("SHFolder.dll");
  GetFolderPathFn get = loaded ? reinterpret_cast<GetFolderPathFn>(
                                     reinterpret_cast<void*>(GetProcAddress(loaded, "SHGetFolderPathA")))
                               : nullptr;
  char path[MAX_PATH] = {0};
  const bool redirected = get != nullptr && get(nullptr, 5, nullptr, 0, path) == 0 && folder == path;
  if (loaded) FreeLibrary(loaded);
  if (!redirected) {
    *why = "the conduit's documents folder cannot be pointed at the scratch copy (under Wine, start the "
           "program with WINEDLLOVERRIDES=shfolder=n,b, as scripts/wine-run does)";
  }
  return redirected;
}

void SetBinaryStdout() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

std::string DefaultRootFolder() {
  const char* appData = std::getenv("APPDATA");
  return JoinPath(appData != nullptr ? appData : ".", "Reelbox HotSync");
}

}  // namespace hotsync
