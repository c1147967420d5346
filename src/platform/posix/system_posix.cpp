#include "platform/system.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstring>

namespace {

// The function a native library exports in place of a version resource.
using VersionResourceFunction = const char* (*)(uint32_t* size);
constexpr const char kVersionResourceSymbol[] = "ReelboxVersionResource";

// The Windows texts of the codes the file layer reports, so messages read the same everywhere.
struct ErrorText {
  uint32_t code;
  const char* text;
};
constexpr ErrorText kErrorTexts[] = {
    {0, "The operation completed successfully."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {8, "Not enough memory resources are available to process this command."},
    {29, "The system cannot write to the specified device."},
    {30, "The system cannot read from the specified device."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {39, "The disk is full."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {145, "The directory is not empty."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
};

// Copies the block a library publishes; false when the file is no such library.
bool LoadVersionBlock(const std::string& file, std::string* block) {
  void* handle = dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NOLOAD);
  if (handle == nullptr) handle = dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (handle == nullptr) return false;
  bool ok = false;
  auto function = reinterpret_cast<VersionResourceFunction>(dlsym(handle, kVersionResourceSymbol));
  if (function != nullptr) {
    uint32_t size = 0;
    const char* data = function(&size);
    if (data != nullptr && size > 0) {
      block->assign(data, size);
      ok = true;
    }
  }
  dlclose(handle);
  return ok;
}

class PosixSystemServices final : public SystemServices {
 public:
  void DebugOutput(const char*) override {}

  int32_t InitializeCom() override { return 0; }
  void UninitializeCom() override {}

  bool ModuleFileName(ModuleHandle module, std::string* name) override {
    if (module == nullptr) return false;
    struct link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr ||
        map->l_name[0] == '\0') {
      return false;
    }
    size_t n = std::strlen(map->l_name);
    if (n >= 260) return false;
    name->assign(map->l_name, n);
    return true;
  }

  uint32_t VersionInfoSize(const std::string& file) override {
    std::string block;
    return LoadVersionBlock(file, &block) ? static_cast<uint32_t>(block.size()) : 0;
  }

  bool ReadVersionInfo(const std::string& file, void* out, uint32_t size) override {
    std::string block;
    if (!LoadVersionBlock(file, &block)) return false;
    std::memcpy(out, block.data(), block.size() < size ? block.size() : size);
    return true;
  }

  bool QueryVersionString(const void* block, const char* sub_block, const char** value,
                          uint32_t* length) override {
    // The caller's block is zero-padded past the data, so the walk ends at an empty key.
    const char* p = static_cast<const char*>(block);
    while (*p != '\0') {
      const char* key = p;
      p += std::strlen(p) + 1;
      const char* text = p;
      p += std::strlen(p) + 1;
      if (std::strcmp(key, sub_block) == 0) {
        *value = text;
        *length = static_cast<uint32_t>(std::strlen(text) + 1);
        return true;
      }
    }
    return false;
  }

  std::string SystemErrorText(uint32_t code) override {
    for (const ErrorText& entry : kErrorTexts) {
      if (entry.code == code) return entry.text;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Unknown error %lu.", static_cast<unsigned long>(code));
    return text;
  }
};

}  // namespace

std::unique_ptr<SystemServices> NewPlatformSystemServices() { return std::make_unique<PosixSystemServices>(); }
