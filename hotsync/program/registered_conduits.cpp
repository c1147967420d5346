#include "program/registered_conduits.h"

#include <cstdio>
#include <memory>

#include "hotsync_session.h"
#include "platform/host.h"
#include "program/conduit_manager.h"
#include "program/output.h"

namespace hotsync {
namespace {

std::string Comparable(const std::string& path) {
  std::string out = AbsolutePath(path);
  for (char& c : out) {
    if (c == '/') c = PathSeparator();
    if (PathSeparator() == '\\' && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

std::string RegisteredConduitPath(const std::string& name) {
  if (name.find_first_of("\\/") != std::string::npos) return name;
  return JoinPath(ProgramFolder(), name);
}

bool SameFilePath(const std::string& a, const std::string& b) { return Comparable(a) == Comparable(b); }

bool ConduitsToRun(const Options& options, std::vector<std::string>* files) {
  files->clear();
  if (!options.conduit.empty()) {
    files->push_back(options.conduit);
    return true;
  }
  // The Conduit Manager reads the registrations of the session's root: a command without a
  // session of its own gets one of the root alone for the question.
  std::unique_ptr<SessionScope> session;
  if (!HsSessionActive()) {
    session.reset(new SessionScope(options, kHsSessionNoHandheld | kHsSessionRootOnly));
    if (!session->ok()) return false;
  }
  ConduitManager manager;
  std::vector<ConduitRegistration> conduits;
  std::string error;
  if (!manager.Load(&error) || !manager.List(&conduits, &error)) {
    PrintError("hotsync: cannot read the conduit registrations: %s\n", error.c_str());
    return false;
  }
  for (const ConduitRegistration& conduit : conduits) files->push_back(RegisteredConduitPath(conduit.name));
  if (files->empty()) {
    PrintError("hotsync: no conduit is registered in %s, so there is nothing to run.\n"
               "Install one with its installer (Reelbox-Setup.exe on Windows) or with:\n"
               "  %s\n"
               "(a conduit of a build tree runs without registration: %s)\n",
               options.root.c_str(), CommandLine(RootOnly(options), "conduits install FILE").c_str(),
               CommandLine(options, "--conduit FILE ...").c_str());
    return false;
  }
  return true;
}

}  // namespace hotsync
