// System services that pass every call on to others, in the manner of ForwardingFileSystem: a test
// overrides the calls it changes and keeps the rest real.
#ifndef REELBOX_TESTS_SUPPORT_FORWARDING_SYSTEM_H
#define REELBOX_TESTS_SUPPORT_FORWARDING_SYSTEM_H

#include <cstdint>
#include <string>

#include "platform/system.h"

class ForwardingSystemServices : public SystemServices {
 public:
  explicit ForwardingSystemServices(SystemServices& target) : target_(target) {}
  void DebugOutput(const char* text) override { target_.DebugOutput(text); }
  void StartDebugOutputThread() override { target_.StartDebugOutputThread(); }
  void StopDebugOutputThread() override { target_.StopDebugOutputThread(); }
  int32_t InitializeCom() override { return target_.InitializeCom(); }
  void UninitializeCom() override { target_.UninitializeCom(); }
  bool ModuleFileName(ModuleHandle module, std::string* name) override {
    return target_.ModuleFileName(module, name);
  }
  uint32_t VersionInfoSize(const std::string& file) override { return target_.VersionInfoSize(file); }
  bool ReadVersionInfo(const std::string& file, void* block, uint32_t size) override {
    return target_.ReadVersionInfo(file, block, size);
  }
  bool QueryVersionString(const void* block, const char* sub_block, const char** value,
                          uint32_t* length) override {
    return target_.QueryVersionString(block, sub_block, value, length);
  }
  std::string SystemErrorText(uint32_t code) override { return target_.SystemErrorText(code); }

 private:
  SystemServices& target_;
};

#endif  // REELBOX_TESTS_SUPPORT_FORWARDING_SYSTEM_H
