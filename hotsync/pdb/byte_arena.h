// Storage for the records a sync writes: their bytes go one after another into blocks of 64 KB that
// the records in them share, instead of one heap block each (a merge rewrites thousands of records).
//
// A block lives while any record in it does, so the bytes of a record written again may stay until
// its neighbours go; to keep that bounded an arena hands out at most its budget, and each record
// written after that has a block of its own. Not copyable; used from one thread.
#ifndef HOTSYNC_PDB_BYTE_ARENA_H
#define HOTSYNC_PDB_BYTE_ARENA_H

#include <cstddef>
#include <cstdint>

#include "pdb/shared_bytes.h"

namespace hotsync {

class ByteArena {
 public:
  explicit ByteArena(size_t budget) : budget_(budget) {}
  ByteArena(const ByteArena&) = delete;
  ByteArena& operator=(const ByteArena&) = delete;

  // A copy of [data, data + size).
  SharedBytes Copy(const uint8_t* data, size_t size);

 private:
  SharedBytes block_;  // the block being filled, all of it; bytes from filled_ on are not handed out yet
  uint8_t* blockBytes_ = nullptr;
  size_t filled_ = 0;
  size_t handedOut_ = 0;
  size_t budget_;
};

}  // namespace hotsync

#endif  // HOTSYNC_PDB_BYTE_ARENA_H
