// The AppInfo block of "Movie-Events" (1960 bytes): the names of the 16 event lists (one per
// category), their feed addresses and their last update dates.
//
// Layout: 0x03 0x00; 16 names of 16 bytes at 2; 16 category unique ids at 258; the last unique id
// at 274; 0 at 275; 16 addresses of 101 bytes at 276; 16 big-endian dates at 1892 (handheld
// seconds, 0 = never); a flag word at 1956. Text read from a handheld block is bounded by its
// field even when the terminator is missing.
#ifndef REELBOX_EVENTS_EVENT_APP_INFO_H
#define REELBOX_EVENTS_EVENT_APP_INFO_H

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kEventAppInfoSize = 1960;
constexpr int kEventListCount = 16;
constexpr size_t kEventListNameSize = 16;
constexpr size_t kEventAddressSize = 101;
constexpr uint32_t kEventWindowDays = 60;
constexpr uint32_t kSecondsPerDay = 86400;

struct EventAppInfo {
  uint8_t bytes[kEventAppInfoSize];

  // REQUIRES for all: 0 <= list < 16.
  std::string ListName(int list) const;
  // Cut to 15 characters.
  void SetListName(int list, const std::string& name);
  std::string Address(int list) const;
  // Cut to 100 characters.
  void SetAddress(int list, const std::string& address);
  uint32_t LastUpdate(int list) const;
  void SetLastUpdate(int list, uint32_t handheld_seconds);
  // The conduit marks every block it writes.
  void MarkWritten() { bytes[1956] |= 1; }
};
static_assert(sizeof(EventAppInfo) == kEventAppInfoSize, "EventAppInfo is 1960 bytes");

// The feed server's host name of the default lists (a build setting).
const char* DefaultFeedHost();

// Fills the block of a new database: three lists on the feed server, every last update date 60
// days before the day of now (handheld seconds).
void InitEventAppInfo(uint32_t now, EventAppInfo* block);

#endif  // REELBOX_EVENTS_EVENT_APP_INFO_H
