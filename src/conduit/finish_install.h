// FinishInstall's work: the conduit's data folder in a HotSync user's folder.
#ifndef REELBOX_CONDUIT_FINISH_INSTALL_H
#define REELBOX_CONDUIT_FINISH_INSTALL_H

#include <cstdint>

class Env;

// Results of InstallUserFolder besides a COM failure code; the manager gets the number.
enum class InstallResult : int32_t {
  kOk = 0,
  kNoRootFolder = -2,      // the HotSync data root folder is not available
  kNoSuchUser = -3,        // no HotSync user has the given name
  kNoUserFolder = -4,      // the user's folder is not available
  kFolderNotCreated = -5,  // the data folder could not be created
};

constexpr int32_t ToInt(InstallResult result) { return static_cast<int32_t>(result); }

// Creates the "Cinevane" folder in the named user's HotSync folder. Returns an InstallResult
// value, or the code of a COM initialisation that failed.
int32_t InstallUserFolder(Env& env, const char* user_name);

#endif  // REELBOX_CONDUIT_FINISH_INSTALL_H
