// The test conduit's queries, configuration and installation.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host.h"
#include "test_conduit.h"

long EnvNumber(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && text[0] != 0 ? std::strtol(text, nullptr, 0) : fallback;
}

extern "C" {

TC_EXPORT int32_t HS_CALL GetConduitName(char* buffer, uint16_t size) {
  if (buffer == nullptr || size == 0) return 0;
  std::memset(buffer, 0, size);
  std::strncpy(buffer, "Test Conduit", size - 1);
  return 0;
}

TC_EXPORT uint32_t HS_CALL GetConduitVersion(void) { return 0x101; }

TC_EXPORT int32_t HS_CALL GetConduitInfo(int32_t query, [[maybe_unused]] void* input, void* output,
                                         uint32_t* output_size) {
  if (output == nullptr || output_size == nullptr) return 4209;
  if (query == 0) {
    std::memset(output, 0, *output_size);
    std::strncpy(static_cast<char*>(output), "Test Conduit", *output_size - 1);
    return 0;
  }
  if (*output_size != 4) return 4211;
  const uint32_t value = query == 1 ? 0x10000000u : 0;
  if (query > 2) return 4208;
  std::memcpy(output, &value, 4);
  return 0;
}

// Stores "synchronize" and preference kind 1, and checks that the folder names a user.
TC_EXPORT int32_t HS_CALL CfgConduit([[maybe_unused]] int32_t kind, void* record, uint32_t* size) {
  if (record == nullptr) return 4212;
  if (size == nullptr) return 4216;
  if (*size != kCfgRecordSize) return 4218;
  uint8_t* bytes = static_cast<uint8_t*>(record);
  uint32_t user_id = 0;
  if (UmGetUserIdFromPath(reinterpret_cast<char*>(bytes + kCfgRecordFolderOffset), &user_id) <= 0) {
    return -1;
  }
  const uint32_t action = static_cast<uint32_t>(EnvNumber("TESTCONDUIT_ACTION", 0));
  const uint32_t pref_kind = 1;
  std::memcpy(bytes + kCfgRecordActionOffset, &action, 4);
  std::memcpy(bytes + kCfgRecordPrefKindOffset, &pref_kind, 4);
  return 0;
}

// Creates ROOT + user folder + "Cinevane" for the named user, as the real conduit does.
TC_EXPORT int32_t HS_CALL FinishInstall(const char* user_name) {
  char root[260] = {0};
  int16_t size = 259;
  if (UmGetRootDirectory(root, &size) <= 0) return -2;
  const int32_t count = UmGetUserCount();
  for (int32_t i = 0; i < count; ++i) {
    uint32_t id = 0;
    UmGetUserId(static_cast<uint16_t>(i), &id);
    char name[100] = {0};
    int16_t name_size = 99;
    if (UmGetUserName(id, name, &name_size) <= 0 || std::strcmp(name, user_name) != 0) continue;
    char folder[260] = {0};
    int16_t folder_size = 259;
    if (UmGetUserDirectory(id, folder, &folder_size) <= 0) return -4;
    std::string error;
    return hotsync::MakeFolders(hotsync::JoinPath(std::string(root) + folder, "Cinevane"), &error)
               ? 0
               : -5;
  }
  return -3;
}

}  // extern "C"
