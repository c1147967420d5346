// The conduit registrations of a HotSync root: "Conduits.txt" in the root folder, one line per
// conduit, its fields separated by tabs in the order of ConduitRegistration. Written only through
// the Conduit Manager library (condmgr/), read by it and by the manager program.
#ifndef HOTSYNC_CORE_REGISTRATIONS_H
#define HOTSYNC_CORE_REGISTRATIONS_H

#include <cstdint>
#include <string>
#include <vector>

namespace hotsync {

struct ConduitRegistration {
  std::string creator;    // four characters
  int32_t type = 1;       // 1: application conduit
  uint32_t priority = 2;  // lower runs first
  std::string name;       // the conduit's file: a full path or a name in the manager's folder
  std::string directory;  // its folder under each user's folder
  std::string file;       // the desktop file it keeps
  std::string remote;     // the handheld database it keeps
  std::string title;      // its name in the manager's lists
};

constexpr const char* kRegistrationsFileName = "Conduits.txt";

// A missing file is no registration. False with *error for an unreadable or malformed file.
bool LoadRegistrations(const std::string& root, std::vector<ConduitRegistration>* conduits,
                       std::string* error);
// Replaces the file atomically.
bool SaveRegistrations(const std::string& root, const std::vector<ConduitRegistration>& conduits,
                       std::string* error);
// Whether text can be kept in a field (no tab, line break or other control character).
bool StorableText(const char* text);
// The conduits in the order a synchronization runs them: by priority, then as registered.
std::vector<ConduitRegistration> InRunOrder(std::vector<ConduitRegistration> conduits);

}  // namespace hotsync

#endif  // HOTSYNC_CORE_REGISTRATIONS_H
