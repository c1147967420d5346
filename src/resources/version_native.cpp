// The native language library's counterpart of the version resource: the same texts under the
// same sub-block paths, as NUL-terminated key and value pairs ended by an empty key.
#include <cstdint>

namespace {

constexpr char kVersionBlock[] =
    "\\StringFileInfo\\040904e4\\CompanyName\0Reelbox\0"
    "\\StringFileInfo\\040904e4\\FileDescription\0Reelbox conduit language resources\0"
    "\\StringFileInfo\\040904e4\\FileVersion\0" "2.0.0.44\0"
    "\\StringFileInfo\\040904e4\\InternalName\0KVRTConduitLANG\0"
    "\\StringFileInfo\\040904e4\\OriginalFilename\0KVRTConduitLANG.DLL\0"
    "\\StringFileInfo\\040904e4\\ProductName\0Reelbox\0"
    "\\StringFileInfo\\040904e4\\ProductVersion\0" "2.0.0.44\0"
    "\\StringFileInfo\\040904e4\\SpecialBuild\0v2.0 (0044)-built 3/29/06\0"
    "\0";

}  // namespace

extern "C" [[gnu::visibility("default")]] const char* ReelboxVersionResource(uint32_t* size) {
  // The literal's own terminator is not part of the block.
  if (size != nullptr) *size = static_cast<uint32_t>(sizeof kVersionBlock - 1);
  return kVersionBlock;
}
