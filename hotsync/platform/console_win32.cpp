#include "platform/console.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/charset.h"
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

// Whether the locale variables (set under Wine from the Linux session, seldom on Windows) name UTF-8.
bool LocaleSaysUtf8() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != 0) return CharsetOfLocale(value) == Charset::kUtf8;
  }
  return false;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
  if (!wide.empty()) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &wide[0], static_cast<int>(wide.size()));
  return wide;
}

}  // namespace

void InstallInterruptHandler() { SetConsoleCtrlHandler(OnControl, TRUE); }

bool Interrupted() { return InterlockedCompareExchange(&g_interrupted, 0, 0) != 0; }

bool StdoutIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

bool CanShowDialogs(std::string* why) {
  if (GetSystemMetrics(SM_CXSCREEN) > 0) return true;
  *why = "it is a window, and there is no display to show it on; run it on the desktop (under Wine: "
         "with a display, for example inside xvfb-run or an X session)";
  return false;
}

bool RedirectDocumentsFolder(const std::string& folder, std::string* why) {
  const std::string library_folder = JoinPath(ProgramFolder(), "dry-run");
  const std::string library = JoinPath(library_folder, "SHFolder.dll");
  if (!SetEnvironmentVariableA("HOTSYNC_DRY_RUN_DOCUMENTS", folder.c_str()) ||
      !SetDllDirectoryA(library_folder.c_str()) || LoadLibraryA(library.c_str()) == nullptr) {
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
  const char* app_data = std::getenv("APPDATA");
  return JoinPath(app_data != nullptr ? app_data : ".", "Reelbox HotSync");
}

void WriteUtf8(int stream, const std::string& text) {
  FILE* file = stream == 2 ? stderr : stdout;
  HANDLE handle = GetStdHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    // A console shows Unicode whatever its code page; what stdio holds goes out first.
    std::fflush(file);
    const std::wstring wide = Wide(text);
    DWORD written = 0;
    if (!wide.empty()) WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  static const bool utf8 = LocaleSaysUtf8() || GetACP() == CP_UTF8;
  std::string shown = text;
  if (!utf8) {
    const std::wstring wide = Wide(text);
    const int size = static_cast<int>(wide.size());
    const int length = wide.empty() ? 0 : WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, "?", nullptr);
    shown.assign(static_cast<size_t>(length), '\0');
    if (length > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &shown[0], length, "?", nullptr);
  }
  std::fwrite(shown.data(), 1, shown.size(), file);
}

int OutputWidth() {
  const char* columns = std::getenv("COLUMNS");
  if (columns != nullptr && std::atoi(columns) > 0) return std::atoi(columns);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
    return info.srWindow.Right - info.srWindow.Left + 1;
  }
  return 0;
}

}  // namespace hotsync
