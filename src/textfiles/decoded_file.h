// The bytes of a desktop text file as the line reader takes them.
//
// Spreadsheets save "Unicode text" as UTF-16 with a byte order mark. A DecodedFile hands such a
// file on as UTF-8 behind the UTF-8 byte order mark, so the reader above converts it to the
// handheld's character set as it does any UTF-8 file; a code unit that is no character (a lone
// surrogate, an odd last byte) becomes a byte no UTF-8 text holds, so it reads as "?". Any other
// file is passed on byte for byte, read straight into the caller's buffer. It also notes NUL
// bytes in what it hands on: text files hold none. Read only; not copyable.
#ifndef REELBOX_TEXTFILES_DECODED_FILE_H
#define REELBOX_TEXTFILES_DECODED_FILE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/files.h"

class DecodedFile : public File {
 public:
  explicit DecodedFile(std::unique_ptr<File> raw);

  uint32_t Read(void* buffer, size_t n, size_t* got) override;
  // Gives kErrAccessDenied: the file is read only.
  uint32_t Write(const void* data, size_t n, size_t* written) override;
  uint32_t Flush() override { return 0; }
  uint32_t Close() override { return raw_->Close(); }

  // True once a NUL byte was handed on (a U+0000 of UTF-16 included).
  bool SawNul() const { return saw_nul_; }

 private:
  enum class Form { kUndecided, kBytes, kUtf16Little, kUtf16Big };

  // Decides the form from the first bytes; 0 or the raw file's error.
  uint32_t Decide();
  // Converts UTF-16 into out (room bytes); *given gets the count. 0 or the raw file's error.
  uint32_t ReadUtf16(char* out, size_t room, size_t* given);
  // The next code unit into *unit; false at the end of the data (*odd: one byte was left over).
  bool NextUnit(uint16_t* unit, bool* odd, uint32_t* error);

  std::unique_ptr<File> raw_;
  Form form_ = Form::kUndecided;
  std::vector<uint8_t> in_;  // raw bytes read ahead
  size_t in_pos_ = 0;
  bool raw_ended_ = false;
  // Converted bytes that did not fit the caller's buffer, handed on first at the next read.
  uint8_t carry_[8] = {};
  size_t carry_size_ = 0;
  size_t carry_pos_ = 0;
  bool saw_nul_ = false;
};

#endif  // REELBOX_TEXTFILES_DECODED_FILE_H
