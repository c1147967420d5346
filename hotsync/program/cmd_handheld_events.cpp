// hotsync handheld events [set N NAME ADDRESS]: the event lists of the handheld's "Movie-Events"
// database (its AppInfo block), shown, or one list renamed and pointed at another feed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hotsync_session.h"
#include "program/commands.h"

namespace hotsync {
namespace {

// The conduit's layout of the block: 16 names of 16 bytes at 2, 16 feed addresses of 101 bytes
// at 276, 16 big-endian last update dates (handheld seconds, 0 = never) at 1892.
constexpr uint16_t kBlockSize = 1960;
constexpr int kLists = 16;
constexpr size_t kNameAt = 2, kNameSize = 16;
constexpr size_t kAddressAt = 276, kAddressSize = 101;
constexpr size_t kDateAt = 1892;
const char kDatabase[] = "Movie-Events";

std::string Field(const uint8_t* at, size_t size) {
  const char* text = reinterpret_cast<const char*>(at);
  return std::string(text, strnlen(text, size - 1));
}

void SetField(uint8_t* at, size_t size, const std::string& text) {
  std::memset(at, 0, size);
  std::memcpy(at, text.data(), text.size() < size - 1 ? text.size() : size - 1);
}

// "YYYY-MM-DD" of handheld seconds (since 1904-01-01, wall clock).
std::string DateText(uint32_t seconds) {
  int64_t z = static_cast<int64_t>(seconds / 86400) - 24107 + 719468;
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp + (mp < 10 ? 3 : -9);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(yoe + era * 400 + (m <= 2)),
                static_cast<int>(m), static_cast<int>(d));
  return text;
}

// Opens the database and reads its block; false with a message printed.
bool ReadBlock(uint8_t* handle, uint8_t* block) {
  int32_t result = SyncOpenDB(kDatabase, 0, handle, kSyncOpenReadWrite);
  if (result == kSyncErrNotFound) {
    std::fprintf(stderr, "hotsync: the handheld has no %s database yet (the first sync creates it)\n", kDatabase);
    return false;
  }
  if (result != 0) {
    std::fprintf(stderr, "hotsync: cannot open %s (0x%lx) %s\n", kDatabase, static_cast<unsigned long>(result),
                 HsGetLastErrorText());
    return false;
  }
  DatabaseBlockInfo info = {};
  std::memset(block, 0, kBlockSize);
  info.bufferSize = kBlockSize;
  info.byteCount = kBlockSize;
  info.buffer = block;
  result = SyncReadDBAppInfoBlock(*handle, &info);
  if (result != 0 || info.byteCount > kBlockSize) {
    std::fprintf(stderr, "hotsync: cannot read the lists of %s (0x%lx)\n", kDatabase, static_cast<unsigned long>(result));
    SyncCloseDB(*handle);
    return false;
  }
  return true;
}

void Show(const uint8_t* block) {
  for (int i = 0; i < kLists; ++i) {
    std::string name = Field(block + kNameAt + i * kNameSize, kNameSize);
    std::string address = Field(block + kAddressAt + i * kAddressSize, kAddressSize);
    if (name.empty() && address.empty()) continue;
    const uint8_t* d = block + kDateAt + i * 4;
    uint32_t date = static_cast<uint32_t>(d[0]) << 24 | static_cast<uint32_t>(d[1]) << 16 |
                    static_cast<uint32_t>(d[2]) << 8 | d[3];
    std::printf("%2d  %-15s  %-10s  %s\n", i, name.c_str(), date == 0 ? "never" : DateText(date).c_str(),
                address.empty() ? "(no feed: not synchronized)" : address.c_str());
  }
}

}  // namespace

int RunHandheldEvents(const Options& options) {
  const std::vector<std::string>& words = options.words;
  const bool set = words.size() >= 3 && words[2] == "set";
  char* end = nullptr;
  const long list = set && words.size() == 6 ? std::strtol(words[3].c_str(), &end, 10) : -1;
  if (words.size() != 2 && !(set && words.size() == 6 && end && *end == 0 && list >= 0 && list < kLists)) {
    return UsageError("handheld events takes [set N NAME ADDRESS] (N 0..15; an empty ADDRESS turns the list off)");
  }
  if (set && (words[4].size() >= kNameSize || words[5].size() >= kAddressSize)) {
    return UsageError("a list name has at most 15 characters, an address at most 100");
  }
  SessionScope session(options, 0);
  if (!session.ok()) return 1;
  uint8_t handle = 0;
  uint8_t block[kBlockSize];
  if (!ReadBlock(&handle, block)) return 1;
  int status = 0;
  if (set) {
    SetField(block + kNameAt + list * kNameSize, kNameSize, words[4]);
    SetField(block + kAddressAt + list * kAddressSize, kAddressSize, words[5]);
    DatabaseBlockInfo info = {};
    info.bufferSize = kBlockSize;
    info.byteCount = kBlockSize;
    info.buffer = block;
    int32_t result = SyncWriteDBAppInfoBlock(handle, &info);
    if (result != 0) {
      std::fprintf(stderr, "hotsync: cannot write the lists of %s (0x%lx)\n", kDatabase,
                   static_cast<unsigned long>(result));
      status = 1;
    }
  }
  SyncCloseDB(handle);
  if (!session.End()) return 1;
  if (status == 0) Show(block);
  return status;
}

}  // namespace hotsync
