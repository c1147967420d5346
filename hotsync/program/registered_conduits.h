// Which conduits a command of the program runs: the one --conduit names (the developer's way to
// run a conduit of the build tree, registered or not), else those registered with the manager.
#ifndef HOTSYNC_PROGRAM_REGISTERED_CONDUITS_H
#define HOTSYNC_PROGRAM_REGISTERED_CONDUITS_H

#include <string>
#include <vector>

#include "program/commands.h"

namespace hotsync {

// The conduit files to run, in the order a synchronization runs them. False with a message
// printed, also when nothing is registered (with how to install a conduit).
bool ConduitsToRun(const Options& options, std::vector<std::string>* files);

// A registered conduit's file as a path: a bare name is a file in the manager's folder.
std::string RegisteredConduitPath(const std::string& name);

// Whether two paths name the same file (letter case ignored where the target ignores it).
bool SameFilePath(const std::string& a, const std::string& b);

}  // namespace hotsync

#endif  // HOTSYNC_PROGRAM_REGISTERED_CONDUITS_H
