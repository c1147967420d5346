// hotsync conduits [list] | install FILE [...] | remove CREATOR: the conduit registrations, changed
// through the Conduit Manager library as a conduit's installer changes them.
#include <cstdio>
#include <cstdlib>

#include "hotsync_session.h"
#include "platform/host.h"
#include "program/commands.h"
#include "program/conduit_manager.h"
#include "program/conduit_module.h"
#include "program/output.h"
#include "program/registered_conduits.h"

namespace hotsync {
namespace {

std::string OrDash(const std::string& text) { return text.empty() ? "-" : text; }

int List(const Options& options, const ConduitManager& manager) {
  std::vector<ConduitRegistration> conduits;
  std::string error;
  if (!manager.List(&conduits, &error)) {
    PrintError("hotsync: cannot read the conduit registrations: %s\n", error.c_str());
    return 1;
  }
  if (conduits.empty()) {
    Print("No conduit is registered in %s.\nInstall one with its installer or with: %s\n", options.root.c_str(),
          CommandLine(RootOnly(options), "conduits install FILE").c_str());
    return 0;
  }
  Print("Conduits registered in %s, in the order a sync runs them:\n", options.root.c_str());
  Table table(1);
  table.AddColumn("CREATOR", 8, false);
  table.AddColumn("PRIORITY", 8, false);
  table.AddColumn("TITLE", 20, true);
  table.AddColumn("FOLDER", 12, true);
  table.AddColumn("FILE", 0, true);
  for (const ConduitRegistration& c : conduits) {
    table.AddRow({c.creator, std::to_string(c.priority), OrDash(c.title), OrDash(c.directory), OrDash(c.name)});
  }
  table.Print();
  return 0;
}

// "KVRTConduit.dll" and "libKVRTConduit.so" name the conduit of creator "KVRT".
std::string CreatorFromFileName(const std::string& path) {
  std::string name = path.substr(path.find_last_of("\\/") + 1);
  if (name.compare(0, 3, "lib") == 0 && name.size() > 3 + 4 + 7) name = name.substr(3);
  return name.size() > 4 + 7 && name.compare(4, 7, "Conduit") == 0 ? name.substr(0, 4) : std::string();
}

int Install(const Options& options, const ConduitManager& manager) {
  ConduitRegistration conduit;
  std::string file;
  bool priority_given = false;
  for (size_t i = 2; i < options.words.size(); ++i) {
    const std::string& word = options.words[i];
    const bool takes_value = word == "--creator" || word == "--directory" || word == "--priority" || word == "--title";
    if (takes_value && i + 1 >= options.words.size()) return UsageError(word + " needs a value");
    if (word == "--creator") {
      conduit.creator = options.words[++i];
    } else if (word == "--directory") {
      conduit.directory = options.words[++i];
    } else if (word == "--title") {
      conduit.title = options.words[++i];
    } else if (word == "--priority") {
      const std::string& value = options.words[++i];
      if (value.size() != 1 || value[0] < '0' || value[0] > '4') return UsageError("--priority takes 0 to 4");
      conduit.priority = static_cast<uint32_t>(value[0] - '0');
      priority_given = true;
    } else if (file.empty() && !word.empty() && word[0] != '-') {
      file = word;
    } else {
      return UsageError("conduits install does not take \"" + word + "\"");
    }
  }
  if (file.empty()) return UsageError("conduits install needs the conduit's FILE");
  file = AbsolutePath(file);
  // The conduit's own answers: it must load, and its name becomes the title.
  ConduitModule module;
  std::string error;
  if (!module.Load(file, &error)) {
    PrintError("hotsync: cannot load the conduit: %s\n", error.c_str());
    return 1;
  }
  if (module.openConduit == nullptr) {
    PrintError("hotsync: %s is no conduit: it does not export OpenConduit\n", file.c_str());
    return 1;
  }
  if (conduit.title.empty() && module.getConduitName != nullptr) {
    char name[256] = {0};
    if (module.getConduitName(name, sizeof name) == 0) {
      name[sizeof name - 1] = 0;
      conduit.title = name;
    }
  }
  if (conduit.creator.empty()) conduit.creator = CreatorFromFileName(file);
  if (conduit.creator.empty()) {
    return UsageError("name the conduit's creator: --creator CODE (its file name does not tell it)");
  }
  conduit.name = file;
  bool update = false;
  std::string registered;
  std::vector<ConduitRegistration> conduits;
  if (!manager.List(&conduits, &error)) {
    PrintError("hotsync: cannot read the conduit registrations: %s\n", error.c_str());
    return 1;
  }
  for (const ConduitRegistration& c : conduits) {
    if (c.creator != conduit.creator) continue;
    if (!SameFilePath(RegisteredConduitPath(c.name), file)) {
      PrintError("hotsync: creator %s is registered to another conduit (%s); nothing changed.\n"
                 "Remove it first: %s\n",
                 c.creator.c_str(), OrDash(c.name).c_str(),
                 CommandLine(RootOnly(options), "conduits remove " + QuotedArgument(c.creator)).c_str());
      return 1;
    }
    update = true;
    if (!priority_given) conduit.priority = c.priority;
    if (conduit.directory.empty()) conduit.directory = c.directory;
  }
  const int32_t result = manager.Register(conduit, update);
  if (result != kCmErrNone) {
    PrintError("hotsync: cannot register %s: %s\n", conduit.creator.c_str(),
               ConduitManagerErrorText(result).c_str());
    return 1;
  }
  Print("%s %s (%s): %s\n", update ? "Updated" : "Registered", conduit.creator.c_str(),
        OrDash(conduit.title).c_str(), file.c_str());
  Print("Each user gets its folder with: %s\n", CommandLine(options, "install").c_str());
  return 0;
}

int Remove(const Options& options, const ConduitManager& manager) {
  if (options.words.size() != 3) return UsageError("conduits remove takes one CREATOR");
  const std::string& creator = options.words[2];
  const int32_t result = manager.remove(creator.c_str());
  if (result != kCmErrNone) {
    PrintError("hotsync: cannot remove %s: %s\n", creator.c_str(), ConduitManagerErrorText(result).c_str());
    return 1;
  }
  Print("Removed %s; the users' folders and files stay.\n", creator.c_str());
  return 0;
}

}  // namespace

int RunConduits(const Options& options) {
  const std::string sub = options.words.size() > 1 ? options.words[1] : "list";
  if (sub != "list" && sub != "install" && sub != "remove") return UsageError("no conduits command \"" + sub + "\"");
  if (sub == "list" && options.words.size() > 2) return UsageError("conduits list takes no arguments");
  SessionScope session(options, kHsSessionNoHandheld | kHsSessionRootOnly);
  if (!session.ok()) return 1;
  ConduitManager manager;
  std::string error;
  if (!manager.Load(&error)) {
    PrintError("hotsync: cannot load the Conduit Manager: %s\n", error.c_str());
    return 1;
  }
  if (sub == "install") return Install(options, manager);
  if (sub == "remove") return Remove(options, manager);
  return List(options, manager);
}

}  // namespace hotsync
