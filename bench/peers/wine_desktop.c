/* Keeps Wine's desktop up while the win32 sync is timed. Wine starts a desktop process for the
 * first program of a session that needs a window (the conduit's COM apartment makes one) and ends
 * it about a second after the last such program exits, so each timed run would start it again;
 * Windows keeps its desktop for the whole session. This program holds the desktop from "ready"
 * until its standard input closes. */
#include <stdio.h>
#include <windows.h>

int main(void) {
  char byte;
  DWORD read = 0;
  if (GetDesktopWindow() == NULL) return 1;
  fputs("ready\n", stdout);
  fflush(stdout);
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, NULL) && read != 0) {
  }
  return 0;
}
