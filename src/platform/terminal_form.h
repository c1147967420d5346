// A dialog form drawn on a text terminal and driven by the keyboard.
//
// The POSIX dialog view draws the controller's form with this class and feeds it the keys it
// reads; the class itself does no input or output, so its layout and key rules are the same
// everywhere and testable without a terminal. Places come from the form's dialog units (a little
// under four units a column, so 310 units fit 80 columns), with rows packed from the top: a
// control starts below every control that ends above it, and a text takes the rows it needs.
//
// Keys: Tab and Down move to the next control that can take the focus, Shift-Tab and Up back;
// Space toggles a check box, picks a radio button, presses a button or opens a list; in a list,
// Left and Right pick the previous and next row, Enter opens it; in an open list, Up and Down
// move, Enter picks, Escape closes it. Enter elsewhere presses the focused button or OK; Escape
// cancels.
#ifndef REELBOX_PLATFORM_TERMINAL_FORM_H
#define REELBOX_PLATFORM_TERMINAL_FORM_H

#include <cstddef>
#include <string>
#include <vector>

#include "platform/dialog_view.h"

enum class TerminalKey { kNone, kUp, kDown, kLeft, kRight, kTab, kBackTab, kEnter, kSpace, kEscape, kOther };

// Decodes the first key of `bytes`; *used receives the bytes it took (0 when an escape sequence
// is still incomplete and `more` says more bytes may follow).
TerminalKey DecodeTerminalKey(const std::string& bytes, bool more, size_t* used);

class TerminalForm {
 public:
  explicit TerminalForm(DialogController& controller);
  TerminalForm(const TerminalForm&) = delete;
  TerminalForm& operator=(const TerminalForm&) = delete;

  // The whole screen for a terminal of `cols` x `rows`, as ANSI escape sequences: the form with
  // a line of key help at the bottom, or, when the terminal is smaller than the form needs, a
  // message that says how large it must be.
  std::string Render(int cols, int rows) const;
  // Whether the form and its key help fit a terminal of `cols` x `rows`; while they do not, the
  // view passes on no key but Escape (the user cannot see what the others would do).
  bool Fits(int cols, int rows) const;
  // The screen as plain text lines, without attributes (what Render draws).
  std::vector<std::string> Lines(int cols) const;

  // Handles one key. Returns 0 to go on, or the id of the button that ends the dialog.
  int Press(TerminalKey key);

  int focusedId() const;
  bool listOpen() const { return listOpen_; }

  struct Cell {
    char ch = ' ';
    int attr = 0;
  };

 private:
  struct Place {
    int row = 0, col = 0, width = 0, rows = 1;
  };
  std::vector<Place> Layout() const;
  std::vector<std::vector<Cell>> Paint(int cols) const;
  std::vector<std::string> Wrap(const std::string& text, int width) const;
  // The columns and rows the form needs, its key help included.
  int NeededCols() const;
  int NeededRows() const;
  std::string KeyHelp() const;
  std::string Face(const DialogControl& c, int width) const;
  bool Focusable(const DialogControl& c) const;
  void MoveFocus(int step);
  int Activate();

  DialogController& controller_;
  int focus_ = -1;  // index into the form's controls
  bool listOpen_ = false;
  int listRow_ = 0;  // highlighted row of the open list
};

#endif  // REELBOX_PLATFORM_TERMINAL_FORM_H
