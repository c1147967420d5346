// The tab-delimited movie files: DataParser reads an import file record by record (WriteItem, in
// write_item.h, writes them).
//
// Both see records only through DataRecord (field texts and the presence set) and columns only
// through a FieldMap. The first line of a file may be a header of field names, which can replace
// the map's column order for the rest of the file. Results: 0 success, 1 not ready, 2 cannot start
// or a read error, 3 end of data, 4 a line longer than the line buffer can grow to, 5 a field the
// record rejected, 6 no memory, 7 a file that is not TAB-separated text. Failures keep a code and a message. Not copyable.
#ifndef REELBOX_TEXTFILES_DATA_PARSER_H
#define REELBOX_TEXTFILES_DATA_PARSER_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "textfiles/import_clock.h"

class Clock;
class DataRecord;
class DesktopFile;
class FieldMap;
class FileBuffer;

// Results of the parser's operations; messages quote the number.
enum class ParseResult : int32_t {
  kOk = 0,
  kNotReady = 1,  // not attached, or not started
  kReadError = 2,
  kEnd = 3,       // no more data lines
  kLineTooLong = 4,
  kFieldRejected = 5,
  kNoMemory = 6,
  kNotText = 7,   // not TAB-separated text: refused before any line is used (see RefusalReason)
};

constexpr int32_t ToInt(ParseResult result) { return static_cast<int32_t>(result); }

class DataParser {
 public:
  static constexpr size_t kMessageSize = 500;

  // Date texts are read (and quoted in warnings) with clock, which outlives the parser.
  explicit DataParser(Clock& clock);
  DataParser(const DataParser&) = delete;
  DataParser& operator=(const DataParser&) = delete;
  // Deletes the FileBuffer (which closes the file).
  virtual ~DataParser();
  // Code 0, empty message; also clears the FileBuffer's error.
  virtual void ClearError();
  virtual const char* GetErrorText() const { return message_; }

  // Reads file through a new FileBuffer and map; kNoMemory when the line buffer cannot be had.
  // REQUIRES: both outlive this parser (or the next Attach).
  ParseResult Attach(DesktopFile* file, FieldMap* map);
  // Opens the file (closing it first, so parsing starts at the top). 0, 1 or 2. A file that
  // begins with the UTF-8 byte order mark, or is valid UTF-8 with multi-byte sequences, or is
  // UTF-16 with its mark, is read as such and its texts converted to Windows-1252 ("?" for a
  // character without a form there, with a warning naming the line; a line holding U+FFFD is
  // skipped with a warning). The mark itself is skipped, and so are lines of only blanks and TABs
  // (named in the debug log). A field that starts with a double quote goes on over line breaks
  // to its closing quote (the breaks become line feeds); a quote left open at the end of the file
  // skips its line with a warning. A file whose first line has no TAB but commas or semicolons, or
  // that holds a NUL byte, is refused with kNotText.
  ParseResult Start();
  // Whether a field whose text does not read keeps the handheld's value (a merge) rather than
  // the blank value: only the warnings about such texts say which.
  void SetHandheldKeepsUnreadFields(bool keeps) { handheld_keeps_unread_ = keeps; }
  // Closes the file. 0 or 1.
  ParseResult Stop();
  // Fills record from the next data line, setting the presence bit of every field it gave. The first
  // line of the file is taken as a header when it names fields; with allow_custom, a header of field
  // names replaces the map's column order and *custom (when given) becomes true.
  ParseResult ParseItem(DataRecord* record, bool allow_custom, bool* custom);

  // Message: context, "/", "Generic DataParser error" (0x80004005) or "DataParser error 0x..",
  // then "/" and the FileBuffer's message when it holds an error.
  void SetError(uint32_t code, const char* context);
  // The parser's own failures keep their result as the error code.
  void SetError(ParseResult result, const char* context) { SetError(static_cast<uint32_t>(result), context); }
  uint32_t GetErrorCode() const { return code_; }
  // 0 before Start, 1 after it, then the number of data lines read plus 1.
  int32_t GetLineNumber() const { return line_number_; }
  // The line of the file (blank lines counted) on which the line last read starts: the number
  // warnings and errors name.
  int32_t GetFileLine() const { return file_line_; }
  // After kNotText: why the file was refused, a text to follow the file's name (as the two below).
  const char* RefusalReason() const { return refusal_ ? refusal_ : ""; }
  static const char kNotTabSeparatedReason[];
  static const char kNotTextReason[];

 private:
  // Grows the line buffer to hold at least needed bytes, keeping its first keep bytes.
  bool EnlargeLineBuffer(size_t keep = 0, size_t needed = 0);
  // Reads the next logical line into the line buffer (lines of the file joined where a quoted
  // field holds line breaks, converted to Windows-1252); 0 with its length, or the result to return.
  ParseResult ReadLine(size_t* length);
  // Reads the next line of the file into the line buffer at offset; 0 with its length in *piece.
  ParseResult ReadPiece(size_t offset, size_t* piece);
  ParseResult TooLong(int32_t line);
  ParseResult Refuse(const char* reason);
  // Applies the header rule to the line; true when the line was a whole header (skip it).
  bool IsHeader(size_t length, bool allow_custom, bool* custom);
  ParseResult ParseData(DataRecord* record, size_t length);
  // The sync log's warning for a field text that was no value of its field.
  void WarnUnread(DataRecord* record, int32_t column, int32_t index, const char* text);
  // Counts a warning; false once kMaxWarnings were written. Sync log lines also reach the
  // HotSync log, which must not grow with the size of a bad file.
  bool CountWarning();

  // Conversions of the file's dates are remembered from Start to the next Start.
  ImportClock clock_;
  std::unique_ptr<FileBuffer> buffer_;
  FieldMap* map_ = nullptr;
  std::vector<char> line_;
  uint32_t line_size_ = 0;
  // Bytes of line_ the reads so far may have left non-zero: zeroing the buffer before each line
  // needs only these.
  size_t line_dirty_ = 0;
  uint32_t code_ = 0;
  char message_[kMessageSize] = {};
  int32_t line_number_ = 0;
  int32_t file_line_ = 0;
  bool first_line_done_ = false;
  const char* refusal_ = nullptr;
  // Of the line being read: characters stored as "?", and whether U+FFFD was among them.
  int32_t replaced_ = 0;
  bool wrong_set_ = false;
  // UTF-8 files have their texts converted to the handheld's Windows-1252.
  enum class Encoding { kUndecided, kUtf8, kWindows1252 };
  Encoding encoding_ = Encoding::kUndecided;
  bool handheld_keeps_unread_ = false;
  static constexpr int32_t kMaxWarnings = 50;
  int32_t warnings_ = 0;
};

#endif  // REELBOX_TEXTFILES_DATA_PARSER_H
