// The few operating-system services the stand-in manager needs: whole-file reads, atomic file
// replacement, folders, an exclusive lock, the local wall clock and loading modules. One file per
// target implements it (host_posix.cpp, host_win32.cpp). Failures return false or a null handle
// and leave a text in *error; nothing here throws.
#ifndef HOTSYNC_PLATFORM_HOST_H
#define HOTSYNC_PLATFORM_HOST_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hotsync {

using Bytes = std::vector<uint8_t>;

// The target's path separator.
char PathSeparator();
// The target's line end in text files people read ("\r\n" on Windows, "\n" elsewhere).
const char* TextLineEnd();
std::string JoinPath(const std::string& folder, const std::string& name);

// A file's bytes in storage that is not cleared before the read: a handheld database is megabytes.
struct FileBytes {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
};
bool ReadWholeFile(const std::string& path, FileBytes* file, std::string* error);
// The same into a vector, for the small files.
inline bool ReadWholeFile(const std::string& path, Bytes* data, std::string* error) {
  FileBytes file;
  if (!ReadWholeFile(path, &file, error)) return false;
  data->assign(file.data.get(), file.data.get() + file.size);
  return true;
}
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Creates the folder and any missing parents; an existing folder is success.
bool MakeFolders(const std::string& path, std::string* error);
// Names (not paths) of the plain files in a folder, sorted.
bool ListFiles(const std::string& folder, std::vector<std::string>* names, std::string* error);
bool RemoveFile(const std::string& path);
// Names of the sub-folders of a folder, sorted ("." and ".." left out).
bool ListFolders(const std::string& folder, std::vector<std::string>* names, std::string* error);
// Removes an empty folder.
bool RemoveFolder(const std::string& path);
// A file texts are appended to (created when missing), each written at once, but opened only for
// the first (and again after a failed write or for another path): a sync adds a few dozen log
// entries, and opening the file for each costs more than writing it (several times more under
// Wine).
class AppendingFile {
 public:
  AppendingFile() = default;
  AppendingFile(const AppendingFile&) = delete;
  AppendingFile& operator=(const AppendingFile&) = delete;
  ~AppendingFile() { Close(); }
  bool Append(const std::string& path, const std::string& text, std::string* error);
  void Close();

 private:
  std::string path_;
  intptr_t handle_ = -1;
};

// Replaces path by data atomically: writes "path.tmp", flushes it to the disk, renames it over
// path. A crash at any moment leaves path either as it was or complete.
bool ReplaceFileAtomically(const std::string& path, const Bytes& data, std::string* error);
// The same for a file made of pieces, written in order through one small buffer (a database of
// megabytes is never put together in memory).
struct ByteSpan {
  const uint8_t* data;
  size_t size;
};
bool ReplaceFileAtomically(const std::string& path, const std::vector<ByteSpan>& pieces, std::string* error);

// Replaces to by a copy of from, atomically as above, read and written through a buffer of 256 KB: a
// backup of a database of megabytes needs no copy of it in memory.
bool CopyFileAtomically(const std::string& from, const std::string& to, std::string* error);

// Hands pieces to write in blocks of up to 64 KB (a piece that large goes on its own), so a
// database of many small records takes few writes. Stops at the first write that fails.
bool WriteStaged(const std::vector<ByteSpan>& pieces, const std::function<bool(const uint8_t*, size_t)>& write);
// For crash tests: writes half of data to "path.tmp" and ends the process at once (exit status 86),
// as a power cut or a kill in the middle of a write-back would.
[[noreturn]] void WriteHalfAndTerminate(const std::string& path, const Bytes& data);

// An exclusive lock on a file, held until Release or the end of the process (the operating system
// drops it when the process dies, so a killed sync never leaves a stale lock). Not copyable.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() { Release(); }
  // False with *error when another process holds the lock or the file cannot be opened.
  bool Acquire(const std::string& path, std::string* error);
  void Release();
  bool held() const { return held_; }

 private:
  bool held_ = false;
  intptr_t handle_ = -1;
};

// The desktop's local wall clock as seconds since 1970-01-01 (local time, not UTC).
int64_t LocalWallClockNow();

// Modules (DLLs, shared libraries). A null result means failure, with *error set.
void* OpenModule(const std::string& path, std::string* error);
void* FindModuleSymbol(void* module, const char* name);
void CloseModule(void* module);
// The folder of a loaded module; the module may also be given as any address inside it.
std::string ModuleFolder(void* module);
// A module's file name on this target, from its Windows name: "KVRTConduitLANG.DLL" stays as it
// is on win32 and becomes "libKVRTConduitLANG.so" on POSIX.
std::string TargetModuleFileName(const std::string& windows_name);
// The folder of the running program, and its file.
std::string ProgramFolder();
std::string ProgramFile();
// A function of a library this process has already loaded (by its Windows name), or null; never
// loads the library.
void* FindLoadedSymbol(const std::string& windows_name, const char* name);
// path made absolute against the current folder (as it is when that cannot be done).
std::string AbsolutePath(const std::string& path);

}  // namespace hotsync

#endif  // HOTSYNC_PLATFORM_HOST_H
