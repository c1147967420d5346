#include "platform/files.h"

#include "platform/env.h"

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
  return folder + Env::Current().Files().PathSeparator() + name;
}
