#include "platform/files.h"

std::string JoinPath(const FileSystem& files, const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
  return folder + files.PathSeparator() + name;
}

uint32_t FileSystem::MakePrivateFolder(const std::string&, std::string* folder, bool* made) {
  folder->clear();
  *made = false;
  return kErrInvalidParameter;
}

uint32_t FileSystem::RemoveFolder(const std::string&) { return kErrInvalidParameter; }

uint32_t FileSystem::MakeDocumentsFolder(const std::string&, bool* made) {
  *made = false;
  return 0;
}
