// The exported session and test interface (hotsync_session.h).
#include <cstring>

#include "core/session.h"
#include "hotsync_session.h"

using namespace hotsync;

namespace {

std::string Text(const char* text) { return text != nullptr ? text : ""; }

int32_t CopyOut(const std::string& text, char* buffer, int32_t size) {
  if (buffer != nullptr && size > 0) {
    const size_t copied = text.size() < static_cast<size_t>(size) - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = 0;
  }
  return static_cast<int32_t>(text.size());
}

std::string g_lastError;

}  // namespace

extern "C" {

int32_t HS_CALL HsBeginSession(const char* root_dir, const char* user_name, const char* handheld_dir,
                               uint32_t flags) {
  if (CurrentSession() != nullptr) {
    g_lastError = "a session is already in progress";
    return kHsErrGeneric;
  }
  if (root_dir == nullptr || root_dir[0] == 0) {
    g_lastError = "no HotSync root folder given";
    return kHsErrBadArgument;
  }
  std::unique_ptr<Session> session(new Session);
  int32_t result = session->Begin(root_dir, Text(user_name), Text(handheld_dir), flags);
  g_lastError = session->lastError();
  if (result != 0) {
    SetLastSession(nullptr);
    return result;
  }
  SetLastSession(std::move(session));
  SetCurrentSession(LastSession());
  return 0;
}

int32_t HS_CALL HsEndSession(void) {
  Session* session = CurrentSession();
  if (session == nullptr) return kHsErrNoSession;
  int32_t result = session->End();
  g_lastError = session->lastError();
  SetCurrentSession(nullptr);
  return result;
}

int32_t HS_CALL HsSessionActive(void) { return CurrentSession() != nullptr ? 1 : 0; }

void HS_CALL HsGetWalkProgress(int32_t* done, int32_t* total) {
  Session* session = CurrentSession();
  if (done != nullptr) *done = session != nullptr ? static_cast<int32_t>(session->walkDone()) : 0;
  if (total != nullptr) *total = session != nullptr ? static_cast<int32_t>(session->walkTotal()) : 0;
}

int32_t HS_CALL HsGetLogEntryCount(void) {
  Session* session = LastSession();
  return session != nullptr ? static_cast<int32_t>(session->log().size()) : 0;
}

int32_t HS_CALL HsGetLogEntry(int32_t index, char* text, int32_t text_size, int32_t* activity) {
  Session* session = LastSession();
  if (session == nullptr || index < 0 || static_cast<size_t>(index) >= session->log().size()) {
    return kHsErrBadArgument;
  }
  const LogEntry& entry = session->log()[static_cast<size_t>(index)];
  CopyOut(entry.text, text, text_size);
  if (activity != nullptr) *activity = entry.activity;
  return 0;
}

void HS_CALL HsSetClockOffset(int32_t seconds) {
  if (Session* session = CurrentSession()) session->SetClockOffset(seconds);
}

int32_t HS_CALL HsInjectFault(const char* operation, int32_t nth, int32_t code) {
  Session* session = CurrentSession();
  if (session == nullptr) return kHsErrNoSession;
  if (operation == nullptr || operation[0] == 0 || nth < 1 || code == 0) return kHsErrBadArgument;
  session->faults().Add(operation, nth, code);
  return 0;
}

void HS_CALL HsClearFaults(void) {
  if (Session* session = CurrentSession()) session->faults().Clear();
}

const char* HS_CALL HsGetLastErrorText(void) {
  if (Session* session = CurrentSession()) return session->lastError().c_str();
  return g_lastError.c_str();
}

int32_t HS_CALL HsGetConduitFolder(char* buffer, int32_t size) {
  Session* session = CurrentSession();
  if (session == nullptr) return -1;
  return CopyOut(session->ConduitFolder(), buffer, size);
}

int32_t HS_CALL HsGetHandheldFolder(char* buffer, int32_t size) {
  Session* session = CurrentSession();
  if (session == nullptr || session->handheld() == nullptr) return -1;
  return CopyOut(session->handheld()->folder(), buffer, size);
}

void HS_CALL HsAddLogEntry(const char* text, int32_t activity) {
  if (Session* session = CurrentSession()) session->AddLog(Text(text), activity);
}

int32_t HS_CALL HsCheckFault(const char* operation) {
  Session* session = CurrentSession();
  if (session == nullptr || operation == nullptr) return 0;
  return session->faults().Check(operation);
}

const char* HS_CALL HsGetRootDirectory(void) {
  Session* session = CurrentSession();
  return session != nullptr ? session->root().c_str() : nullptr;
}

}  // extern "C"
