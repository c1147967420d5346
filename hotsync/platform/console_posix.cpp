#include "platform/console.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/host.h"

namespace hotsync {
namespace {

volatile sig_atomic_t g_interrupted = 0;

// The first Ctrl-C asks the conduit to stop; a second one ends the program at once (the
// handheld's files are replaced atomically, so that is safe).
void OnInterrupt(int) {
  if (g_interrupted) {
    signal(SIGINT, SIG_DFL);
    raise(SIGINT);
  }
  g_interrupted = 1;
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() { return g_interrupted != 0; }

bool StdoutIsTerminal() { return ::isatty(1) == 1; }

void SetBinaryStdout() {}

bool RedirectDocumentsFolder(const std::string& folder, std::string* why) {
  if (::setenv("XDG_DOCUMENTS_DIR", folder.c_str(), 1) == 0) return true;
  *why = "cannot set XDG_DOCUMENTS_DIR";
  return false;
}

bool CanShowDialogs(std::string* why) {
  if (::isatty(0) == 1) return true;
  *why = "it is a form drawn in a terminal, and standard input is not one; run hotsync configure in a "
         "terminal window, without redirecting its input";
  return false;
}

std::string DefaultRootFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return JoinPath(data, "reelbox-hotsync");
  const char* home = std::getenv("HOME");
  return JoinPath(JoinPath(home != nullptr ? home : ".", ".local/share"), "reelbox-hotsync");
}

}  // namespace hotsync
