// The settings dialog's behaviour, shared by every view of it.
//
// SettingsDialogModel holds the controls of dialog 6004 with their texts and states, applies the
// opening rules to the stored settings, follows each click and selection, and gives back what the
// controls hold when the dialog closes. It works on plain values so it can be tested without a
// window or a preferences file.
#ifndef REELBOX_CONDUIT_SETTINGS_DIALOG_MODEL_H
#define REELBOX_CONDUIT_SETTINGS_DIALOG_MODEL_H

#include <cstdint>
#include <string>

#include "conduit/conduit_prefs.h"
#include "conduit/entry_codes.h"
#include "platform/dialog_view.h"

class Env;

// Resource ids of the dialog, its controls and its bitmaps.
enum SettingsDialogId : int {
  kSettingsDialogTemplate = 6004,
  kEventsBitmap = 133,
  kListsBitmap = 135,
  kEventsPicture = 1022,
  kEventsCheck = 1025,
  kScheduleLabel = 1029,
  kScheduleList = 1018,
  kScheduleText = 1020,
  kListsPicture = 1023,
  kListsCheck = 1027,
  kListsText = 1026,
  kStandardLogRadio = 1014,
  kFullAuditRadio = 1028,
  kViewLogButton = 1019,
  kVersionText = 1021,
};

// The settings the dialog shows and edits: the fields of ConduitPrefs it touches.
struct SettingsValues {
  uint32_t flags = 0;
  uint32_t eventsInterval = 0;
  uint32_t lastEventsRun = 0;
  uint32_t logLevel = 0;

  static SettingsValues Of(const ConduitPrefs& prefs);
  // Stores the values into the record; its other fields stay as they are.
  void Into(ConduitPrefs* prefs) const;
};

struct ScheduleRow {
  const char* shortText;
  const char* longText;
  uint32_t interval;
};
constexpr int kScheduleRowCount = 5;
extern const ScheduleRow kScheduleRows[kScheduleRowCount];

// The last row whose interval is not above `interval`, compared unsigned (no schedule selects
// the last row).
int ScheduleRowFor(uint32_t interval);

// The action the HotSync manager records for these settings: do nothing when neither job runs.
SyncAction SettingsAction(const SettingsValues& values);

class SettingsDialogModel final : public DialogController {
 public:
  // The dialog as its template holds it, before it opens.
  static DialogForm Template();

  // env shows the log ("View log..."); it outlives the model.
  explicit SettingsDialogModel(Env& env);

  // Applies the opening rules: controls from `stored`, the version text in its place.
  void Open(const SettingsValues& stored, const std::string& version_text);

  const DialogForm& Form() const override { return form_; }
  void OnCheck(int id, bool checked) override;
  void OnSelect(int id, int row) override;
  // "View log..." asks the view to open "kvrtdebuglog.txt" of `logFolder` with notepad.
  void OnPush(int id) override;
  void SetLogFolder(const std::string& folder) { logFolder_ = folder; }

  // What the controls hold when the dialog closes (OK and Cancel alike): `stored` with the log
  // level, interval and job switch of the controls.
  SettingsValues Close(const SettingsValues& stored) const;
  // What OK writes: Close() with the schedule flag matching the interval and the last events run
  // reset when the interval changed from `stored`.
  SettingsValues Accept(const SettingsValues& stored) const;

 private:
  bool Checked(int id) const;
  void Enable(int id, bool enabled);
  void SetText(int id, const std::string& text);
  void ShowSchedule(bool on);
  void ShowListsJob(bool on);

  Env& env_;
  DialogForm form_;
  std::string logFolder_;
};

#endif  // REELBOX_CONDUIT_SETTINGS_DIALOG_MODEL_H
