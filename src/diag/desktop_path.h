// Paths of the files the conduit keeps in its desktop folder. The folder text comes from the
// HotSync manager and the platform's paths hold at most 259 characters; a path that would be
// longer is refused (and reported in the debug log), never cut or overflowed.
#ifndef REELBOX_DIAG_DESKTOP_PATH_H
#define REELBOX_DIAG_DESKTOP_PATH_H

#include <cstddef>
#include <string>

constexpr size_t kMaxPathChars = 259;

class FileSystem;

// folder + separator + name into *path; false when that is longer than kMaxPathChars.
bool MakeDesktopPath(const FileSystem& files, const std::string& folder, const char* name, std::string* path);
// As MakeDesktopPath, and a refused path is reported with LogDebug.
bool MakeDesktopPathOrReport(const FileSystem& files, const std::string& folder, const char* name,
                             std::string* path);

#endif  // REELBOX_DIAG_DESKTOP_PATH_H
