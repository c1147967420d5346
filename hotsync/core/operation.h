// The start of every exported operation: the session check and the fault injection point.
#ifndef HOTSYNC_CORE_OPERATION_H
#define HOTSYNC_CORE_OPERATION_H

#include <string>

#include "core/session.h"
#include "hotsync_session.h"

namespace hotsync {

// 0 with *session set, kHsErrNoSession, or the code of an injected fault for this call.
inline int32_t EnterOperation(const char* operation, Session** session) {
  Session* current = CurrentSession();
  if (current == nullptr) return kHsErrNoSession;
  if (int32_t code = current->faults().Check(operation)) {
    current->SetError(std::string(operation) + " failed (injected fault)");
    return code;
  }
  *session = current;
  return 0;
}

// As EnterOperation, and the session must have a handheld; *db is the database of handle.
inline int32_t EnterDatabaseOperation(const char* operation, uint8_t handle, Session** session,
                                      OpenDatabase** db) {
  if (int32_t code = EnterOperation(operation, session)) return code;
  if ((*session)->handheld() == nullptr) return kHsErrNoSession;
  *db = (*session)->Find(handle);
  if (*db == nullptr) {
    (*session)->SetError(std::string(operation) + ": no database is open with handle " +
                         std::to_string(handle));
    return kHsErrBadArgument;
  }
  return 0;
}

}  // namespace hotsync

#endif  // HOTSYNC_CORE_OPERATION_H
