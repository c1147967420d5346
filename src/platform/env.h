// The operating-system services the conduit uses, behind one seam.
//
// Conduit code never calls the operating system directly: it asks the Env it was handed for a
// service. The exported entry points take Env::Default() and pass it down to everything they
// build. Each target has one implementation of every service (posix/ and win32/). Tests hand
// their objects an EnvWrapper that overrides one service (a fixed clock, a file system that
// fails) and forwards the rest to the real one.
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

  // The real services of this target; lives for the whole process. Only entry points call it.
  static Env& Default();
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

#endif  // REELBOX_PLATFORM_ENV_H
