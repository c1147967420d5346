#include "conduit/version_text.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kVersionTextChars = 49;
char g_version_text[kVersionTextChars + 1];

constexpr const char* kSpecialBuildKeys[] = {
    "\\StringFileInfo\\040904e4\\SpecialBuild",
    "\\StringFileInfo\\040904b0\\SpecialBuild",
};

}  // namespace

const char* ConduitVersionText(SystemServices& system, ModuleHandle module) {
  std::snprintf(g_version_text, sizeof g_version_text, "%s", "<unknown version>");
  std::string file;
  if (!system.ModuleFileName(module, &file)) return g_version_text;
  uint32_t size = system.VersionInfoSize(file);
  if (size == 0) return g_version_text;
  // Zero-filled with room to spare, so a text at the block's end is always terminated.
  std::vector<char> block(static_cast<size_t>(size) + 10, '\0');
  if (!system.ReadVersionInfo(file, block.data(), size)) return g_version_text;
  for (const char* key : kSpecialBuildKeys) {
    const char* value = nullptr;
    uint32_t length = 0;
    if (system.QueryVersionString(block.data(), key, &value, &length) && value != nullptr && *value != '\0') {
      size_t n = strnlen(value, kVersionTextChars);
      std::memcpy(g_version_text, value, n);
      g_version_text[n] = '\0';
      char* dash = std::strchr(g_version_text, '-');
      if (dash != nullptr) *dash = '\0';
      break;
    }
  }
  return g_version_text;
}
