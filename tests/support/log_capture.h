// Captures what the conduit writes to the debugger output (every LogDebug, LogAudit and LogSync
// line) for the life of a test scope, through a log to the debugger output only; every other
// service stays real. A test that opens its own SyncLog hands it a CapturingEnv instead.
#ifndef REELBOX_TESTS_SUPPORT_LOG_CAPTURE_H
#define REELBOX_TESTS_SUPPORT_LOG_CAPTURE_H

#include <string>
#include <vector>

#include "diag/sync_log.h"
#include "platform/env.h"
#include "platform/system.h"

class CapturingSystem : public SystemServices {
 public:
  explicit CapturingSystem(SystemServices& real) : real_(real) {}
  void DebugOutput(const char* text) override { lines.push_back(text); }
  int32_t InitializeCom() override { return real_.InitializeCom(); }
  void UninitializeCom() override { real_.UninitializeCom(); }
  bool ModuleFileName(ModuleHandle m, std::string* n) override { return real_.ModuleFileName(m, n); }
  uint32_t VersionInfoSize(const std::string& f) override { return real_.VersionInfoSize(f); }
  bool ReadVersionInfo(const std::string& f, void* b, uint32_t s) override {
    return real_.ReadVersionInfo(f, b, s);
  }
  bool QueryVersionString(const void* b, const char* k, const char** v, uint32_t* l) override {
    return real_.QueryVersionString(b, k, v, l);
  }
  std::string SystemErrorText(uint32_t code) override { return real_.SystemErrorText(code); }
  std::vector<std::string> lines;

 private:
  SystemServices& real_;
};

class CapturingEnv : public EnvWrapper {
 public:
  CapturingEnv() : EnvWrapper(Env::Default()), system(Env::Default().System()) {}
  SystemServices& System() override { return system; }
  const std::vector<std::string>& Lines() const { return system.lines; }
  bool Has(const std::string& line) const {
    for (const std::string& seen : Lines())
      if (seen == line) return true;
    return false;
  }
  CapturingSystem system;
};

class LogCapture {
 public:
  LogCapture() : log_(env_) {}
  const std::vector<std::string>& Lines() const { return env_.Lines(); }
  bool Has(const std::string& line) const { return env_.Has(line); }

 private:
  CapturingEnv env_;
  SyncLog log_;
};

#endif  // REELBOX_TESTS_SUPPORT_LOG_CAPTURE_H
