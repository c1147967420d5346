#include "platform/internet.h"

namespace {
class Win32InternetClient final : public InternetClient {};
}  // namespace

std::unique_ptr<InternetClient> NewPlatformInternetClient() { return std::make_unique<Win32InternetClient>(); }
