#include "diag/desktop_path.h"

#include "diag/sync_log.h"
#include "platform/files.h"

bool MakeDesktopPath(const FileSystem& files, const std::string& folder, const char* name, std::string* path) {
  std::string joined = JoinPath(files, folder, name ? name : "");
  if (joined.size() > kMaxPathChars) return false;
  *path = joined;
  return true;
}

bool MakeDesktopPathOrReport(const FileSystem& files, const std::string& folder, const char* name,
                             std::string* path) {
  if (MakeDesktopPath(files, folder, name, path)) return true;
  LogDebug("The path of %s in the folder '%.200s...' is longer than %u characters; the file is not used.\n",
           name ? name : "", folder.c_str(), static_cast<unsigned>(kMaxPathChars));
  return false;
}
