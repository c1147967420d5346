// hotsync handheld request [--export] [--import add|overwrite|merge|ignore] [--clear]: what the
// handheld application asks the conduit to do with the movie list files at the next sync. The
// request is the first 16-bit word (big-endian) of the application's preference KVRT 4: bit 0
// export, bit 1 import (which exports too), bits 2-3 the conflict mode, bit 4 set by every run
// that reached its end; other bits belong to the handheld and are kept.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/handheld.h"
#include "hotsync_session.h"
#include "program/commands.h"
#include "program/output.h"

namespace hotsync {
namespace {

constexpr uint16_t kExportBit = 0x0001;
constexpr uint16_t kImportBit = 0x0002;
constexpr uint16_t kModeBits = 0x000C;
constexpr uint16_t kRunBit = 0x0010;
constexpr uint16_t kPreferenceId = 4;
constexpr size_t kBufferSize = 5000;

const char* const kModeNames[4] = {"add", "overwrite", "merge", "ignore"};
const char* const kModeWords[4] = {
    "add every import line as a new record (a movie already on the handheld is duplicated)",
    "the desktop overwrites the handheld: matching records are replaced",
    "merge: the fields an import line gives replace those of the matching record",
    "ignore: import lines that match a handheld record are skipped"};

void Describe(uint16_t value, bool stored) {
  const bool import = (value & kImportBit) != 0;
  const bool export_asked = import || (value & kExportBit) != 0;
  Print("Request: 0x%04x%s\n", value, stored ? "" : " (none stored yet)");
  if (!export_asked) {
    Print("  nothing: the next sync neither exports nor imports the movie list\n");
  } else {
    Print("  export: the next sync writes every movie to MyMoviesExport.tab\n");
    if (import) {
      Print("  import: the next sync reads MyMoviesImport.tab first\n");
      Print("  conflicts: %s (%s)\n", kModeWords[(value & kModeBits) >> 2], kModeNames[(value & kModeBits) >> 2]);
    }
  }
  if (value & kRunBit) Print("  the conduit has run an import/export for this handheld before\n");
}

}  // namespace

int RunHandheldRequest(const Options& options) {
  const std::vector<std::string>& words = options.words;
  bool change = false, clear = false, export_asked = false;
  int mode = -1;
  for (size_t i = 2; i < words.size(); ++i) {
    if (words[i] == "--export") {
      export_asked = true;
    } else if (words[i] == "--clear") {
      clear = true;
    } else if (words[i] == "--import" && i + 1 < words.size()) {
      ++i;
      for (int m = 0; m < 4; ++m) {
        if (words[i] == kModeNames[m]) mode = m;
      }
      if (mode < 0) return UsageError("--import takes add, overwrite, merge or ignore");
    } else {
      return UsageError("handheld request takes [--export] [--import add|overwrite|merge|ignore] [--clear]");
    }
    change = true;
  }
  if (clear && (export_asked || mode >= 0)) return UsageError("--clear goes alone");
  SessionScope session(options, 0);
  if (!session.ok()) return 1;
  std::vector<uint8_t> buffer(kBufferSize, 0);
  AppPreferenceRequest request = {};
  request.creator = FourCharCode("KVRT");
  request.prefId = kPreferenceId;
  request.backedUp = 1;
  request.requestedSize = kBufferSize;
  request.bufferSize = kBufferSize;
  request.buffer = buffer.data();
  const int32_t read = SyncReadAppPreference(&request);
  if (read != 0 && read != kSyncErrNotFound) {
    PrintError("hotsync: cannot read the handheld's request (0x%lx) %s\n",
               static_cast<unsigned long>(read), HsGetLastErrorText());
    return 1;
  }
  const bool stored = read == 0;
  uint16_t size = stored ? request.returnedSize : 0;
  if (size > kBufferSize) size = kBufferSize;
  if (stored && request.version > 1) {
    PrintError("hotsync: the handheld's preference has version %u, which the conduit does not read\n",
               request.version);
    return 1;
  }
  uint16_t value = static_cast<uint16_t>(buffer[0] << 8 | buffer[1]);
  if (change) {
    if (clear) value = static_cast<uint16_t>(value & ~(kExportBit | kImportBit));
    if (export_asked) value |= kExportBit;
    if (mode >= 0) value = static_cast<uint16_t>((value & ~kModeBits) | kExportBit | kImportBit | (mode << 2));
    buffer[0] = static_cast<uint8_t>(value >> 8);
    buffer[1] = static_cast<uint8_t>(value);
    if (size < 2) size = 2;
    AppPreferenceRequest write = {};
    write.version = 1;
    write.creator = request.creator;
    write.prefId = kPreferenceId;
    write.requestedSize = size;
    write.backedUp = 1;
    write.bufferSize = size;
    write.buffer = buffer.data();
    const int32_t result = SyncWriteAppPreference(&write);
    if (result != 0) {
      PrintError("hotsync: cannot write the handheld's request (0x%lx) %s\n",
                 static_cast<unsigned long>(result), HsGetLastErrorText());
      return 1;
    }
    if (!session.End()) return 1;
  }
  Describe(value, stored || change);
  return 0;
}

}  // namespace hotsync
