#include "program/output.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "platform/charset.h"
#include "platform/console.h"

namespace hotsync {
namespace {

HOTSYNC_PRINTF(1, 0) std::string Formatted(const char* format, va_list args) {
  char small[1024];
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (length < 0) return std::string();
  if (static_cast<size_t>(length) < sizeof small) return std::string(small, static_cast<size_t>(length));
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::vsnprintf(&text[0], text.size(), format, args);
  text.resize(static_cast<size_t>(length));
  return text;
}

// A conduit text may end its lines with CR LF: a line end is one line feed here (stdio adds the
// carriage return where the target's text files have one).
std::string WithoutCarriageReturns(std::string text) {
  size_t kept = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text[kept++] = text[i];
  }
  text.resize(kept);
  return text;
}

}  // namespace

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = Formatted(format, args);
  va_end(args);
  WriteUtf8(1, Utf8OfMixedText(WithoutCarriageReturns(text)));
}

void PrintError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = Formatted(format, args);
  va_end(args);
  std::fflush(stdout);  // what was said before the error is seen before it
  WriteUtf8(2, Utf8OfMixedText(WithoutCarriageReturns(text)));
}

void PrintUtf8(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::string Shown(const std::string& handheld_text) { return Utf8OfWindows1252(handheld_text); }

void Table::AddColumn(const std::string& heading, size_t width, bool shrinks, bool right) {
  columns_.push_back(Column{heading, width, shrinks, right});
}

void Table::AddRow(const std::vector<std::string>& cells) {
  std::vector<std::string> row(columns_.size());
  for (size_t i = 0; i < row.size() && i < cells.size(); ++i) {
    // A cell is one line: tabs and line ends become blanks.
    for (char c : cells[i]) row[i] += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
    row[i] = Utf8OfMixedText(row[i]);
  }
  rows_.push_back(row);
}

void Table::Print() const {
  const size_t count = columns_.size();
  if (count == 0) return;
  bool headed = false;
  std::vector<size_t> natural(count, 0);  // the widest cell
  std::vector<size_t> widths(count, 0);   // with the column's own width
  for (size_t i = 0; i < count; ++i) {
    natural[i] = Utf8Length(columns_[i].heading);
    headed = headed || !columns_[i].heading.empty();
    for (const auto& row : rows_) natural[i] = std::max(natural[i], Utf8Length(row[i]));
    widths[i] = std::max(natural[i], columns_[i].width);
  }
  const int limit = OutputWidth();
  if (limit > 0) {
    size_t total = gap_ * (count - 1);
    for (size_t width : widths) total += width;
    // First the padding goes, then the widest shrinkable column gives up a column at a time,
    // down to a few characters.
    constexpr size_t kNarrowest = 4;
    while (total > static_cast<size_t>(limit)) {
      size_t pick = count;
      for (size_t i = 0; i < count; ++i) {
        if (widths[i] > natural[i] && (pick == count || widths[i] - natural[i] > widths[pick] - natural[pick])) {
          pick = i;
        }
      }
      for (size_t i = 0; i < count && pick == count; ++i) {
        if (!columns_[i].shrinks || widths[i] <= kNarrowest) continue;
        size_t widest = i;
        for (size_t j = i + 1; j < count; ++j) {
          if (columns_[j].shrinks && widths[j] > widths[widest]) widest = j;
        }
        pick = widest;
      }
      if (pick == count) break;
      --widths[pick];
      --total;
    }
  }
  auto line = [&](const std::vector<std::string>& cells) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
      const std::string cell = Utf8Fit(cells[i], widths[i]);
      const std::string pad(widths[i] - Utf8Length(cell), ' ');
      text += i == 0 ? "" : std::string(gap_, ' ');
      text += columns_[i].right ? pad + cell : (i + 1 == count ? cell : cell + pad);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    WriteUtf8(1, text + "\n");
  };
  if (headed) {
    std::vector<std::string> headings;
    for (const Column& column : columns_) headings.push_back(column.heading);
    line(headings);
  }
  for (const auto& row : rows_) line(row);
}

}  // namespace hotsync
