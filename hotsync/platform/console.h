// The manager program's terminal: Ctrl-C turns into a flag (the sync asks the conduit to stop
// instead of dying), and the live status line is drawn only on a terminal.
#ifndef HOTSYNC_PLATFORM_CONSOLE_H
#define HOTSYNC_PLATFORM_CONSOLE_H

#include <string>

namespace hotsync {

void InstallInterruptHandler();
bool Interrupted();
bool StdoutIsTerminal();
// Whether a settings dialog can be shown here (a terminal on Linux, a display on Windows); false
// with what is missing and where to run the program instead ("... run it in ...").
bool CanShowDialogs(std::string* why);
// Makes the conduit loaded later in this process take folder as the user's documents folder;
// false with the reason when that cannot be done here.
bool RedirectDocumentsFolder(const std::string& folder, std::string* why);
// Standard output passes bytes as they are (no line-end translation on Windows).
void SetBinaryStdout();
// The default HotSync root: a folder of the user's own (application data).
std::string DefaultRootFolder();
// Writes UTF-8 text to standard output (stream 1) or standard error (2) in the character set of
// where the stream goes: on Linux the locale's (LC_ALL, LC_CTYPE, LANG); on Windows a console
// gets it as Unicode, a pipe or file UTF-8 when the locale variables name UTF-8 (as under Wine),
// else the ANSI code page's.
void WriteUtf8(int stream, const std::string& text);
// The columns a table on standard output may take: COLUMNS when set, else the terminal's width;
// 0 (no limit) when standard output is no terminal and COLUMNS is not set.
int OutputWidth();

}  // namespace hotsync

#endif  // HOTSYNC_PLATFORM_CONSOLE_H
