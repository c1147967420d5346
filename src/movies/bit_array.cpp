#include "movies/bit_array.h"

#include <algorithm>
#include <cstddef>

BitArray::BitArray(int32_t bits) : bit_count_(0) { Resize(bits); }

void BitArray::Grow(int32_t bit) { Resize(bit + 32); }

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
