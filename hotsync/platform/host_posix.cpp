// POSIX implementation of the stand-in manager's host services.
#include "platform/host.h"

#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace hotsync {
namespace {

std::string ErrnoText(const std::string& what, const std::string& path) {
  return what + " \"" + path + "\": " + std::strerror(errno);
}


bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

using Writer = std::function<bool(const uint8_t*, size_t)>;

constexpr size_t kCopyBufferSize = 256 * 1024;

// Writes "path.tmp" through produce, flushes it to the disk and renames it over path.
bool ReplaceThrough(const std::string& path, const std::function<bool(const Writer&)>& produce, std::string* error) {
  const std::string temp = path + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = ErrnoText("cannot create", temp);
    return false;
  }
  // A full handheld database is megabytes: it goes to the disk while it is written, so that the
  // flush waits for its last part only (the start of the write-back is a hint; failures are left to
  // the flush).
  size_t unstarted = 0;
  const bool written = produce([&](const uint8_t* data, size_t size) {
    if (!WriteAll(fd, data, size)) return false;
    unstarted += size;
    if (unstarted >= (size_t{4} << 20)) {
      unstarted = 0;
      ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
    return true;
  });
  if (!written || ::fsync(fd) != 0) {
    *error = ErrnoText("cannot write", temp);
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  }
  ::close(fd);
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    *error = ErrnoText("cannot replace", path);
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk only with the folder.
  int dir_fd = ::open(ParentOf(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);
    ::close(dir_fd);
  }
  return true;
}

}  // namespace

const char* TextLineEnd() { return "\n"; }

char PathSeparator() { return '/'; }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool ReadWholeFile(const std::string& path, FileBytes* file, std::string* error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = ErrnoText("cannot open", path);
    return false;
  }
  // Read where the bytes stay, in one piece when the size is known (the byte beyond it shows the
  // end at once).
  size_t capacity = 65536;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size < (1LL << 30)) {
    capacity = static_cast<size_t>(st.st_size) + 1;
  }
  std::unique_ptr<uint8_t[]> data(new uint8_t[capacity]);
  size_t used = 0;
  for (;;) {
    if (used == capacity) {
      std::unique_ptr<uint8_t[]> larger(new uint8_t[capacity * 2]);
      std::memcpy(larger.get(), data.get(), used);
      data = std::move(larger);
      capacity *= 2;
    }
    const ssize_t n = ::read(fd, data.get() + used, capacity - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = ErrnoText("cannot read", path);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  ::close(fd);
  file->data = std::move(data);
  file->size = used;
  return true;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const std::string& path, std::string* error) {
  if (path.empty() || FolderExists(path)) return true;
  const std::string parent = ParentOf(path);
  if (parent != path && !MakeFolders(parent, error)) return false;
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
    *error = ErrnoText("cannot create folder", path);
    return false;
  }
  return true;
}

namespace {

// The names in folder of its files (folders false) or of its folders, sorted.
bool ListEntries(const std::string& folder, bool folders, std::vector<std::string>* names, std::string* error) {
  names->clear();
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    *error = ErrnoText("cannot list folder", folder);
    return false;
  }
  while (struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = JoinPath(folder, name);
    if (folders ? FolderExists(path) : FileExists(path)) names->push_back(name);
  }
  ::closedir(dir);
  std::sort(names->begin(), names->end());
  return true;
}

}  // namespace

bool ListFiles(const std::string& folder, std::vector<std::string>* names, std::string* error) {
  return ListEntries(folder, false, names, error);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool ListFolders(const std::string& folder, std::vector<std::string>* names, std::string* error) {
  return ListEntries(folder, true, names, error);
}

bool RemoveFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool AppendingFile::Append(const std::string& path, const std::string& text, std::string* error) {
  if (handle_ != -1 && path != path_) Close();
  if (handle_ == -1) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
      *error = ErrnoText("cannot open", path);
      return false;
    }
    handle_ = fd;
    path_ = path;
  }
  if (WriteAll(static_cast<int>(handle_), reinterpret_cast<const uint8_t*>(text.data()), text.size())) return true;
  *error = ErrnoText("cannot write", path);
  Close();
  return false;
}

void AppendingFile::Close() {
  if (handle_ == -1) return;
  ::close(static_cast<int>(handle_));
  handle_ = -1;
}

bool ReplaceFileAtomically(const std::string& path, const Bytes& data, std::string* error) {
  return ReplaceFileAtomically(path, std::vector<ByteSpan>{{data.data(), data.size()}}, error);
}

bool ReplaceFileAtomically(const std::string& path, const std::vector<ByteSpan>& pieces, std::string* error) {
  return ReplaceThrough(path, [&](const Writer& write) { return WriteStaged(pieces, write); }, error);
}

bool CopyFileAtomically(const std::string& from, const std::string& to, std::string* error) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    *error = ErrnoText("cannot open", from);
    return false;
  }
  std::string read_error;
  const bool copied = ReplaceThrough(to, [&](const Writer& write) {
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kCopyBufferSize]);
    for (;;) {
      const ssize_t n = ::read(in, buffer.get(), kCopyBufferSize);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) read_error = ErrnoText("cannot read", from);
      if (n <= 0) return n == 0;
      if (!write(buffer.get(), static_cast<size_t>(n))) return false;
    }
  }, error);
  ::close(in);
  if (!read_error.empty()) *error = read_error;
  return copied;
}

void WriteHalfAndTerminate(const std::string& path, const Bytes& data) {
  const std::string temp = path + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd >= 0) WriteAll(fd, data.data(), data.size() / 2);
  ::_exit(86);
}

bool FileLock::Acquire(const std::string& path, std::string* error) {
  Release();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = ErrnoText("cannot open lock file", path);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    *error = "another synchronization of this handheld is running (lock \"" + path + "\" is held)";
    ::close(fd);
    return false;
  }
  handle_ = fd;
  held_ = true;
  return true;
}

void FileLock::Release() {
  if (!held_) return;
  ::close(static_cast<int>(handle_));
  handle_ = -1;
  held_ = false;
}

int64_t LocalWallClockNow() {
  time_t now = ::time(nullptr);
  struct tm local;
  ::localtime_r(&now, &local);
  return static_cast<int64_t>(now) + local.tm_gmtoff;
}

void* OpenModule(const std::string& path, std::string* error) {
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* text = ::dlerror();
    *error = text != nullptr ? text : ("cannot load \"" + path + "\"");
  }
  return module;
}

void* FindModuleSymbol(void* module, const char* name) { return ::dlsym(module, name); }

void CloseModule(void* module) {
  if (module != nullptr) ::dlclose(module);
}

std::string ModuleFolder(void* module) {
  Dl_info info;
  if (::dladdr(module, &info) != 0 && info.dli_fname != nullptr) {
    return ParentOf(info.dli_fname);
  }
  struct link_map* map = nullptr;
  if (::dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr) {
    return ParentOf(map->l_name);
  }
  return std::string();
}

std::string TargetModuleFileName(const std::string& windows_name) {
  const size_t dot = windows_name.find_last_of('.');
  return "lib" + windows_name.substr(0, dot) + ".so";
}

std::string ProgramFile() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  buffer[n] = 0;
  return buffer;
}

std::string ProgramFolder() {
  const std::string file = ProgramFile();
  return file.empty() ? std::string(".") : ParentOf(file);
}

void* FindLoadedSymbol(const std::string& windows_name, const char* name) {
  void* module = ::dlopen(TargetModuleFileName(windows_name).c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (module == nullptr) return nullptr;
  void* symbol = ::dlsym(module, name);
  // NOLOAD took a reference of its own.
  ::dlclose(module);
  return symbol;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char buffer[4096];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return path;
  return JoinPath(buffer, path);
}

}  // namespace hotsync
