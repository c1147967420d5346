#include "core/file_names.h"

#include <cstring>

namespace hotsync {
namespace {

const char kHex[] = "0123456789ABCDEF";

void AppendEscape(std::string* out, unsigned char c) {
  *out += '=';
  *out += kHex[c >> 4];
  *out += kHex[c & 15];
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string EncodeDatabaseFileName(const std::string& name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    const bool last = i + 1 == name.size();
    if (c < 0x20 || c > 0x7E || c == '=' || std::strchr("<>:\"/\\|?*", c) != nullptr ||
        (last && (c == ' ' || c == '.'))) {
      AppendEscape(&out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string DecodeDatabaseFileName(const std::string& file_name) {
  std::string out;
  for (size_t i = 0; i < file_name.size(); ++i) {
    if (file_name[i] == '=' && i + 2 < file_name.size() + 0 && HexValue(file_name[i + 1]) >= 0 &&
        HexValue(file_name[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(file_name[i + 1]) * 16 + HexValue(file_name[i + 2]));
      i += 2;
    } else {
      out += file_name[i];
    }
  }
  return out;
}

std::string UserFolderName(const std::string& user_name) {
  std::string out;
  for (unsigned char c : user_name) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ') {
      out += static_cast<char>(c);
    } else {
      AppendEscape(&out, c);
    }
  }
  return out;
}

}  // namespace hotsync
