// BitArray: a growable set of bits, most significant bit first within each byte.
#ifndef REELBOX_MOVIES_BIT_ARRAY_H
#define REELBOX_MOVIES_BIT_ARRAY_H

#include <cstdint>
#include <string>

class BitArray {
 public:
  // N/8 + 1 zero bytes.
  explicit BitArray(int32_t bits = 1);

  // The bit, or 0 when it lies beyond the array (or is negative).
  int Get(int32_t bit) const {
    if (bit < 0 || bit / 8 >= ByteCount()) return 0;
    return (static_cast<uint8_t>(bytes_[static_cast<size_t>(bit / 8)]) & (0x80 >> (bit % 8))) ? 1 : 0;
  }
  // Grows to bit + 32 bits first when the bit lies beyond the array. A negative bit is ignored.
  void Set(int32_t bit, int value) {
    if (bit < 0) return;
    if (bit / 8 >= ByteCount()) Grow(bit);
    const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit % 8));
    char& byte = bytes_[static_cast<size_t>(bit / 8)];
    const uint8_t old = static_cast<uint8_t>(byte);
    byte = static_cast<char>(value ? (old | mask) : (old & static_cast<uint8_t>(~mask)));
  }
  // Sets the bits of mask in byte i (bits 8i to 8i + 7, most significant first), growing as Set
  // does. A negative i is ignored.
  void SetBits(int32_t i, uint8_t mask) {
    if (i < 0 || mask == 0) return;
    if (i >= ByteCount()) Grow(i * 8);
    char& byte = bytes_[static_cast<size_t>(i)];
    byte = static_cast<char>(static_cast<uint8_t>(byte) | mask);
  }
  // Byte i of the array (bits 8i to 8i + 7, most significant first), or 0 beyond it.
  uint8_t Byte(int32_t i) const {
    return i >= 0 && i < ByteCount() ? static_cast<uint8_t>(bytes_[static_cast<size_t>(i)]) : 0;
  }
  void SetAll(int value);
  // N/8 + 1 bytes, keeping the first bytes that both sizes hold; new bytes are 0.
  void Resize(int32_t bits);
  void Assign(const BitArray& other);

  int32_t ByteCount() const { return static_cast<int32_t>(bytes_.size()); }
  int32_t BitCount() const { return bit_count_; }

 private:
  void Grow(int32_t bit);

  int32_t bit_count_;
  // Bytes in a string: the few bytes of a record's fields stay inside the object (no heap block
  // per record of a long list).
  std::string bytes_;
};

#endif  // REELBOX_MOVIES_BIT_ARRAY_H
