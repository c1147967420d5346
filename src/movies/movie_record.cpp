#include "movies/movie_record.h"

#include <cstring>

#include "platform/byte_scan.h"

using namespace movie_record;

size_t PackMovieRecord(const MovieTransRecord& trans, uint8_t* out) {
  std::memcpy(out, trans.fixed, kFixedSize);
  size_t length = kFixedSize;
  for (int i = 0; i < kTextFieldCount; ++i) {
    TextField field = static_cast<TextField>(i);
    const char* text = trans.Text(field);
    // Not strnlen: the 32-bit runtime's looks at one byte at a time.
    size_t n = static_cast<size_t>(byte_scan::FindByte(text, text + kCapacity[i] - 1, '\0') - text);
    byte_scan::CopyShort(reinterpret_cast<char*>(out + length), text, n);
    length += n;
    out[length++] = 0;
  }
  return length;
}

size_t PackMovieRecord(const MovieTransRecord& trans, const uint16_t* lengths, uint8_t* out) {
  std::memcpy(out, trans.fixed, kFixedSize);
  size_t length = kFixedSize;
  for (int i = 0; i < kTextFieldCount; ++i) {
    const size_t n = lengths[i] < kCapacity[i] - 1 ? lengths[i] : kCapacity[i] - 1;
    byte_scan::CopyShort(reinterpret_cast<char*>(out + length), trans.Text(static_cast<TextField>(i)), n);
    length += n;
    out[length++] = 0;
  }
  return length;
}

void UnpackMovieRecord(const uint8_t* packed, size_t size, MovieTransRecord* trans) {
  std::memset(trans, 0, sizeof *trans);
  size_t fixed = size < kFixedSize ? size : kFixedSize;
  if (fixed) std::memcpy(trans->fixed, packed, fixed);
  size_t position = fixed;
  for (int i = 0; i < kTextFieldCount && position < size; ++i) {
    const uint8_t* start = packed + position;
    const char* text = reinterpret_cast<const char*>(start);
    size_t length = static_cast<size_t>(byte_scan::FindByte(text, text + (size - position), '\0') - text);
    size_t keep = length < kCapacity[i] - 1 ? length : kCapacity[i] - 1;
    std::memcpy(trans->Text(static_cast<TextField>(i)), start, keep);
    position += length + 1;  // past the NUL (or past the end when the record ends inside the text)
  }
}

void UnpackMovieRecordOver(const uint8_t* packed, size_t size, MovieTransRecord* trans, uint16_t* dirty) {
  const size_t fixed = size < kFixedSize ? size : kFixedSize;
  if (fixed) std::memcpy(trans->fixed, packed, fixed);
  std::memset(trans->fixed + fixed, 0, kFixedSize - fixed);
  size_t position = fixed;
  for (int i = 0; i < kTextFieldCount; ++i) {
    char* target = trans->Text(static_cast<TextField>(i));
    size_t keep = 0;
    if (position < size) {
      const char* text = reinterpret_cast<const char*>(packed + position);
      const size_t length = static_cast<size_t>(byte_scan::FindByte(text, text + (size - position), '\0') - text);
      keep = length < kCapacity[i] - 1 ? length : kCapacity[i] - 1;
      byte_scan::CopyShort(target, text, keep);
      position += length + 1;
    }
    if (dirty[i] > keep) std::memset(target + keep, 0, dirty[i] - keep);
    dirty[i] = static_cast<uint16_t>(keep);
  }
}
