#include "platform/system.h"

namespace {
class PosixSystemServices final : public SystemServices {};
}  // namespace

std::unique_ptr<SystemServices> NewPlatformSystemServices() { return std::make_unique<PosixSystemServices>(); }
