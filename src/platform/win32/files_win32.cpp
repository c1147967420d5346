#include "platform/files.h"

#include <windows.h>

namespace {

class Win32File final : public File {
 public:
  explicit Win32File(HANDLE h) : h_(h) {}
  ~Win32File() override { Close(); }

  uint32_t Read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (h_ == INVALID_HANDLE_VALUE) return kErrInvalidParameter;
    char* p = static_cast<char*>(buffer);
    while (*got < n) {
      DWORD want = static_cast<DWORD>(n - *got > 0x10000000 ? 0x10000000 : n - *got);
      DWORD r = 0;
      if (!::ReadFile(h_, p + *got, want, &r, nullptr)) return ::GetLastError();
      if (r == 0) break;
      *got += r;
    }
    return 0;
  }

  uint32_t Write(const void* data, size_t n, size_t* written) override {
    *written = 0;
    if (h_ == INVALID_HANDLE_VALUE) return kErrInvalidParameter;
    const char* p = static_cast<const char*>(data);
    while (*written < n) {
      DWORD want = static_cast<DWORD>(n - *written > 0x10000000 ? 0x10000000 : n - *written);
      DWORD w = 0;
      if (!::WriteFile(h_, p + *written, want, &w, nullptr)) return ::GetLastError();
      if (w == 0) return kErrDiskFull;
      *written += w;
    }
    return 0;
  }

  uint32_t Flush() override {
    if (h_ == INVALID_HANDLE_VALUE) return kErrInvalidParameter;
    return ::FlushFileBuffers(h_) ? 0 : ::GetLastError();
  }

  uint32_t Close() override {
    if (h_ == INVALID_HANDLE_VALUE) return kErrInvalidParameter;
    BOOL ok = ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok ? 0 : ::GetLastError();
  }

 private:
  HANDLE h_;
};

class Win32FileSystem final : public FileSystem {
 public:
  uint32_t OpenFile(const std::string& path, FileMode mode, std::unique_ptr<File>* file) override {
    file->reset();
    DWORD access = 0, share = 0, disposition = 0;
    switch (mode) {
      case FileMode::kReadExisting:
        access = GENERIC_READ; share = FILE_SHARE_READ; disposition = OPEN_EXISTING; break;
      case FileMode::kWriteCreateAlways:
        access = GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
      case FileMode::kReadWriteCreateAlways:
        access = GENERIC_READ | GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
      case FileMode::kAppend:
        access = GENERIC_WRITE; share = FILE_SHARE_READ; disposition = OPEN_ALWAYS; break;
      case FileMode::kWriteCreateAlwaysShared:
        access = GENERIC_WRITE; share = FILE_SHARE_READ | FILE_SHARE_WRITE; disposition = CREATE_ALWAYS; break;
      case FileMode::kWriteCreateNew:
        access = GENERIC_WRITE; disposition = CREATE_NEW; break;
    }
    HANDLE h = ::CreateFileA(path.c_str(), access, share, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
    if (mode == FileMode::kAppend && ::SetFilePointer(h, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
      DWORD err = ::GetLastError();
      if (err != NO_ERROR) {
        ::CloseHandle(h);
        return err;
      }
    }
    try {
      *file = std::make_unique<Win32File>(h);
    } catch (...) {
      // Out of memory after the open: a handle left open would lock the file until the end.
      ::CloseHandle(h);
      throw;
    }
    return 0;
  }

  uint32_t MakePrivateFolder(const std::string& parent, std::string* folder, bool* made) override {
    *folder = parent;
    *made = false;
    return 0;
  }

  uint32_t RemoveFolder(const std::string& path) override {
    return ::RemoveDirectoryA(path.c_str()) ? 0 : ::GetLastError();
  }

  uint32_t RemoveFile(const std::string& path) override {
    return ::DeleteFileA(path.c_str()) ? 0 : ::GetLastError();
  }

  uint32_t MakeDirectory(const std::string& path) override {
    return ::CreateDirectoryA(path.c_str(), nullptr) ? 0 : ::GetLastError();
  }

  uint32_t AtomicReplace(const std::string& from, const std::string& to) override {
    return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : ::GetLastError();
  }

  bool FileExists(const std::string& path) override {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string TempFolder() override {
    char buffer[MAX_PATH + 1] = {0};
    DWORD n = ::GetTempPathA(sizeof(buffer), buffer);
    if (n == 0 || n > MAX_PATH) return ".\\";
    std::string result(buffer, n);
    if (result.back() != '\\' && result.back() != '/') result += '\\';
    return result;
  }

  char PathSeparator() const override { return '\\'; }

  // SHFolder.dll is loaded only when asked for, as on systems where it may be missing: a missing
  // library or entry point is reported in the text instead of keeping the conduit from loading.
  uint32_t DocumentsFolder(std::string* folder) override {
    HMODULE library = ::LoadLibraryA("SHFolder.dll");
    if (!library) {
      *folder = "<path unavailable because SHFolder.dll could not be found and/or loaded>";
      return kErrFileNotFound;
    }
    typedef HRESULT(WINAPI * GetFolderPathFn)(HWND, int, HANDLE, DWORD, LPSTR);
    auto get_folder_path =
        reinterpret_cast<GetFolderPathFn>(reinterpret_cast<void*>(::GetProcAddress(library, "SHGetFolderPathA")));
    uint32_t result = 0;
    if (!get_folder_path) {
      *folder = "<path unavailable because an entry point in SHFolder.dll could not be found>";
      result = kErrFileNotFound;
    } else {
      char path[260] = {0};
      // Folder 5 is the user's documents folder (CSIDL_PERSONAL); flag 0 asks for its current path.
      HRESULT hr = get_folder_path(nullptr, 5, nullptr, 0, path);
      if (hr != 0) {
        *folder = "<unexpected error trying to locate documents folder>";
        result = kErrPathNotFound;
      } else {
        path[sizeof(path) - 1] = '\0';
        *folder = path;
        while (folder->size() > 3 && (folder->back() == '\\' || folder->back() == '/')) folder->pop_back();
      }
    }
    ::FreeLibrary(library);
    return result;
  }
};

}  // namespace

std::unique_ptr<FileSystem> NewPlatformFileSystem() { return std::make_unique<Win32FileSystem>(); }
