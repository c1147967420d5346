// Test seams for the events tests: the real platform, with the temporary folder inside the test's
// own folder (so "TQConduit.tmp" of parallel tests never collide), an internet client with short
// time-outs, and a switch that makes the computer look offline.
#ifndef REELBOX_TESTS_EVENTS_EVENTS_ENV_H
#define REELBOX_TESTS_EVENTS_EVENTS_ENV_H

#include <memory>
#include <string>

#include "diag/sync_log.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/internet.h"
#include "support/forwarding_files.h"
#include "support/forwarding_internet.h"
#include "support/temp_dir.h"

class TempFolderFileSystem final : public ForwardingFileSystem {
 public:
  TempFolderFileSystem(FileSystem& real, std::string temp) : ForwardingFileSystem(real), temp_(std::move(temp)) {}
  std::string TempFolder() override { return temp_; }
  void set_temp(std::string temp) { temp_ = std::move(temp); }

 private:
  std::string temp_;
};

// Forwards to a real client; can pretend that the computer has no network connection.
class SwitchableInternetClient final : public ForwardingInternetClient {
 public:
  explicit SwitchableInternetClient(InternetClient& real) : ForwardingInternetClient(real) {}
  bool connected = true;
  bool ping_fails = false;
  bool IsConnected() override { return connected && ForwardingInternetClient::IsConnected(); }
  bool CheckConnection(const char* url) override {
    if (ping_fails) {
      SetLastError(kInternetErrorCannotConnect);
      return false;
    }
    return ForwardingInternetClient::CheckConnection(url);
  }
};

// The seams of a test, with the temporary folder "temp" inside dir; the test hands it to what it
// builds.
class EventsTestEnv final : public EnvWrapper {
 public:
  explicit EventsTestEnv(const TempDir& dir)
      : EnvWrapper(Env::Default()),
        files_(Env::Default().Files(), dir.Sub("temp") + Env::Default().Files().PathSeparator()),
        real_internet_(NewPlatformInternetClient(ShortTimeouts())),
        internet_(*real_internet_) {
    Env::Default().Files().MakeDirectory(dir.Sub("temp"));
  }
  FileSystem& Files() override { return files_; }
  InternetClient& Internet() override { return internet_; }
  TempFolderFileSystem& temp_files() { return files_; }
  SwitchableInternetClient& internet() { return internet_; }

  static InternetTimeouts ShortTimeouts() {
    InternetTimeouts timeouts;
    timeouts.connect_ms = 5000;
    timeouts.stall_ms = 1000;
    return timeouts;
  }

 private:
  TempFolderFileSystem files_;
  std::unique_ptr<InternetClient> real_internet_;
  SwitchableInternetClient internet_;
};

// The conduit's log files in a folder for the life of a test, with the full activity audit on.
class AuditLog {
 public:
  AuditLog(Env& env, const TempDir& dir)
      : folder_(dir.path()), log_(env, nullptr, folder_, kDebugName, folder_, kSyncName) {
    SetLogLevel(kLogLevelAudit);
  }
  ~AuditLog() { SetLogLevel(0); }
  // The debug log as written so far, line ends as stored (CR LF).
  std::string DebugText() const {
    FlushLogFiles();
    return ReadFileBytes(JoinPath(Env::Default().Files(), folder_, kDebugName));
  }

 private:
  static constexpr const char* kDebugName = "kvrtdebuglog.txt";
  static constexpr const char* kSyncName = "kvrtsynclog.txt";
  std::string folder_;
  SyncLog log_;
};

#endif  // REELBOX_TESTS_EVENTS_EVENTS_ENV_H
