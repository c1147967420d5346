// The HotSync manager's queries: the conduit's name, interface version and information answers.
#ifndef REELBOX_CONDUIT_CONDUIT_INFO_H
#define REELBOX_CONDUIT_CONDUIT_INFO_H

#include <cstdint>

#include "conduit/entry_codes.h"

constexpr const char kConduitDisplayName[] = "Reelbox";
constexpr uint32_t kConduitInterfaceVersion = 0x101;

int32_t ConduitName(char* buffer, uint16_t size);
EntryCode ConduitInfo(int32_t query, const void* input, void* output, uint32_t* output_size);

#endif  // REELBOX_CONDUIT_CONDUIT_INFO_H
