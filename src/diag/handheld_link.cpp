#include "diag/handheld_link.h"

#include "diag/hotsync_log_codes.h"
#include "diag/sync_log.h"
#include "hotsync_api.h"

int32_t HandheldLink::ReadHandheldClockRaw(uint32_t* value) {
  ClearError();
  uint32_t clock = 0;
  int32_t error = SyncReadSysDateTime(&clock);
  if (error != 0) {
    SetPalmError(static_cast<uint32_t>(error));
    return 999;
  }
  *value = clock;
  return 0;
}

int32_t HandheldLink::ReadHandheldClock(uint32_t* value) {
  uint32_t raw = 0;
  int32_t result = ReadHandheldClockRaw(&raw);
  if (result == 0) *value = raw + kHandheldEpochOffset;
  return result;
}

void HandheldLink::AddHotSyncLogEntry(const char* text, LogCode code, uint8_t flag) {
  const char* entry = text ? text : "";
  LogAddEntry(entry, TranslateLogCode(code), flag);
  if (code == LogCode::kFromSyncLog) return;
  const char* kind = LogKindText(code);
  LogDebug("LOG (%lu-'%s') - %s\n", static_cast<unsigned long>(static_cast<uint32_t>(static_cast<int32_t>(code))), kind, entry);
  const char* separator = (*kind != '\0' && *entry != '\0') ? ":" : "";
  LogSync("%s %s %s\n", kind, separator, entry);
}

uint32_t HandheldLink::DesktopToHandheld(uint32_t desktop_seconds) {
  return desktop_seconds + kHandheldEpochOffset;
}

uint32_t HandheldLink::HandheldToDesktop(uint32_t handheld_seconds) {
  return handheld_seconds - kHandheldEpochOffset;
}

void HandheldLink::SetPalmError(uint32_t code) {
  SetError(static_cast<int32_t>(code), "An unexpected Palm error occured (%lu)",
           static_cast<unsigned long>(code));
}
