#include "conduit/settings_dialog_model.h"

#include <cstdio>

#include "diag/sync_log.h"
#include "platform/env.h"
#include "platform/files.h"

const ScheduleRow kScheduleRows[kScheduleRowCount] = {
    {"during each sync", "each time the mobile device is synchronized", 0},
    {"once per day", "each time the mobile device is synchronized, but no more than once per day", 86400},
    {"once per week", "each time the mobile device is synchronized, but no more than once per week",
     604800},
    {"once every 2 weeks",
     "each time the mobile device is synchronized, but no more than once every 2 weeks", 1209600},
    {"once per month", "each time the mobile device is synchronized, but no more than once per month",
     2592000},
};

namespace {

const char kScheduleFormat[] = "Connect to the Internet and update Ruzur Ezezov\n%s.";
const char kScheduleOff[] = "Movie Event Synchronization is disabled.";
const char kListsOn[] =
    "Import/Export 'Ri Verid' items based on the settings specified on the device.\n\n"
    "Configure device using the 'Import/Export Items' menu option in Ro Vedevu.";
const char kListsOff[] = "Ri Verid Import/Export is disabled.";
const char kDebugLogName[] = "kvrtdebuglog.txt";
const char kEditor[] = "notepad.exe";

DialogControl Make(int id, DialogControlKind kind, const char* text, int x, int y, int w, int h) {
  DialogControl c;
  c.id = id;
  c.kind = kind;
  c.text = text;
  c.x = x;
  c.y = y;
  c.width = w;
  c.height = h;
  return c;
}

std::string ScheduleText(int row) {
  char text[256];
  std::snprintf(text, sizeof text, kScheduleFormat, kScheduleRows[row].longText);
  return text;
}

}  // namespace

SettingsValues SettingsValues::Of(const ConduitPrefs& prefs) {
  SettingsValues v;
  v.flags = prefs.flags;
  v.eventsInterval = prefs.eventsInterval;
  v.lastEventsRun = prefs.lastEventsRun;
  v.logLevel = prefs.logLevel;
  return v;
}

void SettingsValues::Into(ConduitPrefs* prefs) const {
  prefs->flags = flags;
  prefs->eventsInterval = eventsInterval;
  prefs->lastEventsRun = lastEventsRun;
  prefs->logLevel = logLevel;
}

int ScheduleRowFor(uint32_t interval) {
  int row = 0;
  for (int i = 0; i < kScheduleRowCount; ++i) {
    if (kScheduleRows[i].interval <= interval) row = i;
  }
  return row;
}

SyncAction SettingsAction(const SettingsValues& values) {
  if (values.eventsInterval == kNoSchedule && (values.flags & kPrefsFlagMyMoviesOn) == 0) {
    return SyncAction::kDoNothing;
  }
  return SyncAction::kSynchronize;
}

DialogForm SettingsDialogModel::Template() {
  using K = DialogControlKind;
  DialogForm form;
  form.templateId = kSettingsDialogTemplate;
  form.title = "Cinevane Synchronization Settings";
  form.fontFace = "Tahoma";
  form.fontPoints = 8;
  form.width = 310;
  form.height = 206;
  auto& c = form.controls;
  c.push_back(Make(kDialogNoId, K::kGroupBox, "Sync Actions for Reelbox", 7, 7, 242, 149));
  c.push_back(Make(kEventsPicture, K::kPicture, "", 12, 20, 32, 15));
  c.back().bitmap = kEventsBitmap;
  c.push_back(Make(kEventsCheck, K::kCheckBox, "Ruzur Ezezov", 48, 22, 79, 10));
  c.push_back(Make(kScheduleLabel, K::kStatic, "Synchronize Ruzur Ezezov", 60, 39, 92, 8));
  c.push_back(Make(kScheduleList, K::kDropDownList, "", 157, 37, 87, 67));
  c.back().rows = {"during each HotSync", "once a day", "every two weeks", "once a week",
                   "once a month"};
  c.push_back(Make(kScheduleText, K::kStatic,
                   "Connect to the Internet and update\nRuzur Ezezov during each HotSync.", 60, 54,
                   184, 34));
  c.push_back(Make(kListsPicture, K::kPicture, "", 12, 94, 32, 15));
  c.back().bitmap = kListsBitmap;
  c.push_back(Make(kListsCheck, K::kCheckBox, "Dever Ororido Import/Export", 48, 96, 165, 10));
  c.push_back(Make(kListsText, K::kStatic, "<ri verid legend>", 60, 111, 145, 41));
  c.push_back(Make(kDialogNoId, K::kGroupBox, "Event Log", 7, 159, 242, 40));
  c.push_back(Make(kStandardLogRadio, K::kRadioButton, "Standard log", 12, 173, 57, 10));
  c.back().groupStart = true;
  c.push_back(Make(kFullAuditRadio, K::kRadioButton, "Full activity audit (slower)", 12, 185, 98, 10));
  c.push_back(Make(kViewLogButton, K::kPushButton, "View log...", 194, 183, 50, 14));
  c.push_back(Make(kDialogOk, K::kDefaultPushButton, "OK", 253, 11, 50, 14));
  c.push_back(Make(kDialogCancel, K::kPushButton, "Cancel", 253, 28, 50, 14));
  c.push_back(Make(kVersionText, K::kRightStatic, "v1.0", 249, 191, 54, 8));
  return form;
}

SettingsDialogModel::SettingsDialogModel(Env& env) : env_(env), form_(Template()) {}

bool SettingsDialogModel::Checked(int id) const { return form_.Find(id)->checked; }
void SettingsDialogModel::Enable(int id, bool enabled) { form_.Find(id)->enabled = enabled; }
void SettingsDialogModel::SetText(int id, const std::string& text) { form_.Find(id)->text = text; }

void SettingsDialogModel::ShowSchedule(bool on) {
  form_.Find(kEventsCheck)->checked = on;
  Enable(kScheduleList, on);
  Enable(kScheduleLabel, on);
  Enable(kScheduleText, on);
  SetText(kScheduleText, on ? ScheduleText(form_.Find(kScheduleList)->selectedRow) : kScheduleOff);
}

void SettingsDialogModel::ShowListsJob(bool on) {
  form_.Find(kListsCheck)->checked = on;
  Enable(kListsText, on);
  SetText(kListsText, on ? kListsOn : kListsOff);
}

void SettingsDialogModel::Open(const SettingsValues& stored, const std::string& version_text) {
  form_ = Template();
  form_.Find(kEventsCheck)->bold = true;
  form_.Find(kListsCheck)->bold = true;
  DialogControl& list = *form_.Find(kScheduleList);
  list.rows.clear();
  for (const ScheduleRow& row : kScheduleRows) list.rows.push_back(row.shortText);
  list.selectedRow = ScheduleRowFor(stored.eventsInterval);
  ShowSchedule(stored.eventsInterval != kNoSchedule);
  ShowListsJob((stored.flags & kPrefsFlagMyMoviesOn) != 0);
  const bool full_audit = (stored.logLevel & kLogLevelAudit) != 0;
  form_.Find(kFullAuditRadio)->checked = full_audit;
  form_.Find(kStandardLogRadio)->checked = !full_audit;
  SetText(kVersionText, version_text);
}

void SettingsDialogModel::OnCheck(int id, bool checked) {
  switch (id) {
    case kEventsCheck:
      ShowSchedule(checked);
      break;
    case kListsCheck:
      ShowListsJob(checked);
      break;
    case kStandardLogRadio:
    case kFullAuditRadio:
      // A radio button is only ever turned on by the user; its partner goes off.
      if (checked) {
        form_.Find(kStandardLogRadio)->checked = id == kStandardLogRadio;
        form_.Find(kFullAuditRadio)->checked = id == kFullAuditRadio;
      }
      break;
    default:
      break;
  }
}

void SettingsDialogModel::OnSelect(int id, int row) {
  if (id != kScheduleList || row < 0 || row >= kScheduleRowCount) return;
  form_.Find(kScheduleList)->selectedRow = row;
  SetText(kScheduleText, ScheduleText(row));
}

void SettingsDialogModel::OnPush(int id) {
  if (id != kViewLogButton) return;
  env_.Dialogs().OpenWithProgram(kEditor, JoinPath(env_.Files(), logFolder_, kDebugLogName), logFolder_);
}

SettingsValues SettingsDialogModel::Close(const SettingsValues& stored) const {
  SettingsValues values = stored;
  if (Checked(kFullAuditRadio)) {
    values.logLevel = (values.logLevel & ~(0x2u | kLogLevelStandard)) | kLogLevelAudit;
  } else {
    values.logLevel = (values.logLevel & ~(0x2u | kLogLevelAudit)) | kLogLevelStandard;
  }
  const int row = form_.Find(kScheduleList)->selectedRow;
  values.eventsInterval =
      Checked(kEventsCheck) && row >= 0 ? kScheduleRows[row].interval : kNoSchedule;
  if (Checked(kListsCheck)) {
    values.flags |= kPrefsFlagMyMoviesOn;
  } else {
    values.flags &= ~static_cast<uint32_t>(kPrefsFlagMyMoviesOn);
  }
  return values;
}

SettingsValues SettingsDialogModel::Accept(const SettingsValues& stored) const {
  SettingsValues values = Close(stored);
  if (values.eventsInterval != kNoSchedule) {
    values.flags |= kPrefsFlagEventsScheduled;
  } else {
    values.flags &= ~static_cast<uint32_t>(kPrefsFlagEventsScheduled);
  }
  if (values.eventsInterval != stored.eventsInterval) values.lastEventsRun = 0;
  return values;
}
