/* What every conduit pays under Wine before its own work: a process that starts COM in the
 * thread, as OpenConduit must, and ends. Wine's apartment makes a window for it, and the first
 * window of a process loads the system's fonts. */
#include <windows.h>
#include <objbase.h>

int main(void) {
  HRESULT result = CoInitialize(NULL);
  if (SUCCEEDED(result)) CoUninitialize();
  return SUCCEEDED(result) ? 0 : 1;
}
