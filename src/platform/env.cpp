#include "platform/env.h"

#include <memory>

#include "platform/clock.h"
#include "platform/dialog_view.h"
#include "platform/files.h"
#include "platform/internet.h"
#include "platform/system.h"

Env::~Env() = default;

namespace {

class PlatformEnv final : public Env {
 public:
  PlatformEnv()
      : files_(NewPlatformFileSystem()),
        clock_(NewPlatformClock()),
        internet_(NewPlatformInternetClient()),
        system_(NewPlatformSystemServices()),
        dialogs_(NewPlatformDialogView()) {}
  FileSystem& Files() override { return *files_; }
  Clock& Time() override { return *clock_; }
  InternetClient& Internet() override { return *internet_; }
  SystemServices& System() override { return *system_; }
  DialogView& Dialogs() override { return *dialogs_; }

 private:
  std::unique_ptr<FileSystem> files_;
  std::unique_ptr<Clock> clock_;
  std::unique_ptr<InternetClient> internet_;
  std::unique_ptr<SystemServices> system_;
  std::unique_ptr<DialogView> dialogs_;
};

}  // namespace

Env& Env::Default() {
  // Destroyed with the module that holds it: the conduit library is loaded and unloaded by its
  // host, and an object left behind at unload is a leak the host cannot free.
  static PlatformEnv env;
  return env;
}
