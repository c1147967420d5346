// Bytes that copies share instead of duplicating, for the records and resources of a database held
// in memory: every block of a loaded database is a piece of the one buffer its file was read into
// (a full handheld is 65,535 records: one heap block each costs more than the rest of the load,
// several times more under Wine), and a record written later is a piece of a block of the records
// written with it (byte_arena.h).
//
// A value never changes where others can see it: assign gives it new bytes in storage of its own.
// Copies may be used and destroyed on different threads.
#ifndef HOTSYNC_PDB_SHARED_BYTES_H
#define HOTSYNC_PDB_SHARED_BYTES_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace hotsync {

class SharedBytes {
 public:
  SharedBytes() = default;
  // Copies. Implicit, so that a record's bytes can be given as a Bytes value.
  SharedBytes(const std::vector<uint8_t>& bytes);  // NOLINT(google-explicit-constructor)
  SharedBytes(const uint8_t* data, size_t size);
  // Takes storage as it is (bytes read from a file), without copying it.
  SharedBytes(std::unique_ptr<uint8_t[]> storage, size_t size);
  SharedBytes(const SharedBytes& other) noexcept;
  SharedBytes(SharedBytes&& other) noexcept;
  SharedBytes& operator=(SharedBytes other) noexcept;
  ~SharedBytes();

  // size bytes whose values are for the caller to write, through *bytes, before any copy of the
  // value or a slice of those bytes is read.
  static SharedBytes Uninitialized(size_t size, uint8_t** bytes);
  // size bytes from offset, sharing this value's storage. REQUIRES: offset + size <= this->size().
  SharedBytes Slice(size_t offset, size_t size) const;
  // Replaces the bytes by a copy of [data, data + size).
  void assign(const uint8_t* data, size_t size);

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const uint8_t* begin() const { return data_; }
  const uint8_t* end() const { return data_ + size_; }
  uint8_t operator[](size_t at) const { return data_[at]; }
  std::vector<uint8_t> ToBytes() const { return std::vector<uint8_t>(begin(), end()); }

  friend bool operator==(const SharedBytes& a, const SharedBytes& b);
  friend bool operator!=(const SharedBytes& a, const SharedBytes& b) { return !(a == b); }

 private:
  struct Storage;
  Storage* storage_ = nullptr;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace hotsync

#endif  // HOTSYNC_PDB_SHARED_BYTES_H
