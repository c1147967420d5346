// Win32 implementation of the stand-in manager's host services (ANSI calls, as the manager's
// clients pass 8-bit paths).
#include "platform/host.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace hotsync {
namespace {

std::string SystemErrorText(const std::string& what, const std::string& path, DWORD code) {
  char text[512] = {0};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                 text, sizeof text, nullptr);
  std::string message = text;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  char number[32];
  std::snprintf(number, sizeof number, " (error %lu)", static_cast<unsigned long>(code));
  return what + " \"" + path + "\": " + message + number;
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  return path.substr(0, slash == 0 ? 1 : slash);
}


bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
  while (size > 0) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

using Writer = std::function<bool(const uint8_t*, size_t)>;

constexpr size_t kCopyBufferSize = 256 * 1024;

// Writes "path.tmp" through produce, flushes it to the disk and moves it over path.
bool ReplaceThrough(const std::string& path, const std::function<bool(const Writer&)>& produce, std::string* error) {
  const std::string temp = path + ".tmp";
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = SystemErrorText("cannot create", temp, GetLastError());
    return false;
  }
  const bool written = produce([&](const uint8_t* data, size_t size) { return WriteAll(file, data, size); });
  if (!written || !FlushFileBuffers(file)) {
    *error = SystemErrorText("cannot write", temp, GetLastError());
    CloseHandle(file);
    DeleteFileA(temp.c_str());
    return false;
  }
  CloseHandle(file);
  if (!MoveFileExA(temp.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = SystemErrorText("cannot replace", path, GetLastError());
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

const char* TextLineEnd() { return "\r\n"; }

char PathSeparator() { return '\\'; }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + "\\" + name;
}

bool ReadWholeFile(const std::string& path, FileBytes* file, std::string* error) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = SystemErrorText("cannot open", path, GetLastError());
    return false;
  }
  // Read where the bytes stay, in one piece when the size is known (the byte beyond it shows the
  // end at once): each read costs more under Wine than the copy.
  size_t capacity = 65536;
  LARGE_INTEGER size;
  if (GetFileSizeEx(handle, &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 30)) {
    capacity = static_cast<size_t>(size.QuadPart) + 1;
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
    DWORD got = 0;
    const DWORD room = static_cast<DWORD>(std::min<size_t>(capacity - used, 1u << 30));
    if (!ReadFile(handle, data.get() + used, room, &got, nullptr)) {
      *error = SystemErrorText("cannot read", path, GetLastError());
      CloseHandle(handle);
      return false;
    }
    if (got == 0) break;
    used += got;
  }
  CloseHandle(handle);
  file->data = std::move(data);
  file->size = used;
  return true;
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolders(const std::string& path, std::string* error) {
  if (path.empty() || FolderExists(path)) return true;
  const std::string parent = ParentOf(path);
  if (parent != path && parent.size() > 2 && !MakeFolders(parent, error)) return false;
  if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    *error = SystemErrorText("cannot create folder", path, GetLastError());
    return false;
  }
  return true;
}

namespace {

// The names in folder of its files (folders false) or of its folders, sorted.
bool ListEntries(const std::string& folder, bool folders, std::vector<std::string>* names, std::string* error) {
  names->clear();
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return true;
    *error = SystemErrorText("cannot list folder", folder, code);
    return false;
  }
  do {
    const std::string name = found.cFileName;
    const bool is_folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (is_folder == folders && name != "." && name != "..") names->push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names->begin(), names->end());
  return true;
}

}  // namespace

bool ListFiles(const std::string& folder, std::vector<std::string>* names, std::string* error) {
  return ListEntries(folder, false, names, error);
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool ListFolders(const std::string& folder, std::vector<std::string>* names, std::string* error) {
  return ListEntries(folder, true, names, error);
}

bool RemoveFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool AppendingFile::Append(const std::string& path, const std::string& text, std::string* error) {
  if (handle_ != -1 && path != path_) Close();
  if (handle_ == -1) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      *error = SystemErrorText("cannot open", path, GetLastError());
      return false;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    path_ = path;
  }
  if (WriteAll(reinterpret_cast<HANDLE>(handle_), reinterpret_cast<const uint8_t*>(text.data()), text.size())) return true;
  *error = SystemErrorText("cannot write", path, GetLastError());
  Close();
  return false;
}

void AppendingFile::Close() {
  if (handle_ == -1) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}

bool ReplaceFileAtomically(const std::string& path, const Bytes& data, std::string* error) {
  return ReplaceFileAtomically(path, std::vector<ByteSpan>{{data.data(), data.size()}}, error);
}

bool ReplaceFileAtomically(const std::string& path, const std::vector<ByteSpan>& pieces, std::string* error) {
  return ReplaceThrough(path, [&](const Writer& write) { return WriteStaged(pieces, write); }, error);
}

bool CopyFileAtomically(const std::string& from, const std::string& to, std::string* error) {
  HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in == INVALID_HANDLE_VALUE) {
    *error = SystemErrorText("cannot open", from, GetLastError());
    return false;
  }
  std::string read_error;
  const bool copied = ReplaceThrough(to, [&](const Writer& write) {
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kCopyBufferSize]);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(in, buffer.get(), static_cast<DWORD>(kCopyBufferSize), &got, nullptr)) {
        read_error = SystemErrorText("cannot read", from, GetLastError());
        return false;
      }
      if (got == 0) return true;
      if (!write(buffer.get(), got)) return false;
    }
  }, error);
  CloseHandle(in);
  if (!read_error.empty()) *error = read_error;
  return copied;
}

void WriteHalfAndTerminate(const std::string& path, const Bytes& data) {
  const std::string temp = path + ".tmp";
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    WriteAll(file, data.data(), data.size() / 2);
    FlushFileBuffers(file);
  }
  TerminateProcess(GetCurrentProcess(), 86);
  for (;;) Sleep(1000);
}

bool FileLock::Acquire(const std::string& path, std::string* error) {
  Release();
  // No sharing: a second opener fails until this handle closes, which the system does when the
  // process ends however it ends.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) {
      *error = "another synchronization of this handheld is running (lock \"" + path + "\" is held)";
    } else {
      *error = SystemErrorText("cannot open lock file", path, code);
    }
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(file);
  held_ = true;
  return true;
}

void FileLock::Release() {
  if (!held_) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
  held_ = false;
}

int64_t LocalWallClockNow() {
  FILETIME utc;
  GetSystemTimeAsFileTime(&utc);
  FILETIME local;
  FileTimeToLocalFileTime(&utc, &local);
  ULARGE_INTEGER units;
  units.LowPart = local.dwLowDateTime;
  units.HighPart = local.dwHighDateTime;
  return static_cast<int64_t>((units.QuadPart - 116444736000000000ULL) / 10000000ULL);
}

void* OpenModule(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) *error = SystemErrorText("cannot load", path, GetLastError());
  return reinterpret_cast<void*>(module);
}

void* FindModuleSymbol(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module) {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

std::string ModuleFolder(void* module) {
  HMODULE handle = static_cast<HMODULE>(module);
  char path[MAX_PATH + 1] = {0};
  if (GetModuleFileNameA(handle, path, MAX_PATH) == 0) {
    // Not a module handle: find the module that holds this address.
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(module), &handle) ||
        GetModuleFileNameA(handle, path, MAX_PATH) == 0) {
      return std::string();
    }
  }
  return ParentOf(path);
}

std::string TargetModuleFileName(const std::string& windows_name) { return windows_name; }

std::string ProgramFolder() { return ModuleFolder(GetModuleHandleA(nullptr)); }

std::string ProgramFile() {
  char path[MAX_PATH + 1] = {0};
  if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return std::string();
  return path;
}

void* FindLoadedSymbol(const std::string& windows_name, const char* name) {
  HMODULE module = GetModuleHandleA(windows_name.c_str());
  return module != nullptr ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

std::string AbsolutePath(const std::string& path) {
  char full[MAX_PATH + 1] = {0};
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(full) : path;
}

}  // namespace hotsync
