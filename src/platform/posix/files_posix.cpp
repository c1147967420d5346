#include "platform/files.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

uint32_t MapErrno(int e) {
  switch (e) {
    case 0: return kErrNone;
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case EMFILE:
    case ENFILE: return kErrTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kErrAccessDenied;
    case ENOMEM: return kErrNotEnoughMemory;
    case EBUSY:
    case ETXTBSY: return kErrSharingViolation;
    case EEXIST: return kErrAlreadyExists;
    case ENOSPC:
    case EDQUOT: return kErrDiskFull;
    case ENAMETOOLONG: return kErrFilenameTooLong;
    case ENOTEMPTY: return kErrDirNotEmpty;
    case EINVAL: return kErrInvalidParameter;
    case EIO: return kErrGenFailure;
    default: return kErrGenFailure;
  }
}

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { Close(); }

  uint32_t Read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (fd_ < 0) return kErrInvalidParameter;
    char* p = static_cast<char*>(buffer);
    while (*got < n) {
      ssize_t r = ::read(fd_, p + *got, n - *got);
      if (r < 0) {
        if (errno == EINTR) continue;
        return MapErrno(errno);
      }
      if (r == 0) break;
      *got += static_cast<size_t>(r);
    }
    return 0;
  }

  uint32_t Write(const void* data, size_t n, size_t* written) override {
    *written = 0;
    if (fd_ < 0) return kErrInvalidParameter;
    const char* p = static_cast<const char*>(data);
    while (*written < n) {
      ssize_t r = ::write(fd_, p + *written, n - *written);
      if (r < 0) {
        if (errno == EINTR) continue;
        return MapErrno(errno);
      }
      *written += static_cast<size_t>(r);
    }
    StartWriteback(n);
    return 0;
  }

  uint32_t Flush() override {
    if (fd_ < 0) return kErrInvalidParameter;
    return ::fsync(fd_) == 0 ? 0 : MapErrno(errno);
  }

  uint32_t Close() override {
    if (fd_ < 0) return kErrInvalidParameter;
    int r = ::close(fd_);
    fd_ = -1;
    return r == 0 ? 0 : MapErrno(errno);
  }

 private:
#if defined(__linux__)
  // A large file (a full export is tens of megabytes) goes to the disk while it is written, so that
  // the flush before it replaces the previous one waits for its last part only.
  static constexpr size_t kWritebackChunk = size_t{4} << 20;
  void StartWriteback(size_t n) {
    unstarted_ += n;
    if (unstarted_ < kWritebackChunk) return;
    unstarted_ = 0;
    // Only a hint, for the whole file's pages not yet on their way: a failure leaves the work to
    // the flush.
    ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
  }
  size_t unstarted_ = 0;
#else
  void StartWriteback(size_t) {}
#endif
  int fd_;
};

class PosixFileSystem final : public FileSystem {
 public:
  uint32_t OpenFile(const std::string& path, FileMode mode, std::unique_ptr<File>* file) override {
    file->reset();
    int flags = O_CLOEXEC;
    switch (mode) {
      case FileMode::kReadExisting: flags |= O_RDONLY; break;
      case FileMode::kWriteCreateAlways:
      case FileMode::kWriteCreateAlwaysShared: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
      case FileMode::kReadWriteCreateAlways: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
      case FileMode::kAppend: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
      case FileMode::kWriteCreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW; break;
    }
    int fd = ::open(path.c_str(), flags, mode == FileMode::kWriteCreateNew ? 0600 : 0666);
    if (fd < 0) return MapErrno(errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      return kErrAccessDenied;
    }
    try {
      *file = std::make_unique<PosixFile>(fd);
    } catch (...) {
      // Out of memory after the open: the descriptor must not outlive the failure.
      ::close(fd);
      throw;
    }
    return 0;
  }

  uint32_t RemoveFile(const std::string& path) override {
    return ::unlink(path.c_str()) == 0 ? 0 : MapErrno(errno);
  }

  uint32_t MakeDirectory(const std::string& path) override {
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : MapErrno(errno);
  }

  uint32_t MakePrivateFolder(const std::string& parent, std::string* folder, bool* made) override {
    folder->clear();
    *made = false;
    std::string pattern = parent;
    if (!pattern.empty() && pattern.back() != '/') pattern += '/';
    pattern += "Reelbox.XXXXXX";
    if (::mkdtemp(&pattern[0]) == nullptr) return MapErrno(errno);  // mode 0700
    *folder = pattern + '/';
    *made = true;
    return 0;
  }

  uint32_t RemoveFolder(const std::string& path) override {
    return ::rmdir(path.c_str()) == 0 ? 0 : MapErrno(errno);
  }

  uint32_t AtomicReplace(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return MapErrno(errno);
    // Make the rename itself durable: sync the folder that holds the new name.
    std::string dir = to.substr(0, to.find_last_of('/') == std::string::npos ? 0 : to.find_last_of('/'));
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
      ::fsync(fd);
      ::close(fd);
    }
    return 0;
  }

  bool FileExists(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
  }

  std::string TempFolder() override {
    const char* dir = ::getenv("TMPDIR");
    std::string result = (dir && *dir) ? dir : "/tmp";
    if (result.back() != '/') result += '/';
    return result;
  }

  char PathSeparator() const override { return '/'; }

  uint32_t DocumentsFolder(std::string* folder) override {
    const char* xdg = ::getenv("XDG_DOCUMENTS_DIR");
    const char* home = ::getenv("HOME");
    if (xdg && *xdg) {
      *folder = xdg;
    } else if (home && *home) {
      *folder = home;
      if (folder->back() != '/') *folder += '/';
      *folder += "Documents";
    } else {
      *folder = "<unexpected error trying to locate documents folder>";
      return kErrPathNotFound;
    }
    while (folder->size() > 1 && folder->back() == '/') folder->pop_back();
    return 0;
  }

  uint32_t MakeDocumentsFolder(const std::string& folder, bool* made) override {
    *made = false;
    struct stat st;
    if (::stat(folder.c_str(), &st) == 0) return 0;
    if (::mkdir(folder.c_str(), 0700) != 0) return MapErrno(errno);
    *made = true;
    return 0;
  }
};

}  // namespace

std::unique_ptr<FileSystem> NewPlatformFileSystem() { return std::make_unique<PosixFileSystem>(); }
