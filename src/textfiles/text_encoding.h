// Import files as editors save them today: UTF-8, often with a byte order mark. The handheld's
// texts are Windows-1252, so UTF-8 text is converted before it is stored.
#ifndef REELBOX_TEXTFILES_TEXT_ENCODING_H
#define REELBOX_TEXTFILES_TEXT_ENCODING_H

#include <cstddef>
#include <cstdint>

class FileSystem;

// The bytes EF BB BF that editors put before UTF-8 text.
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kUtf8ByteOrderMarkSize = 3;

// Follows UTF-8 validity over a text given in pieces of any size (sequences may straddle pieces).
class Utf8Scanner {
 public:
  void Feed(const uint8_t* bytes, size_t size);
  // After the last piece: true when every byte belonged to a well-formed sequence (no overlong
  // forms, no surrogates, nothing above U+10FFFF, no sequence left open).
  bool Valid() const { return valid_ && pending_ == 0; }
  // True once a byte was seen that no well-formed text can hold there.
  bool Failed() const { return !valid_; }
  // True once a sequence of two or more bytes was seen.
  bool HasMultiByte() const { return multi_byte_; }

 private:
  bool valid_ = true;
  bool multi_byte_ = false;
  int pending_ = 0;        // continuation bytes still expected
  uint32_t lower_ = 0x80;  // bounds of the next continuation byte (excludes overlongs, surrogates)
  uint32_t upper_ = 0xBF;
};

// True when the file at path begins with the byte order mark, or is valid UTF-8 holding at least
// one multi-byte sequence. A file that cannot be read is taken as not UTF-8. Reads the file once in
// blocks; memory stays bounded.
bool IsUtf8File(FileSystem& files, const char* path);

// U+FFFD, what a reading in the wrong character set leaves in place of what it could not read.
constexpr uint32_t kReplacementCharacter = 0xFFFD;

// Converts UTF-8 text (length bytes, in place; the result is never longer) to Windows-1252. A
// character without a Windows-1252 form, or a malformed sequence, becomes "?"; U+0080 to U+009F
// become the bytes 0x80 to 0x9F. *length gets the new length; *replacement (when given) becomes
// true when the text held U+FFFD. Returns the number of characters replaced by "?".
int32_t Utf8ToWindows1252(char* text, size_t* length, bool* replacement = nullptr);

#endif  // REELBOX_TEXTFILES_TEXT_ENCODING_H
