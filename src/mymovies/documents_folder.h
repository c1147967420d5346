// Where the movie list job keeps its desktop files: the user's documents folder.
#ifndef REELBOX_MYMOVIES_DOCUMENTS_FOLDER_H
#define REELBOX_MYMOVIES_DOCUMENTS_FOLDER_H

#include <cstddef>

class FileSystem;

// Size of every path buffer of the job, terminator included.
constexpr size_t kDesktopPathSize = 264;

// Fills buffer (kDesktopPathSize bytes) with the user's documents folder, without a trailing
// separator. When the folder cannot be found, or is too long to hold the job's file names, the
// buffer gets an explanation in angle brackets instead; callers use the buffer either way, so the
// explanation shows in the logged paths and opening the files there fails. True when the folder
// was found.
bool GetDocumentsFolder(FileSystem& files, char* buffer);

// folder, the target's separator and name into path (kDesktopPathSize bytes), cut to fit.
void BuildDesktopPath(const FileSystem& files, const char* folder, const char* name, char* path);

#endif  // REELBOX_MYMOVIES_DOCUMENTS_FOLDER_H
