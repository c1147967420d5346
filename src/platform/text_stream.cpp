#include "platform/text_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_scan.h"


namespace {
constexpr size_t kChunk = 64 * 1024;
constexpr char kEndOfData = 0x1A;
}  // namespace

TextStream::TextStream(std::unique_ptr<File> file) : file_(std::move(file)) {
  out_.reserve(kChunk + 2);
}

TextStream::~TextStream() { Close(); }

uint32_t TextStream::Open(FileSystem& files, const std::string& path, FileMode mode,
                          std::unique_ptr<TextStream>* out) {
  out->reset();
  std::unique_ptr<File> file;
  uint32_t err = files.OpenFile(path, mode, &file);
  if (err != 0) return err;
  *out = std::make_unique<TextStream>(std::move(file));
  return 0;
}

bool TextStream::FillIn() {
  // The buffer is allocated once and kept: only the bytes a read gives are written.
  const size_t keep = in_end_ - in_pos_;
  if (keep > 0 && in_pos_ > 0) std::memmove(in_.data(), in_.data() + in_pos_, keep);
  in_pos_ = 0;
  in_end_ = keep;
  if (data_ended_ || !file_) return false;
  if (in_.size() < keep + kChunk) in_.resize(keep + kChunk);
  size_t got = 0;
  uint32_t err = file_->Read(in_.data() + keep, kChunk, &got);
  in_end_ = keep + got;
  if (err != 0) {
    error_ = err;
    return false;
  }
  if (got == 0) data_ended_ = true;
  return got > 0;
}

size_t TextStream::Read(void* buffer, size_t n) {
  char* dest = static_cast<char*>(buffer);
  size_t count = 0;
  while (count < n) {
    if (in_pos_ >= in_end_ && !FillIn()) {
      if (error_ == 0) eof_ = true;
      break;
    }
    // Runs up to the next CR or end-of-data byte are copied whole; a CR LF whose LF is buffered
    // is translated here, the end-of-data byte and a CR at the end of the buffer take the way below.
    const char* from = in_.data() + in_pos_;
    size_t available = in_end_ - in_pos_;
    char* to = dest + count;
    size_t room = n - count;
    size_t taken = 0, given = 0;
    bool slow = false;
    while (taken < available && given < room && !slow) {
      const size_t limit = std::min(available - taken, room - given);
      const char* stop = byte_scan::FindEither(from + taken, from + taken + limit, '\r', kEndOfData);
      const size_t run = static_cast<size_t>(stop - (from + taken));
      byte_scan::CopyShort(to + given, from + taken, run);
      taken += run;
      given += run;
      if (run == limit) break;
      // CRs in a row (a CR LF written as text comes back as CR CR LF) are taken here, not by
      // another scan each.
      while (from[taken] == '\r') {
        if (taken + 1 >= available) {
          slow = true;
          break;
        }
        if (from[taken + 1] == '\n') {
          to[given++] = '\n';
          taken += 2;
        } else {
          to[given++] = '\r';
          ++taken;
        }
        if (taken >= available || given >= room) break;
      }
      if (taken < available && from[taken] == kEndOfData) break;
    }
    in_pos_ += taken;
    count += given;
    if (given > 0) continue;
    char c = in_[in_pos_];
    if (c == kEndOfData) {
      // Everything behind the marker is not data, as in a C runtime's text mode.
      data_ended_ = true;
      in_end_ = 0;
      in_pos_ = 0;
      eof_ = true;
      break;
    }
    if (c == '\r') {
      // A CR at the end of what is buffered may be the first half of a CR LF.
      if (in_pos_ + 1 >= in_end_) FillIn();
      if (in_pos_ + 1 < in_end_ && in_[in_pos_ + 1] == '\n') {
        dest[count++] = '\n';
        in_pos_ += 2;
        continue;
      }
    }
    dest[count++] = c;
    ++in_pos_;
  }
  return count;
}

uint32_t TextStream::WriteOut() {
  if (out_.empty()) return 0;
  if (!file_) return kErrInvalidParameter;
  size_t written = 0;
  uint32_t err = file_->Write(out_.data(), out_.size(), &written);
  if (err == 0 && written != out_.size()) err = kErrDiskFull;
  out_.clear();
  return err;
}

size_t TextStream::Write(const void* data, size_t n) {
  if (error_ != 0 || !file_) return 0;
  const char* src = static_cast<const char*>(data);
  // Runs without a line feed are copied whole, up to the end of the chunk.
  for (size_t i = 0; i < n;) {
    if (src[i] == '\n') {
      out_.push_back('\r');
      out_.push_back('\n');
      ++i;
    } else {
      size_t run = static_cast<size_t>(byte_scan::FindByte(src + i, src + n, '\n') - (src + i));
      const size_t room = out_.size() < kChunk ? kChunk - out_.size() : 1;
      if (run > room) run = room;
      out_.insert(out_.end(), src + i, src + i + run);
      i += run;
    }
    if (out_.size() >= kChunk) {
      uint32_t err = WriteOut();
      if (err != 0) {
        error_ = err;
        return i - 1;
      }
    }
  }
  return n;
}

uint32_t TextStream::Flush() {
  uint32_t err = WriteOut();
  if (err == 0 && file_) err = file_->Flush();
  if (err != 0 && error_ == 0) error_ = err;
  return err;
}

uint32_t TextStream::Close() {
  if (!file_) return 0;
  uint32_t err = WriteOut();
  uint32_t close_err = file_->Close();
  file_.reset();
  if (err == 0) err = close_err;
  if (err != 0 && error_ == 0) error_ = err;
  return err;
}
