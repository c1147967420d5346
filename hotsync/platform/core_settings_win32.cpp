#include "platform/core_settings.h"

#include <windows.h>

namespace hotsync {
namespace {

const char kCoreKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";

}  // namespace

bool ReadCoreSetting(const std::string& name, std::string* value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kCoreKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  char text[MAX_PATH * 2] = {0};
  DWORD size = sizeof text - 1;
  DWORD type = 0;
  const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  // A stored value need not carry its terminator.
  text[size < sizeof text ? size : sizeof text - 1] = 0;
  *value = text;
  return true;
}

bool WriteCoreSetting(const std::string& name, const std::string& value, std::string* error) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, kCoreKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (result == ERROR_SUCCESS) {
    result = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
  }
  if (result != ERROR_SUCCESS) {
    *error = "cannot write the value \"" + name + "\" of HKEY_CURRENT_USER\\" + kCoreKey + " (error " +
             std::to_string(result) + ")";
    return false;
  }
  return true;
}

}  // namespace hotsync
