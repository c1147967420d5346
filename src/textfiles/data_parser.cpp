#include "textfiles/data_parser.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "diag/sync_log.h"
#include "movies/data_record.h"
#include "textfiles/field_map.h"
#include "textfiles/desktop_file.h"
#include "textfiles/field_codec.h"
#include "textfiles/file_buffer.h"
#include "textfiles/message_text.h"
#include "textfiles/text_encoding.h"
#include "platform/byte_scan.h"

namespace {

constexpr uint32_t kLineGrowth = 4096;
constexpr int kMaxEnlargements = 6;
// The longest line the buffer grows to, also for a line whose quoted fields span lines of the file.
constexpr size_t kMaxLineSize = kLineGrowth * (kMaxEnlargements + 1);

}  // namespace

const char DataParser::kNotTabSeparatedReason[] = "is not TAB-separated: save it as tab-delimited text";
const char DataParser::kNotTextReason[] = "is not a text file: save it as tab-delimited text";

DataParser::DataParser(Clock& clock) : clock_(clock) {}

DataParser::~DataParser() = default;

void DataParser::ClearError() {
  code_ = 0;
  message_[0] = '\0';
  if (buffer_) buffer_->ClearError();
}

void DataParser::SetError(uint32_t code, const char* context) {
  code_ = code;
  char description[48];
  if (code == kGenericFailure)
    std::snprintf(description, sizeof description, "Generic DataParser error");
  else
    std::snprintf(description, sizeof description, "DataParser error 0x%lx", static_cast<unsigned long>(code));
  bool with_buffer = buffer_ && buffer_->GetErrorCode() != 0;
  JoinMessage(message_, sizeof message_,
              {context, "/", description, with_buffer ? "/" : "", with_buffer ? buffer_->GetErrorText() : ""});
}

bool DataParser::EnlargeLineBuffer(size_t keep, size_t needed) {
  ClearError();
  std::vector<char> kept(line_.begin(), line_.begin() + static_cast<std::ptrdiff_t>(std::min(keep, line_.size())));
  std::vector<char>().swap(line_);
  do {
    line_size_ += kLineGrowth;
  } while (line_size_ < needed);
  try {
    line_.assign(line_size_ + 10, '\0');
    std::copy(kept.begin(), kept.end(), line_.begin());
    line_dirty_ = kept.size();
  } catch (const std::bad_alloc&) {
    SetError(ParseResult::kNoMemory, "memory allocation failure");
    return false;
  }
  return true;
}

ParseResult DataParser::Attach(DesktopFile* file, FieldMap* map) {
  ClearError();
  buffer_.reset();
  buffer_.reset(new FileBuffer(file));
  map_ = map;
  return EnlargeLineBuffer() ? ParseResult::kOk : ParseResult::kNoMemory;
}

ParseResult DataParser::Start() {
  ClearError();
  line_number_ = 0;
  if (!buffer_ || map_ == nullptr || line_.empty()) return ParseResult::kNotReady;
  if (buffer_->IsOpen() || buffer_->File()->IsOpen()) buffer_->Close();
  if (buffer_->Open() != FileResult::kOk) {
    SetError(kGenericFailure, "Unable to start parsing");
    return ParseResult::kReadError;
  }
  line_number_ = 1;
  file_line_ = 0;
  first_line_done_ = false;
  clock_.Forget();
  refusal_ = nullptr;
  warnings_ = 0;
  // Decided at the first byte that is not ASCII: until then both readings give the same texts,
  // and a file of plain ASCII is never read a second time.
  encoding_ = Encoding::kUndecided;
  return ParseResult::kOk;
}

ParseResult DataParser::Stop() {
  ClearError();
  if (!buffer_ || map_ == nullptr || line_.empty()) return ParseResult::kNotReady;
  buffer_->Close();
  if (warnings_ > kMaxWarnings) {
    LogSync("WARNING : %i warnings about the import file in all; the first %i are listed above.\n",
            static_cast<int>(warnings_), static_cast<int>(kMaxWarnings));
  }
  warnings_ = 0;
  return ParseResult::kOk;
}

ParseResult DataParser::ReadPiece(size_t offset, size_t* piece) {
  int enlargements = 0;
  for (;;) {
    if (offset == 0) {
      std::memset(line_.data(), 0, std::min(line_dirty_, line_.size()));
      line_dirty_ = line_.size();
    }
    uint32_t size = line_size_ - static_cast<uint32_t>(offset);
    char* text = line_.data() + offset;
    if (buffer_->ReadLine(text, &size) != nullptr) {
      line_dirty_ = offset == 0 ? size + 1 : std::max(line_dirty_, offset + size + 1);
      if (offset == 0) file_line_ = buffer_->LineNumber();
      // A line longer than the read window would come back as several lines, each of them read
      // as a record of its own: refuse it instead.
      if (buffer_->LastLineWasCut()) return TooLong(offset == 0 ? buffer_->LineNumber() : file_line_);
      size_t n = size;
      if (buffer_->File()->SawNul()) return Refuse(kNotTextReason);
      // Editors put the mark before the first line of UTF-8 text; left there it would hide a header.
      if (!first_line_done_ && n >= kUtf8ByteOrderMarkSize && std::memcmp(text, kUtf8ByteOrderMark, 3) == 0) {
        std::memmove(text, text + kUtf8ByteOrderMarkSize, n - kUtf8ByteOrderMarkSize);
        n -= kUtf8ByteOrderMarkSize;
        text[n] = '\0';
        encoding_ = Encoding::kUtf8;
      }
      if (encoding_ == Encoding::kUndecided && byte_scan::HasHighByte(text, text + n)) {
        const bool utf8 = IsUtf8File(buffer_->File()->Files(), buffer_->File()->GetPath());
        encoding_ = utf8 ? Encoding::kUtf8 : Encoding::kWindows1252;
      }
      if (encoding_ == Encoding::kUtf8) replaced_ += Utf8ToWindows1252(text, &n, &wrong_set_);
      text[n] = '\0';
      *piece = n;
      return ParseResult::kOk;
    }
    // A read error is one even when the buffer size was not given back.
    uint32_t buffer_code = buffer_->GetErrorCode();
    if (buffer_code != 0 && buffer_code != FileBuffer::kInsufficientBuffer) {
      char context[48];
      std::snprintf(context, sizeof context, "Error reading line %i", static_cast<int>(line_number_));
      SetError(ParseResult::kReadError, context);
      return ParseResult::kReadError;
    }
    if (size == 0) return ParseResult::kEnd;
    if (enlargements == kMaxEnlargements || offset + size + 1 > kMaxLineSize) {
      return offset == 0 ? ParseResult::kLineTooLong : TooLong(file_line_);
    }
    if (!EnlargeLineBuffer(offset)) return ParseResult::kNoMemory;
    ++enlargements;
  }
}

ParseResult DataParser::TooLong(int32_t line) {
  char context[48];
  std::snprintf(context, sizeof context, "Line %i is too long", static_cast<int>(line));
  SetError(ParseResult::kLineTooLong, context);
  return ParseResult::kLineTooLong;
}

ParseResult DataParser::Refuse(const char* reason) {
  refusal_ = reason;
  SetError(ParseResult::kNotText, reason);
  return ParseResult::kNotText;
}

namespace {

// Where a line stands on quotes: whether its last field opened a quote that the line did not
// close. Spreadsheets enclose a cell holding a line break in quotes, so such a field goes on in
// the next line of the file. Every quote switches between inside and outside, so an even count
// closes everything: the quotes are only counted, and the fields walked only when the count is
// odd. Kept across the pieces of a line, so each byte is looked at once.
struct QuoteScan {
  size_t counted = 0;  // bytes whose quotes were counted
  bool odd = false;
  size_t walked = 0;  // bytes walked field by field
  size_t field_start = 0;
  bool quoted = false;

  // True when the field under way starts with a quote (after blanks) that is still open.
  bool OpenAtEnd(const char* text, size_t length) {
    odd ^= byte_scan::OddCount(text + counted, text + length, '"');
    counted = length;
    if (!odd) return false;
    for (size_t i = walked; i < length; ++i) {
      const char c = text[i];
      if (c == '"') {
        quoted = !quoted;
      } else if (c == '\t' && !quoted) {
        field_start = i + 1;
      }
    }
    walked = length;
    size_t first = field_start;
    while (first < length && IsSpaceChar(text[first])) ++first;
    return first < length && text[first] == '"';
  }
};

}  // namespace

ParseResult DataParser::ReadLine(size_t* length) {
  for (;;) {
    size_t n = 0;
    replaced_ = 0;
    wrong_set_ = false;
    ParseResult result = ReadPiece(0, &n);
    if (result != ParseResult::kOk) return result;
    char* text = line_.data();
    if (!first_line_done_ && n > 0) {
      first_line_done_ = true;
      // A file saved with commas or semicolons between its columns would be read as one column.
      if (byte_scan::FindByte(text, text + n, '\t') == text + n &&
          byte_scan::FindEither(text, text + n, ',', ';') != text + n) {
        return Refuse(kNotTabSeparatedReason);
      }
    }
    QuoteScan quotes;
    while (quotes.OpenAtEnd(line_.data(), n)) {
      const int32_t last = buffer_->LineNumber();
      size_t piece = 0;
      // One byte is kept for the break before the piece; more breaks are made room for below.
      result = ReadPiece(n + 1, &piece);
      if (result == ParseResult::kEnd) {
        if (CountWarning()) {
          LogSync("WARNING : Import line %i opens a quoted field that the file never closes; the line was "
                  "skipped.\n",
                  static_cast<int>(file_line_));
        }
        return ParseResult::kEnd;
      }
      if (result != ParseResult::kOk) return result;
      // Every line end between the pieces is a line break of the field (blank lines included),
      // stored as the handheld's line break.
      const size_t breaks = static_cast<size_t>(buffer_->LineNumber() - last);
      if (n + breaks + piece + 1 > line_size_) {
        if (n + breaks + piece + 1 > kMaxLineSize) return TooLong(file_line_);
        if (!EnlargeLineBuffer(n + 1 + piece, n + breaks + piece + 1)) return ParseResult::kNoMemory;
      }
      char* joined = line_.data();
      if (breaks > 1) std::memmove(joined + n + breaks, joined + n + 1, piece);
      std::memset(joined + n, '\n', breaks);
      n += breaks + piece;
      joined[n] = '\0';
      line_dirty_ = std::max(line_dirty_, n + 1);
    }
    text = line_.data();
    if (wrong_set_) {
      if (CountWarning()) {
        LogSync("WARNING : Import line %i holds the character U+FFFD, which a file saved with the wrong character "
                "set holds in place of the characters it lost; the line was skipped.\n",
                static_cast<int>(file_line_));
      }
      continue;
    }
    if (replaced_ > 0 && CountWarning()) {
      LogSync("WARNING : Import line %i holds characters that the handheld cannot show; each was stored as "
              "'?'.\n",
              static_cast<int>(file_line_));
    }
    if ((n == 0 || text[0] == ' ' || text[0] == '\t') && std::strspn(text, " \t") == n) {
      // Spreadsheets save rows left empty as TABs: no movie is there.
      LogDebug("Import line %i holds only blanks and TABs: skipped\n", static_cast<int>(file_line_));
      continue;
    }
    *length = n;
    return ParseResult::kOk;
  }
}

bool DataParser::IsHeader(size_t length, bool allow_custom, bool* custom) {
  int32_t count = map_->Count();
  size_t position = 0;
  TextString field;
  int32_t names = 0;
  bool building = false;
  bool appending = false;
  bool all_names = true;
  for (int32_t column = 0; column < count; ++column) {
    if (!DecodeField(line_.data(), length, &position, &field)) break;
    int32_t index = map_->FieldIndexByName(field.Text());
    if (index < 0) {
      all_names = false;
      break;
    }
    if (names == 0 && allow_custom && map_->CanCustomize()) {
      map_->BeginCustom(100);
      building = appending = true;
    }
    if (appending && !map_->Append(index)) appending = false;
    ++names;
  }
  if (names == 0) return false;
  if (!all_names) {
    if (building) {
      LogSync("NOTE : a partial field list was detected, but it was invalid (%i valid field names "
              "detected).  Reverting to default field mapping and treating this line as data.\n",
              static_cast<int>(names));
      map_->RevertToDefault();
      if (custom) *custom = false;
    }
    return false;
  }
  LogSync("<read field header line on line #%i>\n", static_cast<int>(line_number_));
  if (building) {
    if (custom) *custom = true;
    LogDebug("<Using custom field mapping, consisting of %i fields>\n", static_cast<int>(names));
  }
  return true;
}

bool DataParser::CountWarning() {
  ++warnings_;
  if (warnings_ == kMaxWarnings + 1) {
    LogSync("WARNING : more import lines than these hold values that did not read as they are; the rest are "
            "counted when the file is done.\n");
  }
  return warnings_ <= kMaxWarnings;
}

void DataParser::WarnUnread(DataRecord* record, int32_t column, int32_t index, const char* text) {
  if (!CountWarning()) return;
  char name[FieldMap::kNameBufferSize] = {};
  const char* shown = map_->FieldName(index, name, sizeof name);
  char stored[kMessageSize] = {};
  int32_t size = static_cast<int32_t>(sizeof stored);
  record->GetFieldText(clock_, index, stored, &size);
  if (handheld_keeps_unread_) {
    LogSync("WARNING : Import line %i, column %i (%s) : '%s' is not a value of this field; the handheld's value "
            "was kept (a new movie gets the blank value, '%s').\n",
            static_cast<int>(file_line_), static_cast<int>(column + 1), shown ? shown : "", text, stored);
  } else {
    LogSync("WARNING : Import line %i, column %i (%s) : '%s' is not a value of this field; the field was left at "
            "its blank value ('%s').\n",
            static_cast<int>(file_line_), static_cast<int>(column + 1), shown ? shown : "", text, stored);
  }
}

ParseResult DataParser::ParseData(DataRecord* record, size_t length) {
  // Decoded where they stand (the line is not read again), then handed to the record in batches.
  constexpr int32_t kBatch = 64;
  DataRecord::FieldInput batch[kBatch];
  int32_t columns[kBatch];
  FieldSplitter fields(line_.data(), length);
  // Taken once: the decoding writes into the line, so the map's fields would be loaded again for
  // every column.
  const int32_t count = map_->Count();
  const int32_t* const column_fields = map_->ColumnFields();
  int32_t column = 0;
  bool more = true;
  while (more) {
    int32_t n = 0;
    for (; column < count && n < kBatch; ++column) {
      size_t size = 0;
      const char* field = fields.Next(&size);
      if (field == nullptr) break;
      const int32_t index = column_fields[column];
      if (index == -1) continue;
      batch[n] = DataRecord::FieldInput{index, field, size};
      columns[n] = column;
      ++n;
    }
    more = n == kBatch && column < count;
    for (int32_t done = 0; done < n;) {
      bool rejected = false;
      const int32_t stored = record->SetFieldTexts(clock_, batch + done, n - done, &rejected);
      done += stored > 0 ? stored : 0;
      if (rejected || stored <= 0) {
        const int32_t at = done < n ? done : n - 1;
        char name[FieldMap::kNameBufferSize] = {};
        const char* shown = map_->FieldName(batch[at].index, name, sizeof name);
        char context[kMessageSize];
        std::snprintf(context, sizeof context, "Error parsing field %i ('%s') of line %i ('%s')",
                      static_cast<int>(columns[at] + 1), shown ? shown : "", static_cast<int>(line_number_),
                      batch[at].text);
        SetError(ParseResult::kFieldRejected, context);
        return ParseResult::kFieldRejected;
      }
      if (!record->LastTextRead()) {
        WarnUnread(record, columns[done - 1], batch[done - 1].index, batch[done - 1].text);
      }
    }
  }
  ++line_number_;
  return ParseResult::kOk;
}

ParseResult DataParser::ParseItem(DataRecord* record, bool allow_custom, bool* custom) {
  ClearError();
  if (custom) *custom = false;
  if (!buffer_ || map_ == nullptr || record == nullptr || line_.empty()) return ParseResult::kNotReady;
  if (!buffer_->IsOpen() && !buffer_->File()->IsOpen()) {
    ParseResult result = Start();
    if (result != ParseResult::kOk) return result;
  }
  // Header lines leave the line number at 1, so every further line of names is skipped as well; a
  // loop, not a recursion, so a file of many header lines cannot exhaust the stack.
  for (;;) {
    size_t length = 0;
    ParseResult result = ReadLine(&length);
    if (result != ParseResult::kOk) return result;
    if (line_number_ != 1 || !IsHeader(length, allow_custom, custom)) return ParseData(record, length);
    allow_custom = false;
    custom = nullptr;
    ClearError();
  }
}
