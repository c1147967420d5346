#include "pdb/shared_bytes.h"

#include <atomic>
#include <cstring>
#include <new>
#include <utility>

namespace hotsync {

// One heap block: this header and, for a copy, its bytes right after it; storage taken from a
// file stays where it was read.
struct SharedBytes::Storage {
  std::atomic<uint32_t> users{1};
  std::unique_ptr<uint8_t[]> taken;

  uint8_t* Inline() { return reinterpret_cast<uint8_t*>(this + 1); }

  static Storage* WithRoom(size_t size) {
    return new (::operator new(sizeof(Storage) + size)) Storage();
  }

  static void Release(Storage* storage) {
    if (storage == nullptr || storage->users.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    storage->~Storage();
    ::operator delete(storage);
  }
};

SharedBytes::SharedBytes(const std::vector<uint8_t>& bytes) : SharedBytes(bytes.data(), bytes.size()) {}

SharedBytes::SharedBytes(const uint8_t* data, size_t size) { assign(data, size); }

SharedBytes::SharedBytes(std::unique_ptr<uint8_t[]> storage, size_t size) {
  if (size == 0) return;
  storage_ = Storage::WithRoom(0);
  storage_->taken = std::move(storage);
  data_ = storage_->taken.get();
  size_ = size;
}

SharedBytes::SharedBytes(const SharedBytes& other) noexcept
    : storage_(other.storage_), data_(other.data_), size_(other.size_) {
  if (storage_ != nullptr) storage_->users.fetch_add(1, std::memory_order_relaxed);
}

SharedBytes::SharedBytes(SharedBytes&& other) noexcept
    : storage_(std::exchange(other.storage_, nullptr)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

SharedBytes& SharedBytes::operator=(SharedBytes other) noexcept {
  std::swap(storage_, other.storage_);
  std::swap(data_, other.data_);
  std::swap(size_, other.size_);
  return *this;
}

SharedBytes::~SharedBytes() { Storage::Release(storage_); }

SharedBytes SharedBytes::Uninitialized(size_t size, uint8_t** bytes) {
  SharedBytes value;
  if (size > 0) {
    value.storage_ = Storage::WithRoom(size);
    value.data_ = value.storage_->Inline();
    value.size_ = size;
  }
  *bytes = value.storage_ != nullptr ? value.storage_->Inline() : nullptr;
  return value;
}

SharedBytes SharedBytes::Slice(size_t offset, size_t size) const {
  SharedBytes slice;
  if (size == 0) return slice;
  slice = *this;
  slice.data_ = data_ + offset;
  slice.size_ = size;
  return slice;
}

void SharedBytes::assign(const uint8_t* data, size_t size) {
  // Copied before the old storage goes: data may lie in it.
  uint8_t* bytes = nullptr;
  SharedBytes copy = Uninitialized(size, &bytes);
  if (size > 0) std::memcpy(bytes, data, size);
  *this = std::move(copy);
}

bool operator==(const SharedBytes& a, const SharedBytes& b) {
  return a.size_ == b.size_ && (a.size_ == 0 || a.data_ == b.data_ || std::memcmp(a.data_, b.data_, a.size_) == 0);
}

}  // namespace hotsync
