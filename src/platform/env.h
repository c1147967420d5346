// The operating-system services the conduit uses, behind one seam.
//
// Conduit code never calls the operating system directly: it asks Env::Current() for a service.
// Each target has one implementation of every service (posix/ and win32/). Tests install an
// EnvWrapper that overrides one service (a fixed clock, a file system that fails) and forwards the
// rest to the real one. The conduit runs one synchronization at a time per process, so the current
// Env is a plain process-wide pointer; install and remove it only while no conduit call runs.
#ifndef REELBOX_PLATFORM_ENV_H
#define REELBOX_PLATFORM_ENV_H

class FileSystem;
class Clock;
class InternetClient;
class SystemServices;
class DialogView;

class Env {
 public:
  Env() = default;
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;
  virtual ~Env();

  virtual FileSystem& Files() = 0;
  virtual Clock& Time() = 0;
  virtual InternetClient& Internet() = 0;
  virtual SystemServices& System() = 0;
  virtual DialogView& Dialogs() = 0;

  // The real services of this target; lives for the whole process.
  static Env& Default();
  // What conduit code uses: Default() unless a test installed another.
  static Env& Current();
  // REQUIRES: no conduit call in progress. nullptr restores Default().
  static void SetCurrentForTesting(Env* env);
};

// Forwards every service to a target Env; a test derives from it and overrides one service.
class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env& target) : target_(target) {}
  FileSystem& Files() override { return target_.Files(); }
  Clock& Time() override { return target_.Time(); }
  InternetClient& Internet() override { return target_.Internet(); }
  SystemServices& System() override { return target_.System(); }
  DialogView& Dialogs() override { return target_.Dialogs(); }
  Env& target() { return target_; }

 private:
  Env& target_;
};

// Installs an Env for the life of a test scope.
class ScopedEnv {
 public:
  explicit ScopedEnv(Env& env) { Env::SetCurrentForTesting(&env); }
  ~ScopedEnv() { Env::SetCurrentForTesting(nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
};

#endif  // REELBOX_PLATFORM_ENV_H
