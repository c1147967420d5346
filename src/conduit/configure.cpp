#include "conduit/configure.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "conduit/conduit_module.h"
#include "conduit/conduit_prefs.h"
#include "conduit/settings_dialog_model.h"
#include "conduit/version_text.h"
#include "diag/sync_log.h"
#include "platform/dialog_view.h"
#include "platform/env.h"

namespace {

// CfgConduit's argument record.
constexpr uint32_t kCfgRecordSize = 352;
constexpr size_t kCfgFolderOffset = 80;
constexpr size_t kCfgActionOffset = 344;
constexpr size_t kCfgKindOffset = 348;
// ConfigureConduit's legacy record.
constexpr size_t kLegacyKindOffset = 516;
constexpr size_t kLegacyActionOffset = 520;

// The folder field of the dialog data.
constexpr size_t kFolderBytes = 260;
constexpr int32_t kPreferenceKind = 1;

uint32_t ReadLe32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

void WriteLe32(uint8_t* at, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The folder text of a record, read no further than `room` bytes. False when it is not
// terminated within the dialog's folder field: a cut path would name another folder.
bool FolderText(const uint8_t* at, size_t room, std::string* folder) {
  const size_t limit = room < kFolderBytes ? room : kFolderBytes;
  const void* end = std::memchr(at, '\0', limit);
  if (!end) return false;
  folder->assign(reinterpret_cast<const char*>(at), static_cast<const uint8_t*>(end) - at);
  return true;
}

// Runs the dialog for a record whose action and preference-kind fields are at the given places.
EntryCode ConfigureRecord(Env& env, uint8_t* record, size_t folder_offset, size_t folder_room,
                        size_t action_offset, size_t kind_offset) {
  std::string folder;
  if (!FolderText(record + folder_offset, folder_room, &folder)) return EntryCode::kCancelled;
  SyncAction action = SyncAction::kSynchronize;
  int32_t kind = 0;
  const EntryCode result = ShowSettingsDialog(env, folder.c_str(), &action, &kind);
  if (result == EntryCode::kOk) {
    WriteLe32(record + action_offset, ToInt(action));
    WriteLe32(record + kind_offset, kind);
  }
  return result;
}

}  // namespace

EntryCode ShowSettingsDialog(Env& env, const char* folder, SyncAction* action, int32_t* preference_kind) {
  // A folder too long for the preferences file is reported to the debugger output.
  SyncLog log(env);
  ConduitPrefs prefs{};
  ReadConduitPrefs(env.Files(), &prefs, folder);
  const SettingsValues read = SettingsValues::Of(prefs);
  const ModuleHandle module = ResourceModule();

  SettingsDialogModel model(env);
  model.Open(read, ConduitVersionText(env.System(), module));
  model.SetLogFolder(folder);
  if (env.Dialogs().RunModal(module, model) != kDialogOk) return EntryCode::kCancelled;

  const SettingsValues stored = model.Accept(read);
  *action = SettingsAction(stored);
  *preference_kind = kPreferenceKind;
  stored.Into(&prefs);
  WriteConduitPrefs(env.Files(), prefs, folder);
  return EntryCode::kOk;
}

EntryCode ConfigureFromRecord(Env& env, int32_t kind, void* record, uint32_t* record_size) {
  if (!record) return EntryCode::kNoInput;
  if (!record_size) return EntryCode::kNoRecordSize;
  if (*record_size != kCfgRecordSize) return EntryCode::kBadRecordSize;
  if (kind != 0) return EntryCode::kBadConfigureKind;
  uint8_t* bytes = static_cast<uint8_t*>(record);
  if (ReadLe32(bytes) != 1) return EntryCode::kBadRecordVersion;
  return ConfigureRecord(env, bytes, kCfgFolderOffset, kCfgActionOffset - kCfgFolderOffset,
                         kCfgActionOffset, kCfgKindOffset);
}

EntryCode ConfigureFromLegacyRecord(Env& env, void* record) {
  if (!record) return EntryCode::kCancelled;
  return ConfigureRecord(env, static_cast<uint8_t*>(record), 0, kLegacyKindOffset, kLegacyActionOffset,
                         kLegacyKindOffset);
}
