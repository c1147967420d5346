#include "movies/bit_array.h"

#include <algorithm>
#include <cstddef>

BitArray::BitArray(int32_t bits) : bit_count_(0) { Resize(bits); }

int BitArray::Get(int32_t bit) const {
  if (bit < 0 || bit / 8 >= ByteCount()) return 0;
  return (static_cast<uint8_t>(bytes_[static_cast<size_t>(bit / 8)]) & (0x80 >> (bit % 8))) ? 1 : 0;
}

void BitArray::Set(int32_t bit, int value) {
  if (bit < 0) return;
  if (bit / 8 >= ByteCount()) Resize(bit + 32);
  uint8_t mask = static_cast<uint8_t>(0x80 >> (bit % 8));
  char& byte = bytes_[static_cast<size_t>(bit / 8)];
  uint8_t old = static_cast<uint8_t>(byte);
  byte = static_cast<char>(value ? (old | mask) : (old & static_cast<uint8_t>(~mask)));
}

void BitArray::SetAll(int value) { std::fill(bytes_.begin(), bytes_.end(), value ? '\xFF' : '\0'); }

void BitArray::Resize(int32_t bits) {
  if (bits < 0) bits = 0;
  bit_count_ = bits;
  bytes_.resize(static_cast<size_t>(bits / 8 + 1), '\0');
}

void BitArray::Assign(const BitArray& other) {
  Resize(other.bit_count_);
  bytes_ = other.bytes_;
}
