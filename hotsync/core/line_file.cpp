#include "core/line_file.h"

#include "platform/host.h"

namespace hotsync {

bool ForEachLineOfFile(const std::string& path,
                       const std::function<bool(const std::string& line, int line_number)>& line,
                       std::string* error) {
  if (!FileExists(path)) return true;
  Bytes data;
  if (!ReadWholeFile(path, &data, error)) return false;
  const std::string text(data.begin(), data.end());
  size_t start = 0;
  int line_number = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string one = text.substr(start, end - start);
    start = end + 1;
    ++line_number;
    if (!one.empty() && one.back() == '\r') one.pop_back();
    if (one.empty()) continue;
    if (!line(one, line_number)) return false;
  }
  return true;
}

}  // namespace hotsync
