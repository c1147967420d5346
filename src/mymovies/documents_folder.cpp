#include "mymovies/documents_folder.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"

namespace {

// The longest file name joined to the folder ("MyMoviesExport.tab", "MyMoviesImport.tab").
constexpr size_t kLongestFileName = 18;

}  // namespace

bool GetDocumentsFolder(FileSystem& files, char* buffer) {
  std::string folder;
  bool found = files.DocumentsFolder(&folder) == 0;
  // A folder that leaves no room for a separator and a file name would give cut paths, and a cut
  // path could name some other file: treat it as not found.
  if (folder.size() + 1 + kLongestFileName + 1 > kDesktopPathSize) {
    folder = "<path unavailable because the documents folder path is too long>";
    found = false;
  }
  std::snprintf(buffer, kDesktopPathSize, "%s", folder.c_str());
  return found;
}

void BuildDesktopPath(const FileSystem& files, const char* folder, const char* name, char* path) {
  std::snprintf(path, kDesktopPathSize, "%s%c%s", folder, files.PathSeparator(), name);
}
