#include "platform/clock.h"

namespace {
class Win32Clock final : public Clock {};
}  // namespace

std::unique_ptr<Clock> NewPlatformClock() { return std::make_unique<Win32Clock>(); }
