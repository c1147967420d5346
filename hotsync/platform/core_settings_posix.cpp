#include "platform/core_settings.h"

#include <cstdlib>

#include "platform/host.h"

namespace hotsync {
namespace {

std::string CoreFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return JoinPath(config, "reelbox-hotsync");
  const char* home = std::getenv("HOME");
  return JoinPath(JoinPath(home != nullptr ? home : ".", ".config"), "reelbox-hotsync");
}

std::string CoreFile() { return JoinPath(CoreFolder(), "Core.txt"); }

// NAME=VALUE lines; a line without "=" is kept as it is.
std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  Bytes data;
  std::string ignored;
  if (!ReadWholeFile(path, &data, &ignored)) return lines;
  std::string line;
  for (uint8_t byte : data) {
    if (byte == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(byte);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

bool ReadCoreSetting(const std::string& name, std::string* value) {
  for (const std::string& line : Lines(CoreFile())) {
    if (line.compare(0, name.size() + 1, name + "=") == 0) {
      *value = line.substr(name.size() + 1);
      return true;
    }
  }
  return false;
}

bool WriteCoreSetting(const std::string& name, const std::string& value, std::string* error) {
  if (value.find('\n') != std::string::npos) {
    *error = "a set-up value holds no line break";
    return false;
  }
  std::string text;
  bool written = false;
  for (const std::string& line : Lines(CoreFile())) {
    if (line.compare(0, name.size() + 1, name + "=") == 0) {
      if (written) continue;
      text += name + "=" + value + "\n";
      written = true;
    } else {
      text += line + "\n";
    }
  }
  if (!written) text += name + "=" + value + "\n";
  return MakeFolders(CoreFolder(), error) &&
         ReplaceFileAtomically(CoreFile(), Bytes(text.begin(), text.end()), error);
}

}  // namespace hotsync
