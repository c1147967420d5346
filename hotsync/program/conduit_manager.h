// The Conduit Manager library beside the program, bound by name at run time as installers bind
// it, so the program changes and reads registrations through exactly the functions they call.
// It works on the root of the session in progress (see condmgr_api.h).
#ifndef HOTSYNC_PROGRAM_CONDUIT_MANAGER_H
#define HOTSYNC_PROGRAM_CONDUIT_MANAGER_H

#include <string>
#include <vector>

#include "condmgr_api.h"
#include "core/registrations.h"

namespace hotsync {

class ConduitManager {
 public:
  ConduitManager() = default;
  ConduitManager(const ConduitManager&) = delete;
  ConduitManager& operator=(const ConduitManager&) = delete;

  // False with *error when the library or one of its functions is missing.
  bool Load(std::string* error);

  // Every registration, in the order a synchronization runs them; false with *error.
  bool List(std::vector<ConduitRegistration>* conduits, std::string* error) const;
  // Registers conduit (a new creator), or rewrites the registration of its creator; a new
  // registration is removed again when a later step fails. Returns the first failing code.
  int32_t Register(const ConduitRegistration& conduit, bool update) const;

  using InstallFn = int32_t(HS_WINAPI*)(const char*, int32_t);
  using CreatorFn = int32_t(HS_WINAPI*)(const char*);
  using SetTextFn = int32_t(HS_WINAPI*)(const char*, const char*);
  using SetNumberFn = int32_t(HS_WINAPI*)(const char*, uint32_t);
  using GetTextFn = int32_t(HS_WINAPI*)(const char*, char*, int32_t*);
  using GetNumberFn = int32_t(HS_WINAPI*)(const char*, uint32_t*);
  using CountFn = int32_t(HS_WINAPI*)(void);
  using IndexTextFn = int32_t(HS_WINAPI*)(int32_t, char*, int32_t*);

  InstallFn install = nullptr;
  CreatorFn remove = nullptr;
  CreatorFn getType = nullptr;
  SetTextFn setName = nullptr, setDirectory = nullptr, setTitle = nullptr;
  SetNumberFn setPriority = nullptr;
  GetTextFn getName = nullptr, getDirectory = nullptr, getFile = nullptr, getRemote = nullptr,
            getTitle = nullptr;
  GetNumberFn getPriority = nullptr;
  CountFn count = nullptr;
  IndexTextFn creatorAt = nullptr;

 private:
  void* module_ = nullptr;
};

// The text of a Conduit Manager result.
std::string ConduitManagerErrorText(int32_t code);

}  // namespace hotsync

#endif  // HOTSYNC_PROGRAM_CONDUIT_MANAGER_H
