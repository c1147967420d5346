#include "platform/system.h"

namespace {
class Win32SystemServices final : public SystemServices {};
}  // namespace

std::unique_ptr<SystemServices> NewPlatformSystemServices() { return std::make_unique<Win32SystemServices>(); }
