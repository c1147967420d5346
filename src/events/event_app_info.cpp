#include "events/event_app_info.h"

#include <cstring>

#include "device/byte_order.h"

#ifndef REELBOX_FEED_HOST
#define REELBOX_FEED_HOST "feeds.reelbox.example"
#endif

namespace {

constexpr size_t kNamesOffset = 2;
constexpr size_t kUniqueIdsOffset = 258;
constexpr size_t kLastUniqueIdOffset = 274;
constexpr size_t kAddressesOffset = 276;
constexpr size_t kDatesOffset = 1892;

struct DefaultList {
  const char* name;
  const char* path;
};
constexpr DefaultList kDefaultLists[] = {
    {"DVD Releases", "/cinevane/cal/DVD.asp"},
    {"Film Festivals", "/cinevane/cal/FilmFest.asp"},
    {"Film Premieres", "/cinevane/cal/Premiere.asp"},
};
static_assert(sizeof(REELBOX_FEED_HOST) - 1 + sizeof("/cinevane/cal/FilmFest.asp") - 1 < kEventAddressSize,
              "REELBOX_FEED_HOST is too long for a list address");

std::string Field(const uint8_t* at, size_t size) {
  const char* text = reinterpret_cast<const char*>(at);
  return std::string(text, strnlen(text, size - 1));
}

void SetField(uint8_t* at, size_t size, const std::string& text) {
  std::memset(at, 0, size);
  size_t length = strnlen(text.c_str(), text.size());
  std::memcpy(at, text.data(), length < size - 1 ? length : size - 1);
}

}  // namespace

std::string EventAppInfo::ListName(int list) const {
  return Field(bytes + kNamesOffset + list * kEventListNameSize, kEventListNameSize);
}

void EventAppInfo::SetListName(int list, const std::string& name) {
  SetField(bytes + kNamesOffset + list * kEventListNameSize, kEventListNameSize, name);
}

std::string EventAppInfo::Address(int list) const {
  return Field(bytes + kAddressesOffset + list * kEventAddressSize, kEventAddressSize);
}

void EventAppInfo::SetAddress(int list, const std::string& address) {
  SetField(bytes + kAddressesOffset + list * kEventAddressSize, kEventAddressSize, address);
}

uint32_t EventAppInfo::LastUpdate(int list) const {
  uint32_t value = 0;
  std::memcpy(&value, bytes + kDatesOffset + list * 4, 4);
  return Swap32(value);
}

void EventAppInfo::SetLastUpdate(int list, uint32_t handheld_seconds) {
  uint32_t value = Swap32(handheld_seconds);
  std::memcpy(bytes + kDatesOffset + list * 4, &value, 4);
}

const char* DefaultFeedHost() { return REELBOX_FEED_HOST; }

void InitEventAppInfo(uint32_t now, EventAppInfo* block) {
  std::memset(block->bytes, 0, kEventAppInfoSize);
  block->bytes[0] = 0x03;
  for (int i = 0; i < 3; ++i) {
    block->SetListName(i, kDefaultLists[i].name);
    block->SetAddress(i, std::string(REELBOX_FEED_HOST) + kDefaultLists[i].path);
  }
  for (int i = 0; i < kEventListCount; ++i) block->bytes[kUniqueIdsOffset + i] = static_cast<uint8_t>(i);
  block->bytes[kLastUniqueIdOffset] = 16;
  uint32_t start = now / kSecondsPerDay * kSecondsPerDay - kEventWindowDays * kSecondsPerDay;
  for (int i = 0; i < kEventListCount; ++i) block->SetLastUpdate(i, start);
}
