// The desktop preferences file: any bytes give a usable record that survives a write and re-read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "conduit/conduit_prefs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ConduitPrefs prefs;
  std::memset(&prefs, 0, sizeof prefs);
  size_t filled = DecodeConduitPrefs(data, size, &prefs);
  if (filled > kConduitPrefsSize) std::abort();
  ValidateConduitPrefs(&prefs, filled);
  if (prefs.version != kConduitPrefsVersion) std::abort();
  std::string bytes = EncodeConduitPrefs(prefs);
  ConduitPrefs again;
  size_t back = DecodeConduitPrefs(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &again);
  if (back != kConduitPrefsSize || std::memcmp(&again, &prefs, sizeof prefs) != 0) std::abort();
  return 0;
}
