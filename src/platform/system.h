// Debugger output, COM initialisation, module version resources, tick count.
// (Being filled in: this header states the contract; posix/ and win32/ implement it.)
#ifndef REELBOX_PLATFORM_SYSTEM_H
#define REELBOX_PLATFORM_SYSTEM_H

#include <memory>

class SystemServices {
 public:
  SystemServices() = default;
  SystemServices(const SystemServices&) = delete;
  SystemServices& operator=(const SystemServices&) = delete;
  virtual ~SystemServices() = default;
};

// The implementation of this target.
std::unique_ptr<SystemServices> NewPlatformSystemServices();

#endif  // REELBOX_PLATFORM_SYSTEM_H
