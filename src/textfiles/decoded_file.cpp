#include "textfiles/decoded_file.h"

#include <cstring>
#include <utility>

#include "platform/byte_scan.h"

namespace {

constexpr size_t kBlock = 64 * 1024;
// Never part of well-formed UTF-8: what a code unit without a character becomes.
constexpr uint8_t kNoCharacter = 0xFF;

}  // namespace

DecodedFile::DecodedFile(std::unique_ptr<File> raw) : raw_(std::move(raw)) {}

uint32_t DecodedFile::Write(const void*, size_t, size_t* written) {
  *written = 0;
  return kErrAccessDenied;
}

uint32_t DecodedFile::Decide() {
  in_.resize(kBlock);
  size_t got = 0;
  uint32_t err = raw_->Read(in_.data(), in_.size(), &got);
  in_.resize(got);
  if (err != 0) return err;
  if (got == 0) raw_ended_ = true;
  form_ = Form::kBytes;
  if (got >= 2 && ((in_[0] == 0xFF && in_[1] == 0xFE) || (in_[0] == 0xFE && in_[1] == 0xFF))) {
    form_ = in_[0] == 0xFF ? Form::kUtf16Little : Form::kUtf16Big;
    in_pos_ = 2;
    std::memcpy(carry_, "\xEF\xBB\xBF", 3);
    carry_size_ = 3;
    carry_pos_ = 0;
  }
  return 0;
}

uint32_t DecodedFile::Read(void* buffer, size_t n, size_t* got) {
  *got = 0;
  if (form_ == Form::kUndecided) {
    uint32_t err = Decide();
    if (err != 0) return err;
  }
  char* out = static_cast<char*>(buffer);
  uint32_t err = 0;
  size_t given = 0;
  if (form_ != Form::kBytes) {
    err = ReadUtf16(out, n, &given);
  } else if (in_pos_ < in_.size()) {
    // The block read to decide the form goes first; then reads go straight to the caller.
    given = in_.size() - in_pos_ < n ? in_.size() - in_pos_ : n;
    std::memcpy(out, in_.data() + in_pos_, given);
    in_pos_ += given;
    if (in_pos_ == in_.size()) std::vector<uint8_t>().swap(in_);
  } else {
    err = raw_->Read(out, n, &given);
  }
  if (!saw_nul_ && given > 0 && byte_scan::FindByte(out, out + given, '\0') != out + given) saw_nul_ = true;
  *got = given;
  return err;
}

bool DecodedFile::NextUnit(uint16_t* unit, bool* odd, uint32_t* error) {
  *odd = false;
  *error = 0;
  if (in_.size() - in_pos_ < 2 && !raw_ended_) {
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(in_pos_));
    in_pos_ = 0;
    const size_t kept = in_.size();
    in_.resize(kept + kBlock);
    size_t got = 0;
    *error = raw_->Read(in_.data() + kept, kBlock, &got);
    in_.resize(kept + got);
    if (*error != 0) return false;
    if (got == 0) raw_ended_ = true;
  }
  const size_t left = in_.size() - in_pos_;
  if (left < 2) {
    *odd = left == 1;
    in_pos_ = in_.size();
    return false;
  }
  const uint8_t a = in_[in_pos_];
  const uint8_t b = in_[in_pos_ + 1];
  in_pos_ += 2;
  *unit = form_ == Form::kUtf16Little ? static_cast<uint16_t>(a | (b << 8)) : static_cast<uint16_t>((a << 8) | b);
  return true;
}

uint32_t DecodedFile::ReadUtf16(char* out, size_t room, size_t* given) {
  size_t put = 0;
  while (put < room) {
    if (carry_pos_ < carry_size_) {
      out[put++] = static_cast<char>(carry_[carry_pos_++]);
      continue;
    }
    uint16_t unit = 0;
    bool odd = false;
    uint32_t err = 0;
    if (!NextUnit(&unit, &odd, &err)) {
      if (err != 0) {
        *given = put;
        return err;
      }
      if (!odd) break;
      carry_[0] = kNoCharacter;
      carry_size_ = 1;
      carry_pos_ = 0;
      continue;
    }
    uint32_t code = unit;
    bool character = unit < 0xD800 || unit > 0xDFFF;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      // A high surrogate is a character only with the low one behind it.
      uint16_t low = 0;
      const bool more = NextUnit(&low, &odd, &err);
      if (err != 0) {
        *given = put;
        return err;
      }
      if (more && low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000u + ((static_cast<uint32_t>(unit) - 0xD800u) << 10) + (low - 0xDC00u);
        character = true;
      } else if (more) {
        in_pos_ -= 2;  // the unit behind is read on its own (a refill keeps it before the position)
      } else if (odd) {
        in_pos_ = in_.size() - 1;  // the odd last byte is reported on its own
      }
    }
    carry_pos_ = 0;
    if (!character) {
      carry_[0] = kNoCharacter;
      carry_size_ = 1;
    } else if (code < 0x80) {
      carry_[0] = static_cast<uint8_t>(code);
      carry_size_ = 1;
    } else if (code < 0x800) {
      carry_[0] = static_cast<uint8_t>(0xC0 | (code >> 6));
      carry_[1] = static_cast<uint8_t>(0x80 | (code & 0x3F));
      carry_size_ = 2;
    } else if (code < 0x10000) {
      carry_[0] = static_cast<uint8_t>(0xE0 | (code >> 12));
      carry_[1] = static_cast<uint8_t>(0x80 | ((code >> 6) & 0x3F));
      carry_[2] = static_cast<uint8_t>(0x80 | (code & 0x3F));
      carry_size_ = 3;
    } else {
      carry_[0] = static_cast<uint8_t>(0xF0 | (code >> 18));
      carry_[1] = static_cast<uint8_t>(0x80 | ((code >> 12) & 0x3F));
      carry_[2] = static_cast<uint8_t>(0x80 | ((code >> 6) & 0x3F));
      carry_[3] = static_cast<uint8_t>(0x80 | (code & 0x3F));
      carry_size_ = 4;
    }
  }
  *given = put;
  return 0;
}
