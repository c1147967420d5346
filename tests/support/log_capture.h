// Captures what the conduit writes to the debugger output (every LogDebug, LogAudit and LogSync
// line) for the life of a test scope; every other service stays real.
#ifndef REELBOX_TESTS_SUPPORT_LOG_CAPTURE_H
#define REELBOX_TESTS_SUPPORT_LOG_CAPTURE_H

#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/system.h"

class LogCapture {
 public:
  LogCapture() : scoped_(env_) {}
  const std::vector<std::string>& Lines() const { return env_.system.lines; }
  bool Has(const std::string& line) const {
    for (const std::string& seen : Lines())
      if (seen == line) return true;
    return false;
  }

 private:
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
    CapturingSystem system;
  };

  CapturingEnv env_;
  ScopedEnv scoped_;
};

#endif  // REELBOX_TESTS_SUPPORT_LOG_CAPTURE_H
