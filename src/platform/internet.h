// The internet client: connected state, sessions, URL reads.
// (Being filled in: this header states the contract; posix/ and win32/ implement it.)
#ifndef REELBOX_PLATFORM_INTERNET_H
#define REELBOX_PLATFORM_INTERNET_H

#include <memory>

class InternetClient {
 public:
  InternetClient() = default;
  InternetClient(const InternetClient&) = delete;
  InternetClient& operator=(const InternetClient&) = delete;
  virtual ~InternetClient() = default;
};

// The implementation of this target.
std::unique_ptr<InternetClient> NewPlatformInternetClient();

#endif  // REELBOX_PLATFORM_INTERNET_H
