#include "core/registrations.h"

#include <algorithm>
#include <cstdlib>

#include "core/line_file.h"
#include "platform/host.h"

namespace hotsync {
namespace {

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

bool Number(const std::string& text, long long low, long long high, long long* value) {
  if (text.empty() || text.size() > 11) return false;
  char* end = nullptr;
  *value = std::strtoll(text.c_str(), &end, 10);
  return *end == 0 && *value >= low && *value <= high;
}

}  // namespace

bool StorableText(const char* text) {
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != 0; ++c) {
    if (*c < 0x20 || *c == 0x7F) return false;
  }
  return true;
}

bool LoadRegistrations(const std::string& root, std::vector<ConduitRegistration>* conduits,
                       std::string* error) {
  conduits->clear();
  const std::string path = JoinPath(root, kRegistrationsFileName);
  return ForEachLineOfFile(path, [&](const std::string& line, int line_number) {
    const std::vector<std::string> fields = Fields(line);
    long long type = 0;
    long long priority = 0;
    if (fields.size() != 8 || fields[0].size() != 4 || !Number(fields[1], INT32_MIN, INT32_MAX, &type) ||
        !Number(fields[2], 0, UINT32_MAX, &priority)) {
      *error = "conduit registrations \"" + path + "\" line " + std::to_string(line_number) +
               " is not a registration";
      return false;
    }
    ConduitRegistration conduit;
    conduit.creator = fields[0];
    conduit.type = static_cast<int32_t>(type);
    conduit.priority = static_cast<uint32_t>(priority);
    conduit.name = fields[3];
    conduit.directory = fields[4];
    conduit.file = fields[5];
    conduit.remote = fields[6];
    conduit.title = fields[7];
    conduits->push_back(conduit);
    return true;
  }, error);
}

bool SaveRegistrations(const std::string& root, const std::vector<ConduitRegistration>& conduits,
                       std::string* error) {
  std::string text;
  for (const ConduitRegistration& c : conduits) {
    text += c.creator + "\t" + std::to_string(c.type) + "\t" + std::to_string(c.priority) + "\t" + c.name +
            "\t" + c.directory + "\t" + c.file + "\t" + c.remote + "\t" + c.title + "\n";
  }
  return MakeFolders(root, error) &&
         ReplaceFileAtomically(JoinPath(root, kRegistrationsFileName), Bytes(text.begin(), text.end()), error);
}

std::vector<ConduitRegistration> InRunOrder(std::vector<ConduitRegistration> conduits) {
  std::stable_sort(conduits.begin(), conduits.end(),
                   [](const ConduitRegistration& a, const ConduitRegistration& b) { return a.priority < b.priority; });
  return conduits;
}

}  // namespace hotsync
