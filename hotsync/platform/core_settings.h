// The manager's set-up record: where installers and the manager's libraries find the manager from
// any process. On win32 the string values of HKEY_CURRENT_USER\Software\U.S. Robotics\Pilot
// Desktop\Core, as the real manager's set-up leaves them; on POSIX "Core.txt" (one NAME=VALUE a
// line) in $XDG_CONFIG_HOME/reelbox-hotsync, or ~/.config/reelbox-hotsync without it.
#ifndef HOTSYNC_PLATFORM_CORE_SETTINGS_H
#define HOTSYNC_PLATFORM_CORE_SETTINGS_H

#include <string>

namespace hotsync {

// Values the stand-in's set-up records: the manager's folder (libraries and program), the
// program's file, and the HotSync root folder (users and conduit registrations).
constexpr const char* kCorePath = "Path";
constexpr const char* kCoreHotSyncPath = "HotSyncPath";
constexpr const char* kCoreRoot = "Root";

// The value into *value; false when the record or the value is missing or unreadable.
bool ReadCoreSetting(const std::string& name, std::string* value);
// Creates the record when missing. False with *error when it cannot be written.
bool WriteCoreSetting(const std::string& name, const std::string& value, std::string* error);

}  // namespace hotsync

#endif  // HOTSYNC_PLATFORM_CORE_SETTINGS_H
