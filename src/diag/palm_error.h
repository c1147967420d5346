// The handheld platform's result codes as the conduit reports them.
#ifndef REELBOX_DIAG_PALM_ERROR_H
#define REELBOX_DIAG_PALM_ERROR_H

#include <cstddef>
#include <cstdint>

// 0 for success, 4 for "not found", 5 for "already exists", 999 for anything else; the matching
// message goes into text (empty for 0), cut to size bytes.
int32_t MapPalmError(uint32_t code, char* text, size_t size);

#endif  // REELBOX_DIAG_PALM_ERROR_H
