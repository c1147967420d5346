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
  (void)folder;
  *why = "the documents folder cannot be redirected on Windows yet";
  return false;
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
