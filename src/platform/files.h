// Files and folders as the conduit needs them: binary files with Windows-style error codes, and
// the folders a synchronization writes into.
//
// Every operation returns 0 on success or a Windows system error code (ERROR_FILE_NOT_FOUND 2,
// ERROR_ACCESS_DENIED 5, ...), on both targets, so the conduit's messages and result tables are
// the same everywhere. The POSIX implementation maps errno to these codes. Paths are 8-bit text in
// the target's own form; JoinPath puts the target's separator between a folder and a name.
// Objects are used from one thread at a time.
#ifndef REELBOX_PLATFORM_FILES_H
#define REELBOX_PLATFORM_FILES_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Windows system error codes that the conduit distinguishes. File operations return any code the
// system gives, so these name values of an open set rather than close a table.
constexpr uint32_t kErrNone = 0;
constexpr uint32_t kErrFileNotFound = 2;
constexpr uint32_t kErrPathNotFound = 3;
constexpr uint32_t kErrTooManyOpenFiles = 4;
constexpr uint32_t kErrAccessDenied = 5;
constexpr uint32_t kErrNotEnoughMemory = 8;
constexpr uint32_t kErrWriteFault = 29;
constexpr uint32_t kErrReadFault = 30;
constexpr uint32_t kErrOutOfMemory = 14;
constexpr uint32_t kErrNotReady = 21;
constexpr uint32_t kErrSeek = 25;
constexpr uint32_t kErrGenFailure = 31;
constexpr uint32_t kErrSharingViolation = 32;
constexpr uint32_t kErrLockViolation = 33;
constexpr uint32_t kErrSharingBufferExceeded = 36;
constexpr uint32_t kErrHandleDiskFull = 39;
constexpr uint32_t kErrBadNetPath = 53;
constexpr uint32_t kErrBadNetResponse = 58;
constexpr uint32_t kErrNetworkAccessDenied = 65;
constexpr uint32_t kErrInvalidParameter = 87;
constexpr uint32_t kErrDiskFull = 112;
constexpr uint32_t kErrInvalidName = 123;
constexpr uint32_t kErrDirNotEmpty = 145;
constexpr uint32_t kErrAlreadyExists = 183;
constexpr uint32_t kErrFilenameTooLong = 206;

// An open file, read and written as raw bytes. Not copyable; closed at destruction.
class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  virtual ~File() = default;

  // Reads up to n bytes; *got receives the count (0 at end of file). Returns 0 or an error code.
  virtual uint32_t Read(void* buffer, size_t n, size_t* got) = 0;
  // Writes n bytes; *written receives the count written. Returns 0 or an error code.
  virtual uint32_t Write(const void* data, size_t n, size_t* written) = 0;
  // Pushes written data to the disk (not just the operating system's cache).
  virtual uint32_t Flush() = 0;
  // Closes the file; further calls fail with kErrInvalidParameter. Returns 0 or an error code.
  virtual uint32_t Close() = 0;
};

enum class FileMode {
  kReadExisting,       // generic read, read sharing, the file must exist
  kWriteCreateAlways,  // generic write, no sharing, created or emptied
  kReadWriteCreateAlways,  // generic read and write, no sharing, created or emptied
  kAppend,             // generic write, read sharing, created when missing, writes go to the end
  kWriteCreateAlwaysShared,  // as kWriteCreateAlways, but others may read and write it meanwhile (logs)
  kWriteCreateNew  // generic write, no sharing, made new: fails with kErrAlreadyExists (POSIX) or
                   // ERROR_FILE_EXISTS 80 (Windows) when the name exists, also as a link, never
                   // following it; POSIX mode 0600
};

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // On success stores the open file in *file. On failure leaves *file empty.
  virtual uint32_t OpenFile(const std::string& path, FileMode mode, std::unique_ptr<File>* file) = 0;
  virtual uint32_t RemoveFile(const std::string& path) = 0;
  // kErrAlreadyExists when the folder (or a file of that name) exists already.
  virtual uint32_t MakeDirectory(const std::string& path) = 0;
  // Moves from onto to, replacing to atomically: a reader sees the old or the new file, never a
  // mix, also after a crash.
  virtual uint32_t AtomicReplace(const std::string& from, const std::string& to) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // The system temporary folder, ending in a path separator.
  virtual std::string TempFolder() = 0;
  // A folder for files that other users must neither read nor plant, under parent, into *folder
  // (ending in a separator). POSIX makes a new one with a unique name (mkdtemp, mode 0700) and
  // sets *made: the caller removes it with RemoveFolder. Windows gives parent itself, *made false:
  // the per-user temporary folder is private already. This base makes none and gives
  // kErrInvalidParameter; test wrappers forward it.
  virtual uint32_t MakePrivateFolder(const std::string& parent, std::string* folder, bool* made);
  // Removes an empty folder. This base gives kErrInvalidParameter.
  virtual uint32_t RemoveFolder(const std::string& path);
  // The folder separator of this target ('\\' on win32, '/' on POSIX).
  virtual char PathSeparator() const = 0;
  // The user's documents folder, without a trailing separator, into *folder; returns 0. When it
  // cannot be found, *folder receives a short explanation in angle brackets and the result is
  // non-zero; callers that build paths on it then fail to open those paths. Win32: the shell's
  // personal folder through SHFolder.dll, loaded at run time. POSIX: $XDG_DOCUMENTS_DIR, else
  // $HOME/Documents. The folder is not created here.
  virtual uint32_t DocumentsFolder(std::string* folder) = 0;
  // Makes the documents folder that DocumentsFolder gave when it is missing, for the user alone;
  // *made tells whether it was made. POSIX: a fresh account may have none (mode 0700, the parent
  // must exist). This base (Win32: the shell keeps that folder) makes none and gives 0.
  virtual uint32_t MakeDocumentsFolder(const std::string& folder, bool* made);
};

// The implementation of this target.
std::unique_ptr<FileSystem> NewPlatformFileSystem();

// folder + the separator of files + name, without doubling a separator that folder already ends with.
std::string JoinPath(const FileSystem& files, const std::string& folder, const std::string& name);

#endif  // REELBOX_PLATFORM_FILES_H
