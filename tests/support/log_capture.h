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
#include "support/forwarding_system.h"

class CapturingSystem : public ForwardingSystemServices {
 public:
  explicit CapturingSystem(SystemServices& real) : ForwardingSystemServices(real) {}
  void DebugOutput(const char* text) override { lines.push_back(text); }
  std::vector<std::string> lines;
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
