#include "platform/clock.h"

namespace {
class PosixClock final : public Clock {};
}  // namespace

std::unique_ptr<Clock> NewPlatformClock() { return std::make_unique<PosixClock>(); }
