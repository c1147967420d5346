#include "platform/internet.h"

namespace {
class PosixInternetClient final : public InternetClient {};
}  // namespace

std::unique_ptr<InternetClient> NewPlatformInternetClient() { return std::make_unique<PosixInternetClient>(); }
