#include "platform/terminal_form.h"

#include <algorithm>

namespace {

constexpr int kFirstRow = 2;  // below the title and a blank line

// Dialog units to columns: a little under four units a column, so the dialog's 310 units fit
// an 80-column terminal and a label keeps a blank before the control beside it.
int Columns(int units) { return units * 10 / 39; }

// A static one text line high keeps its text on one line, as the dialog shows it.
bool Wraps(const DialogControl& c) { return c.height > 8; }

enum Attribute { kBold = 1, kDim = 2, kReverse = 4 };

using Cell = TerminalForm::Cell;
using Grid = std::vector<std::vector<Cell>>;

// A drop-down list shows one row; its template height is that of the list when it is open.
int VisibleHeight(const DialogControl& c) {
  return c.kind == DialogControlKind::kDropDownList ? 12 : c.height;
}

bool Contains(const DialogControl& group, const DialogControl& c) {
  return c.x >= group.x && c.y >= group.y && c.x + c.width <= group.x + group.width &&
         c.y + VisibleHeight(c) <= group.y + group.height;
}

void Put(Grid& grid, int row, int col, const std::string& text, int attr) {
  if (row < 0 || row >= static_cast<int>(grid.size())) return;
  std::vector<Cell>& line = grid[row];
  for (size_t i = 0; i < text.size(); ++i) {
    const int at = col + static_cast<int>(i);
    if (at < 0 || at >= static_cast<int>(line.size())) continue;
    line[at].ch = text[i];
    line[at].attr = attr;
  }
}

std::string Fit(const std::string& text, int width) {
  if (width <= 0) return "";
  std::string out = text.substr(0, static_cast<size_t>(width));
  out.resize(static_cast<size_t>(width), ' ');
  return out;
}

}  // namespace

TerminalKey DecodeTerminalKey(const std::string& bytes, bool more, size_t* used) {
  *used = 0;
  if (bytes.empty()) return TerminalKey::kNone;
  const char first = bytes[0];
  if (first != '\x1b') {
    *used = 1;
    switch (first) {
      case '\t': return TerminalKey::kTab;
      case '\r': case '\n': return TerminalKey::kEnter;
      case ' ': return TerminalKey::kSpace;
      case '\x03': return TerminalKey::kEscape;  // Ctrl-C cancels, as closing the window does
      default: return TerminalKey::kOther;
    }
  }
  if (bytes.size() == 1) {
    if (more) return TerminalKey::kNone;
    *used = 1;
    return TerminalKey::kEscape;
  }
  if (bytes[1] != '[' && bytes[1] != 'O') {
    *used = 1;
    return TerminalKey::kEscape;
  }
  // A control sequence ends at its first byte in 0x40..0x7E after the introducer.
  for (size_t i = 2; i < bytes.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x40 || b > 0x7E) continue;
    *used = i + 1;
    if (i != 2) return TerminalKey::kOther;  // with parameters: modified keys we do not use
    switch (b) {
      case 'A': return TerminalKey::kUp;
      case 'B': return TerminalKey::kDown;
      case 'C': return TerminalKey::kRight;
      case 'D': return TerminalKey::kLeft;
      case 'Z': return TerminalKey::kBackTab;
      default: return TerminalKey::kOther;
    }
  }
  if (more) return TerminalKey::kNone;
  *used = bytes.size();
  return TerminalKey::kOther;
}

TerminalForm::TerminalForm(DialogController& controller) : controller_(controller) {
  MoveFocus(1);
}

bool TerminalForm::Focusable(const DialogControl& c) const {
  if (!c.enabled) return false;
  switch (c.kind) {
    case DialogControlKind::kCheckBox:
    case DialogControlKind::kRadioButton:
    case DialogControlKind::kDropDownList:
    case DialogControlKind::kPushButton:
    case DialogControlKind::kDefaultPushButton:
      return true;
    default:
      return false;
  }
}

int TerminalForm::focusedId() const {
  const auto& controls = controller_.Form().controls;
  if (focus_ < 0 || focus_ >= static_cast<int>(controls.size())) return kDialogNoId;
  return controls[focus_].id;
}

void TerminalForm::MoveFocus(int step) {
  const auto& controls = controller_.Form().controls;
  const int n = static_cast<int>(controls.size());
  int at = focus_ < 0 ? (step > 0 ? -1 : 0) : focus_;
  for (int i = 0; i < n; ++i) {
    at = ((at + step) % n + n) % n;
    if (Focusable(controls[at])) {
      focus_ = at;
      return;
    }
  }
  focus_ = -1;
}

std::vector<std::string> TerminalForm::Wrap(const std::string& text, int width) const {
  std::vector<std::string> lines;
  width = std::max(width, 1);
  size_t start = 0;
  while (true) {
    const size_t end = text.find('\n', start);
    const std::string para = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string line;
    size_t at = 0;
    if (para.empty()) lines.emplace_back();
    while (at < para.size()) {
      size_t next = para.find(' ', at);
      std::string word = para.substr(at, next == std::string::npos ? std::string::npos : next - at);
      at = next == std::string::npos ? para.size() : next + 1;
      while (static_cast<int>(word.size()) > width) {  // a word wider than the box is cut
        if (!line.empty()) lines.push_back(line);
        lines.push_back(word.substr(0, width));
        word.erase(0, width);
        line.clear();
      }
      if (line.empty()) {
        line = word;
      } else if (static_cast<int>(line.size() + 1 + word.size()) <= width) {
        line += " " + word;
      } else {
        lines.push_back(line);
        line = word;
      }
    }
    if (!line.empty()) lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

std::vector<TerminalForm::Place> TerminalForm::Layout() const {
  const auto& controls = controller_.Form().controls;
  const int n = static_cast<int>(controls.size());
  std::vector<Place> places(n);
  std::vector<bool> placed(n, false);
  std::vector<int> order(n);
  for (int i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return controls[a].y < controls[b].y; });

  // A group ends one row below the last of its controls.
  auto end = [&](int g) {
    if (controls[g].kind != DialogControlKind::kGroupBox) return places[g].row + places[g].rows;
    int bottom = places[g].row + 1;
    for (int k = 0; k < n; ++k) {
      if (k != g && placed[k] && Contains(controls[g], controls[k])) {
        bottom = std::max(bottom, places[k].row + places[k].rows);
      }
    }
    places[g].rows = bottom - places[g].row + 1;
    return bottom + 1;
  };

  for (int i : order) {
    const DialogControl& c = controls[i];
    Place& p = places[i];
    p.col = Columns(c.x);
    p.width = std::max(1, Columns(c.width));
    p.row = kFirstRow;
    for (int j = 0; j < n; ++j) {
      if (!placed[j]) continue;
      const DialogControl& d = controls[j];
      if (d.kind == DialogControlKind::kGroupBox && Contains(d, c)) {
        p.row = std::max(p.row, places[j].row + 1);
      } else if (d.y + VisibleHeight(d) <= c.y) {
        p.row = std::max(p.row, end(j));
      }
    }
    if (c.kind == DialogControlKind::kStatic && Wraps(c)) {
      p.rows = std::max<int>(1, static_cast<int>(Wrap(c.text, p.width).size()));
    }
    placed[i] = true;
  }
  for (int i = 0; i < n; ++i) end(i);
  return places;
}

std::string TerminalForm::Face(const DialogControl& c, int width) const {
  switch (c.kind) {
    case DialogControlKind::kCheckBox:
      return std::string(c.checked ? "[x] " : "[ ] ") + c.text;
    case DialogControlKind::kRadioButton:
      return std::string(c.checked ? "(*) " : "( ) ") + c.text;
    case DialogControlKind::kDropDownList: {
      const std::string row =
          c.selectedRow >= 0 && c.selectedRow < static_cast<int>(c.rows.size()) ? c.rows[c.selectedRow] : "";
      return "[" + Fit(row, width - 4) + " v]";
    }
    case DialogControlKind::kPushButton:
    case DialogControlKind::kDefaultPushButton: {
      // Centred in the button's width; the default button is marked as a dialog marks it.
      const bool is_default = c.kind == DialogControlKind::kDefaultPushButton;
      const int pad = std::max(0, width - 2 - static_cast<int>(c.text.size()));
      return std::string(is_default ? "<" : "[") + std::string(pad / 2, ' ') + c.text +
             std::string(pad - pad / 2, ' ') + (is_default ? ">" : "]");
    }
    default:
      return c.text;
  }
}

std::vector<std::vector<TerminalForm::Cell>> TerminalForm::Paint(int cols) const {
  const DialogForm& form = controller_.Form();
  const std::vector<Place> places = Layout();
  int rows = kFirstRow;
  for (const Place& p : places) rows = std::max(rows, p.row + p.rows);
  if (listOpen_ && focus_ >= 0) {
    rows = std::max<int>(rows, places[focus_].row + 1 + static_cast<int>(form.controls[focus_].rows.size()));
  }
  Grid grid(rows, std::vector<Cell>(std::max(cols, 1)));
  const int title_col = std::max(0, (cols - static_cast<int>(form.title.size())) / 2);
  Put(grid, 0, 0, std::string(cols, ' '), kReverse);
  Put(grid, 0, title_col, form.title, kReverse | kBold);
  for (size_t i = 0; i < form.controls.size(); ++i) {
    const DialogControl& c = form.controls[i];
    const Place& p = places[i];
    int attr = (c.bold ? kBold : 0) | (c.enabled ? 0 : kDim);
    if (static_cast<int>(i) == focus_) attr |= kReverse;
    switch (c.kind) {
      case DialogControlKind::kPicture:
        break;  // a terminal has no pictures
      case DialogControlKind::kGroupBox: {
        const int last = p.row + p.rows - 1;
        const std::string rule = "+" + std::string(std::max(0, p.width - 2), '-') + "+";
        Put(grid, p.row, p.col, rule, attr);
        Put(grid, p.row, p.col + 2, " " + c.text + " ", attr);
        for (int r = p.row + 1; r < last; ++r) {
          Put(grid, r, p.col, "|", attr);
          Put(grid, r, p.col + p.width - 1, "|", attr);
        }
        Put(grid, last, p.col, rule, attr);
        break;
      }
      case DialogControlKind::kStatic: {
        const std::vector<std::string> lines = Wrap(c.text, Wraps(c) ? p.width : 1 << 16);
        for (size_t k = 0; k < lines.size(); ++k) {
          Put(grid, p.row + static_cast<int>(k), p.col, lines[k], attr);
        }
        break;
      }
      case DialogControlKind::kRightStatic: {
        const std::string text = c.text.substr(0, static_cast<size_t>(p.width));
        Put(grid, p.row, p.col + p.width - static_cast<int>(text.size()), text, attr);
        break;
      }
      default:
        Put(grid, p.row, p.col, Face(c, p.width), attr);
        break;
    }
  }
  if (listOpen_ && focus_ >= 0) {
    const DialogControl& c = form.controls[focus_];
    const Place& p = places[focus_];
    for (size_t k = 0; k < c.rows.size(); ++k) {
      Put(grid, p.row + 1 + static_cast<int>(k), p.col, "|" + Fit(c.rows[k], p.width - 2) + "|",
          static_cast<int>(k) == listRow_ ? kReverse : 0);
    }
  }
  return grid;
}

std::vector<std::string> TerminalForm::Lines(int cols) const {
  std::vector<std::string> out;
  for (const auto& line : Paint(cols)) {
    std::string text;
    for (const Cell& cell : line) text += cell.ch;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out.push_back(text);
  }
  return out;
}

std::string TerminalForm::KeyHelp() const {
  if (listOpen_) return "Up/Down move  Enter pick  Esc close the list";
  return "Tab/Shift-Tab move  Space select  Left/Right list value  Enter OK  Esc cancel";
}

int TerminalForm::NeededCols() const {
  int cols = static_cast<int>(std::max(controller_.Form().title.size(), KeyHelp().size()));
  for (const Place& p : Layout()) cols = std::max(cols, p.col + p.width);
  return cols;
}

int TerminalForm::NeededRows() const {
  int rows = kFirstRow;
  for (const Place& p : Layout()) rows = std::max(rows, p.row + p.rows);
  return rows + 1;  // the key help
}

bool TerminalForm::Fits(int cols, int rows) const { return cols >= NeededCols() && rows >= NeededRows(); }

std::string TerminalForm::Render(int cols, int rows) const {
  std::string out = "\x1b[0m\x1b[H\x1b[2J";
  if (!Fits(cols, rows)) {
    // A cut-off form would hide its buttons: say what is needed instead, in as few columns as
    // a small terminal has.
    const std::string text = "The terminal is " + std::to_string(cols) + " x " + std::to_string(rows) +
                             "; the form \"" + controller_.Form().title + "\" needs at least " +
                             std::to_string(NeededCols()) + " x " + std::to_string(NeededRows()) +
                             " (columns x rows). Make the window larger, or press Esc to cancel.";
    const std::vector<std::string> lines = Wrap(text, std::max(cols, 1));
    for (int r = 0; r < static_cast<int>(lines.size()) && r < rows; ++r) {
      out += "\x1b[" + std::to_string(r + 1) + ";1H" + lines[r];
    }
    return out;
  }
  // Home, clear, then every row with its attributes, and the key help on the last row.
  const Grid grid = Paint(cols);
  for (int r = 0; r < static_cast<int>(grid.size()) && r < rows; ++r) {
    out += "\x1b[" + std::to_string(r + 1) + ";1H";
    int attr = 0;
    for (const Cell& cell : grid[r]) {
      if (cell.attr != attr) {
        attr = cell.attr;
        out += "\x1b[0";
        if (attr & kBold) out += ";1";
        if (attr & kDim) out += ";2";
        if (attr & kReverse) out += ";7";
        out += "m";
      }
      out += cell.ch;
    }
    if (attr != 0) out += "\x1b[0m";
  }
  out += "\x1b[" + std::to_string(rows) + ";1H\x1b[0;2m" + KeyHelp() + "\x1b[0m";
  return out;
}

int TerminalForm::Activate() {
  if (focus_ < 0) return 0;
  const DialogControl c = controller_.Form().controls[focus_];
  switch (c.kind) {
    case DialogControlKind::kCheckBox:
      controller_.OnCheck(c.id, !c.checked);
      break;
    case DialogControlKind::kRadioButton:
      controller_.OnCheck(c.id, true);
      break;
    case DialogControlKind::kDropDownList:
      listOpen_ = !c.rows.empty();
      listRow_ = std::max(0, c.selectedRow);
      break;
    case DialogControlKind::kPushButton:
    case DialogControlKind::kDefaultPushButton:
      if (c.id == kDialogOk || c.id == kDialogCancel) return c.id;
      controller_.OnPush(c.id);
      break;
    default:
      break;
  }
  return 0;
}

int TerminalForm::Press(TerminalKey key) {
  const auto& controls = controller_.Form().controls;
  if (listOpen_) {
    const DialogControl& list = controls[focus_];
    const int last = static_cast<int>(list.rows.size()) - 1;
    switch (key) {
      case TerminalKey::kUp: listRow_ = std::max(0, listRow_ - 1); break;
      case TerminalKey::kDown: listRow_ = std::min(last, listRow_ + 1); break;
      case TerminalKey::kEnter:
      case TerminalKey::kSpace:
        listOpen_ = false;
        if (listRow_ != list.selectedRow) controller_.OnSelect(list.id, listRow_);
        break;
      case TerminalKey::kEscape:
      case TerminalKey::kTab:
      case TerminalKey::kBackTab:
        listOpen_ = false;
        break;
      default:
        break;
    }
    return 0;
  }
  int result = 0;
  switch (key) {
    case TerminalKey::kEscape:
      return kDialogCancel;
    case TerminalKey::kTab:
    case TerminalKey::kDown:
      MoveFocus(1);
      break;
    case TerminalKey::kBackTab:
    case TerminalKey::kUp:
      MoveFocus(-1);
      break;
    case TerminalKey::kLeft:
    case TerminalKey::kRight:
      if (focus_ >= 0 && controls[focus_].kind == DialogControlKind::kDropDownList) {
        const DialogControl& list = controls[focus_];
        const int row = list.selectedRow + (key == TerminalKey::kLeft ? -1 : 1);
        if (row >= 0 && row < static_cast<int>(list.rows.size())) controller_.OnSelect(list.id, row);
      }
      break;
    case TerminalKey::kSpace:
      result = Activate();
      break;
    case TerminalKey::kEnter: {
      const DialogControlKind kind = focus_ >= 0 ? controls[focus_].kind : DialogControlKind::kStatic;
      if (kind == DialogControlKind::kDropDownList || kind == DialogControlKind::kPushButton ||
          kind == DialogControlKind::kDefaultPushButton) {
        result = Activate();
      } else {
        result = kDialogOk;
      }
      break;
    }
    default:
      break;
  }
  // A rule may have disabled the focused control; the focus moves on as a dialog's would.
  if (result == 0 && focus_ >= 0 && !Focusable(controller_.Form().controls[focus_])) MoveFocus(1);
  return result;
}
