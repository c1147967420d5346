#include "platform/console.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/charset.h"
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

// The first of the locale variables that is set, as the C library picks it for LC_CTYPE.
Charset LocaleCharset() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != 0) return CharsetOfLocale(value);
  }
  return Charset::kAscii;
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
  *why = "it is a form drawn in a terminal, and standard input is not one; run it in a terminal window, "
         "without redirecting its input";
  return false;
}

std::string DefaultRootFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return JoinPath(data, "reelbox-hotsync");
  const char* home = std::getenv("HOME");
  return JoinPath(JoinPath(home != nullptr ? home : ".", ".local/share"), "reelbox-hotsync");
}

void WriteUtf8(int stream, const std::string& text) {
  static const Charset charset = LocaleCharset();
  const std::string shown = EncodeUtf8(text, charset);
  std::fwrite(shown.data(), 1, shown.size(), stream == 2 ? stderr : stdout);
}

int OutputWidth() {
  const char* columns = std::getenv("COLUMNS");
  if (columns != nullptr && std::atoi(columns) > 0) return std::atoi(columns);
  struct winsize size = {};
  if (::isatty(1) == 1 && ::ioctl(1, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 0;
}

}  // namespace hotsync
