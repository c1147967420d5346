// The HotSync manager's queries: the conduit's name, interface version and information answers,
// and the installation of a user's data folder.
#ifndef REELBOX_CONDUIT_CONDUIT_INFO_H
#define REELBOX_CONDUIT_CONDUIT_INFO_H

#include <cstdint>

#include "conduit/entry_codes.h"

class Env;

constexpr const char kConduitDisplayName[] = "Reelbox";
constexpr uint32_t kConduitInterfaceVersion = 0x101;

int32_t ConduitName(char* buffer, uint16_t size);
EntryCode ConduitInfo(int32_t query, const void* input, void* output, uint32_t* outputSize);
// Creates the "Cinevane" folder in the named user's HotSync folder: 0, -2 to -5, or a COM code.
int32_t InstallUserFolder(Env& env, const char* userName);

#endif  // REELBOX_CONDUIT_CONDUIT_INFO_H
