// SHFolder.dll for dry runs on Windows: the conduit finds the user's documents folder by loading
// "SHFolder.dll" and asking SHGetFolderPathA for folder 5. For a dry run the manager loads this
// library first (from the "dry-run" folder beside the program, never on the usual search path), so
// the conduit's load gets it, and it answers the folder named in HOTSYNC_DRY_RUN_DOCUMENTS. Every
// other question goes to the system's shell.
#include <windows.h>

#include <cstring>

namespace {

typedef HRESULT(WINAPI* GetFolderPathFn)(HWND, int, HANDLE, DWORD, LPSTR);

constexpr int kPersonalFolder = 5;
constexpr int kFolderIdMask = 0xFF;  // the rest are creation flags

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI SHGetFolderPathA(HWND window, int folder, HANDLE token,
                                                                DWORD flags, LPSTR path) {
  char redirected[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("HOTSYNC_DRY_RUN_DOCUMENTS", redirected, MAX_PATH);
  if ((folder & kFolderIdMask) == kPersonalFolder && length > 0 && length < MAX_PATH && path != nullptr) {
    std::memcpy(path, redirected, length + 1);
    return S_OK;
  }
  HMODULE shell = LoadLibraryA("shell32.dll");
  GetFolderPathFn system =
      shell ? reinterpret_cast<GetFolderPathFn>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetFolderPathA")))
            : nullptr;
  const HRESULT result = system ? system(window, folder, token, flags, path) : E_FAIL;
  if (shell) FreeLibrary(shell);
  return result;
}
