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
// with what is missing and how to get it.
bool CanShowDialogs(std::string* why);
// Makes the conduit loaded later in this process take folder as the user's documents folder;
// false with the reason when that cannot be done here.
bool RedirectDocumentsFolder(const std::string& folder, std::string* why);
// Standard output passes bytes as they are (no line-end translation on Windows).
void SetBinaryStdout();
// The default HotSync root: a folder of the user's own (application data).
std::string DefaultRootFolder();

}  // namespace hotsync

#endif  // HOTSYNC_PLATFORM_CONSOLE_H
