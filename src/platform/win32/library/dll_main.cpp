#include <windows.h>

#include "platform/library_entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) OnLibraryAttach(instance);
  if (reason == DLL_PROCESS_DETACH) OnLibraryDetach();
  return TRUE;
}
