// CfgConduit and ConfigureConduit through the real model and the real preferences file; only
// the user's hand on the dialog is scripted.
#include "conduit/configure.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "conduit/conduit_prefs.h"
#include "conduit/settings_dialog_model.h"
#include "platform/dialog_view.h"
#include "platform/env.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

class ScriptedView final : public DialogView {
 public:
  int RunModal(void*, DialogController& controller) override {
    ++runs;
    shown = controller.Form();
    return script ? script(controller) : kDialogCancel;
  }
  void OpenWithProgram(const std::string& program, const std::string& file,
                       const std::string& folder) override {
    opened.push_back(program + "|" + file + "|" + folder);
  }
  std::function<int(DialogController&)> script;
  int runs = 0;
  DialogForm shown;
  std::vector<std::string> opened;
};

class ViewEnv final : public EnvWrapper {
 public:
  explicit ViewEnv(DialogView& view) : EnvWrapper(Env::Default()), view_(view) {}
  DialogView& Dialogs() override { return view_; }

 private:
  DialogView& view_;
};

uint32_t Le32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

class ConfigureTest : public ::testing::Test {
 protected:
  ConfigureTest() : env(view) {
    record.assign(352, 0xEE);
    record[0] = 1;
    record[1] = record[2] = record[3] = 0;
    SetFolder(dir.path());
  }
  void SetFolder(const std::string& folder) {
    std::memset(&record[80], 0, 264);
    std::memcpy(&record[80], folder.data(), folder.size());
  }
  int32_t Cfg(int32_t kind = 0, uint32_t size = 352) { return ToInt(ConfigureFromRecord(env, kind, record.data(), &size)); }
  std::string PrefsPath() const { return dir.Sub("KVRTPrefs.txt"); }
  ConduitPrefs Stored() const {
    ConduitPrefs prefs{};
    ReadConduitPrefs(Env::Default().Files(), &prefs, dir.path().c_str());
    return prefs;
  }
  void Store(uint32_t flags, uint32_t interval, uint32_t last_run, uint32_t log_level) {
    ConduitPrefs prefs{3, 0, flags, interval, last_run, log_level};
    WriteConduitPrefs(Env::Default().Files(), prefs, dir.path().c_str());
  }
  // Clicks as a user would, then presses `button`.
  void Script(std::function<void(DialogController&)> clicks, int button = kDialogOk) {
    view.script = [clicks, button](DialogController& c) {
      if (clicks) clicks(c);
      return button;
    };
  }

  TempDir dir;
  ScriptedView view;
  ViewEnv env;
  std::vector<uint8_t> record;
};

TEST_F(ConfigureTest, ChecksItsArgumentsInOrderAndShowsNoDialogOnABadCall) {
  uint32_t size = 352;
  EXPECT_EQ(ToInt(ConfigureFromRecord(env, 1, nullptr, nullptr)), 4212);
  EXPECT_EQ(ToInt(ConfigureFromRecord(env, 1, record.data(), nullptr)), 4216);
  size = 348;
  record[0] = 2;
  EXPECT_EQ(ToInt(ConfigureFromRecord(env, 1, record.data(), &size)), 4218);
  size = 352;
  EXPECT_EQ(ToInt(ConfigureFromRecord(env, 1, record.data(), &size)), 4217);
  EXPECT_EQ(ToInt(ConfigureFromRecord(env, 0, record.data(), &size)), 4219);
  EXPECT_EQ(view.runs, 0);
  EXPECT_EQ(Le32(&record[344]), 0xEEEEEEEEu);
  EXPECT_FALSE(env.Files().FileExists(PrefsPath()));
}

TEST_F(ConfigureTest, OkWithoutAPreferencesFileStoresTheDefaultsAndSynchronizes) {
  Script(nullptr);
  EXPECT_EQ(Cfg(), 0);
  EXPECT_EQ(view.runs, 1);
  EXPECT_EQ(view.shown.Find(kScheduleList)->selectedRow, 2);
  EXPECT_TRUE(view.shown.Find(kEventsCheck)->checked);
  EXPECT_TRUE(view.shown.Find(kListsCheck)->checked);
  EXPECT_TRUE(view.shown.Find(kStandardLogRadio)->checked);
  EXPECT_EQ(Le32(&record[344]), 0u);
  EXPECT_EQ(Le32(&record[348]), 1u);
  const ConduitPrefs p = Stored();
  EXPECT_EQ(p.version, 3);
  EXPECT_EQ(p.flags, 9u);
  EXPECT_EQ(p.eventsInterval, 604800u);
  EXPECT_EQ(p.lastEventsRun, 0u);
  EXPECT_EQ(p.logLevel, 4u);
}

TEST_F(ConfigureTest, CancelLeavesTheFileAndTheRecordUntouched) {
  Store(9, 604800, 777, 4);
  const std::string before = ReadFileBytes(PrefsPath());
  Script(
      [](DialogController& c) {
        c.OnCheck(kEventsCheck, false);
        c.OnCheck(kListsCheck, false);
        c.OnCheck(kFullAuditRadio, true);
      },
      kDialogCancel);
  EXPECT_EQ(Cfg(), -1);
  EXPECT_EQ(ReadFileBytes(PrefsPath()), before);
  EXPECT_EQ(Le32(&record[344]), 0xEEEEEEEEu);
  EXPECT_EQ(Le32(&record[348]), 0xEEEEEEEEu);
}

TEST_F(ConfigureTest, ADialogThatCannotBeShownCountsAsCancel) {
  view.script = [](DialogController&) { return -1; };
  EXPECT_EQ(Cfg(), -1);
  EXPECT_FALSE(env.Files().FileExists(PrefsPath()));
}

TEST_F(ConfigureTest, BothJobsOffStoresNoScheduleAndTheDoNothingAction) {
  Store(9, 86400, 777, 4);
  Script([](DialogController& c) {
    c.OnCheck(kEventsCheck, false);
    c.OnCheck(kListsCheck, false);
  });
  EXPECT_EQ(Cfg(), 0);
  EXPECT_EQ(Le32(&record[344]), 6u);
  const ConduitPrefs p = Stored();
  EXPECT_EQ(p.eventsInterval, 0xFFFFFFFFu);
  EXPECT_EQ(p.flags & 9u, 0u);
  EXPECT_EQ(p.lastEventsRun, 0u);
}

TEST_F(ConfigureTest, IntervalOffTheListIsStoredAsTheRowShownAndTheJobBecomesDue) {
  Store(9, 100000, 777, 8);
  Script(nullptr);
  EXPECT_EQ(Cfg(), 0);
  EXPECT_EQ(view.shown.Find(kScheduleList)->selectedRow, 1);
  EXPECT_TRUE(view.shown.Find(kFullAuditRadio)->checked);
  const ConduitPrefs p = Stored();
  EXPECT_EQ(p.eventsInterval, 86400u);
  EXPECT_EQ(p.lastEventsRun, 0u);
  EXPECT_EQ(p.logLevel, 8u);
}

TEST_F(ConfigureTest, ReopeningAfterOkShowsTheChoicesMade) {
  Script([](DialogController& c) {
    c.OnSelect(kScheduleList, 4);
    c.OnCheck(kFullAuditRadio, true);
    c.OnCheck(kListsCheck, false);
  });
  EXPECT_EQ(Cfg(), 0);
  const ConduitPrefs p = Stored();
  EXPECT_EQ(p.eventsInterval, 2592000u);
  EXPECT_EQ(p.flags, 1u);
  EXPECT_EQ(p.logLevel, 8u);
  Script(nullptr, kDialogCancel);
  EXPECT_EQ(Cfg(), -1);
  EXPECT_EQ(view.shown.Find(kScheduleList)->selectedRow, 4);
  EXPECT_FALSE(view.shown.Find(kListsCheck)->checked);
  EXPECT_TRUE(view.shown.Find(kFullAuditRadio)->checked);
}

TEST_F(ConfigureTest, ViewLogOpensTheDebugLogWithNotepadInTheFolder) {
  Script([](DialogController& c) { c.OnPush(kViewLogButton); }, kDialogCancel);
  Cfg();
  ASSERT_EQ(view.opened.size(), 1u);
  EXPECT_EQ(view.opened[0], "notepad.exe|" + dir.Sub("kvrtdebuglog.txt") + "|" + dir.path());
}

TEST_F(ConfigureTest, FolderWithoutTerminatorInItsFieldShowsNoDialog) {
  std::memset(&record[80], 'a', 264);
  EXPECT_EQ(Cfg(), -1);
  EXPECT_EQ(view.runs, 0);
}

TEST_F(ConfigureTest, LegacyRecordTakesTheFolderFirstAndAnswersAtItsOwnOffsets) {
  std::vector<uint8_t> legacy(524, 0xEE);
  std::memset(legacy.data(), 0, 260);
  std::memcpy(legacy.data(), dir.path().data(), dir.path().size());
  Script([](DialogController& c) {
    c.OnCheck(kEventsCheck, false);
    c.OnCheck(kListsCheck, false);
  });
  EXPECT_EQ(ToInt(ConfigureFromLegacyRecord(env, legacy.data())), 0);
  EXPECT_EQ(Le32(&legacy[516]), 1u);
  EXPECT_EQ(Le32(&legacy[520]), 6u);
  EXPECT_EQ(Stored().eventsInterval, 0xFFFFFFFFu);
  EXPECT_EQ(ToInt(ConfigureFromLegacyRecord(env, nullptr)), -1);
}

}  // namespace
