#include "platform/system.h"

#include <windows.h>
#include <objbase.h>

#include <cstring>

#include "platform/win32/debug_output_thread.h"

namespace {

class Win32SystemServices final : public SystemServices {
 public:
  void DebugOutput(const char* text) override { debug_output_.Output(text); }
  void StartDebugOutputThread() override { debug_output_.Start(); }
  void StopDebugOutputThread() override { debug_output_.Stop(); }

  int32_t InitializeCom() override { return static_cast<int32_t>(::CoInitialize(nullptr)); }
  void UninitializeCom() override { ::CoUninitialize(); }

  bool ModuleFileName(ModuleHandle module, std::string* name) override {
    char buffer[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(static_cast<HMODULE>(module), buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    name->assign(buffer, n);
    return true;
  }

  uint32_t VersionInfoSize(const std::string& file) override {
    DWORD ignored = 0;
    return ::GetFileVersionInfoSizeA(file.c_str(), &ignored);
  }

  bool ReadVersionInfo(const std::string& file, void* block, uint32_t size) override {
    return ::GetFileVersionInfoA(file.c_str(), 0, size, block) != 0;
  }

  bool QueryVersionString(const void* block, const char* sub_block, const char** value,
                          uint32_t* length) override {
    void* found = nullptr;
    UINT n = 0;
    if (!::VerQueryValueA(block, sub_block, &found, &n) || found == nullptr) return false;
    *value = static_cast<const char*>(found);
    *length = n;
    return true;
  }

  std::string SystemErrorText(uint32_t code) override {
    char* text = nullptr;
    DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out;
    if (n != 0 && text != nullptr) out.assign(text, n);
    if (text != nullptr) ::LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
  }

 private:
  DebugOutputThread debug_output_;
};

}  // namespace

std::unique_ptr<SystemServices> NewPlatformSystemServices() { return std::make_unique<Win32SystemServices>(); }
