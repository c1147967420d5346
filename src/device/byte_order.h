// The handheld is big-endian; every number in a handheld record, AppInfo block or preference
// value passes through Swap16 or Swap32, which reverse the bytes when the desktop's order differs.
#ifndef REELBOX_DEVICE_BYTE_ORDER_H
#define REELBOX_DEVICE_BYTE_ORDER_H

#include <cstdint>
#include <cstring>

class ByteOrder {
 public:
  static bool HostIsBigEndian() {
    const uint16_t probe = 0x0102;
    uint8_t first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 0x01;
  }
  static uint16_t Swap16(uint16_t value) {
    if (HostIsBigEndian()) return value;
    return static_cast<uint16_t>((value >> 8) | (value << 8));
  }
  static uint32_t Swap32(uint32_t value) {
    if (HostIsBigEndian()) return value;
    return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
  }
};

inline uint16_t Swap16(uint16_t value) { return ByteOrder::Swap16(value); }
inline uint32_t Swap32(uint32_t value) { return ByteOrder::Swap32(value); }

#endif  // REELBOX_DEVICE_BYTE_ORDER_H
