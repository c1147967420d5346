// Small text files of the manager's own (user registry, conduit registrations): one record a line.
#pragma once

#include <functional>
#include <string>

namespace hotsync {

// Calls `line` for each non-empty line of the file at `path` (LF or CR LF ends), with its number
// counted from 1 over every line. A missing file has no lines. Returns false with `error` set when
// the file cannot be read, or when `line` returns false (it then sets `error` itself).
bool ForEachLineOfFile(const std::string& path,
                       const std::function<bool(const std::string& line, int line_number)>& line,
                       std::string* error);

}  // namespace hotsync
