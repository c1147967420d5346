// What the program prints. Texts are formatted as printf formats them and shown in the character
// set of where they go (see WriteUtf8): the program's own texts and paths as they are, texts of
// the handheld and the conduit converted from Windows-1252, and every line ended by one line end.
#ifndef HOTSYNC_PROGRAM_OUTPUT_H
#define HOTSYNC_PROGRAM_OUTPUT_H

#include <string>
#include <vector>

#if defined(__MINGW32__)
#define HOTSYNC_PRINTF(at, first) __attribute__((format(gnu_printf, at, first)))
#else
#define HOTSYNC_PRINTF(at, first) __attribute__((format(printf, at, first)))
#endif

namespace hotsync {

// To standard output.
void Print(const char* format, ...) HOTSYNC_PRINTF(1, 2);
// To standard error.
void PrintError(const char* format, ...) HOTSYNC_PRINTF(1, 2);
// UTF-8 text to standard output as it is, whatever the terminal (JSON is UTF-8 by definition).
void PrintUtf8(const std::string& text);

// A handheld text (Windows-1252) as UTF-8, ready to be printed or fitted into a table.
std::string Shown(const std::string& handheld_text);

// A table fitted to the terminal's width: columns a gap apart, each as wide as its widest
// cell; when the rows are wider than the terminal, the columns marked as shrinkable give up
// columns, widest first, and their texts are cut with "…". Cells are UTF-8.
class Table {
 public:
  // gap: the blanks between two columns.
  explicit Table(size_t gap = 2) : gap_(gap) {}
  // One column: its heading, the width it takes at least (when the terminal has room), whether it
  // may be cut, whether its cells are right-aligned.
  void AddColumn(const std::string& heading, size_t width, bool shrinks, bool right = false);
  void AddRow(const std::vector<std::string>& cells);
  // Prints the heading line (when any column has a heading) and the rows.
  void Print() const;

 private:
  struct Column {
    std::string heading;
    size_t width;
    bool shrinks;
    bool right;
  };
  size_t gap_;
  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace hotsync

#endif  // HOTSYNC_PROGRAM_OUTPUT_H
