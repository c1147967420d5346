// The handheld platform's result codes as the conduit reports them.
#ifndef REELBOX_DIAG_PALM_ERROR_H
#define REELBOX_DIAG_PALM_ERROR_H

#include <cstddef>
#include <cstdint>

// What a platform code means to the conduit; the numbers are the ones its messages quote.
enum class PalmResult : int32_t {
  kOk = 0,
  kNotFound = 4,     // database or record does not exist
  kExists = 5,       // database already exists
  kUnexpected = 999  // any other platform code
};

// The result for a platform code; the matching message goes into text (empty for 0), cut to size
// bytes.
PalmResult MapPalmError(uint32_t code, char* text, size_t size);

#endif  // REELBOX_DIAG_PALM_ERROR_H
