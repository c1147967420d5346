// The dialog view on POSIX: a full-screen form on the controlling terminal.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/dialog_view.h"
#include "platform/terminal_form.h"

namespace {

// Time to wait for the rest of an escape sequence before a lone Escape counts as the key.
constexpr int kSequenceWaitMs = 50;
// Redraw interval while idle, so a resized terminal is drawn again.
constexpr int kIdleWaitMs = 250;

void WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

class PosixDialogView final : public DialogView {
 public:
  ~PosixDialogView() override { Close(); }

  int RunModal(void* /*resource_module*/, DialogController& controller) override {
    if (tty_ >= 0) return -1;  // one dialog at a time
    // Only a user at the terminal can answer; a program run by a script or a test with its
    // input elsewhere gets no form that would wait for keys forever.
    if (!isatty(STDIN_FILENO)) return -1;
    tty_ = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty_ < 0) return -1;
    if (tcgetattr(tty_, &saved_) != 0) {
      Close();
      return -1;
    }
    EnterForm();
    TerminalForm form(controller);
    int result = 0;
    std::string pending;
    bool redraw = true;
    Size size = ScreenSize();
    while (result == 0) {
      if (redraw) {
        WriteAll(tty_, form.Render(size.cols, size.rows));
        redraw = false;
      }
      const int got = ReadSome(&pending, pending.empty() ? kIdleWaitMs : kSequenceWaitMs);
      if (got < 0) {
        result = kDialogCancel;  // the terminal went away
        break;
      }
      const Size now = ScreenSize();
      if (now.cols != size.cols || now.rows != size.rows) {
        size = now;
        redraw = true;
      }
      while (!pending.empty() && result == 0) {
        size_t used = 0;
        const TerminalKey key = DecodeTerminalKey(pending, got > 0, &used);
        if (used == 0) break;  // wait for the rest of the sequence
        pending.erase(0, used);
        if (!form.Fits(size.cols, size.rows) && key != TerminalKey::kEscape) continue;
        result = form.Press(key);
        redraw = true;
        if (reentered_) {
          reentered_ = false;
          size = ScreenSize();
        }
      }
    }
    LeaveForm();
    Close();
    return result;
  }

  void OpenWithProgram(const std::string& /*program*/, const std::string& file,
                       const std::string& folder) override {
    // There is no notepad beside a terminal form: the file goes to the user's pager, on the
    // terminal the form gives up until the pager ends.
    const bool in_form = tty_ >= 0;
    if (in_form) LeaveForm();
    const pid_t child = fork();
    if (child == 0) {
      if (chdir(folder.c_str()) != 0) _exit(127);
      const char* pager = std::getenv("PAGER");
      const std::string command = std::string("exec ") + (pager && *pager ? pager : "less") + " \"$1\"";
      execl("/bin/sh", "sh", "-c", command.c_str(), "sh", file.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (child > 0) {
      int status = 0;
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
    }
    if (in_form) {
      EnterForm();
      reentered_ = true;
    }
  }

 private:
  struct Size {
    int cols = 80, rows = 24;
  };

  Size ScreenSize() const {
    Size size;
    winsize ws{};
    if (ioctl(tty_, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
      size.cols = ws.ws_col;
      size.rows = ws.ws_row;
    }
    return size;
  }

  // Raw keys, no echo, Ctrl-C read as a key; the alternate screen keeps the user's scrollback.
  void EnterForm() {
    termios raw = saved_;
    raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    tcsetattr(tty_, TCSAFLUSH, &raw);
    WriteAll(tty_, "\x1b[?1049h\x1b[?25l");
  }

  void LeaveForm() {
    WriteAll(tty_, "\x1b[0m\x1b[2J\x1b[?25h\x1b[?1049l");
    tcsetattr(tty_, TCSAFLUSH, &saved_);
  }

  void Close() {
    if (tty_ >= 0) close(tty_);
    tty_ = -1;
  }

  // Appends what the terminal has within `wait_ms`. Returns the bytes read, 0 on time-out, -1
  // when the terminal is gone.
  int ReadSome(std::string* pending, int wait_ms) {
    pollfd p{tty_, POLLIN, 0};
    const int ready = poll(&p, 1, wait_ms);
    if (ready < 0) return errno == EINTR ? 0 : -1;
    if (ready == 0) return 0;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return -1;
    char buffer[256];
    const ssize_t n = read(tty_, buffer, sizeof buffer);
    if (n < 0) return errno == EINTR || errno == EAGAIN ? 0 : -1;
    if (n == 0) return -1;
    pending->append(buffer, static_cast<size_t>(n));
    return static_cast<int>(n);
  }

  int tty_ = -1;
  termios saved_{};
  bool reentered_ = false;
};

}  // namespace

std::unique_ptr<DialogView> NewPlatformDialogView() { return std::make_unique<PosixDialogView>(); }
