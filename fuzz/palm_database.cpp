// The Palm database file reader on arbitrary bytes: it must never crash, and every file it
// accepts must be written back byte for byte.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pdb/palm_database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const hotsync::Bytes file(data, data + size);
  hotsync::PalmDatabase db;
  std::string error;
  if (hotsync::ParsePalmDatabase(file, "fuzz.pdb", &db, &error)) {
    if (hotsync::SerializePalmDatabase(db) != file) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
