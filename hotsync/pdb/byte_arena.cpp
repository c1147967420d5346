#include "pdb/byte_arena.h"

#include <cstring>

namespace hotsync {
namespace {

constexpr size_t kBlockSize = 64 * 1024;

}  // namespace

SharedBytes ByteArena::Copy(const uint8_t* data, size_t size) {
  // A large record would leave much of a block unused.
  if (size == 0 || size > kBlockSize / 4 || handedOut_ + size > budget_) return SharedBytes(data, size);
  if (block_.empty() || filled_ + size > kBlockSize) {
    block_ = SharedBytes::Uninitialized(kBlockSize, &free_);
    filled_ = 0;
  }
  std::memcpy(free_ + filled_, data, size);
  SharedBytes copy = block_.Slice(filled_, size);
  filled_ += size;
  handedOut_ += size;
  return copy;
}

}  // namespace hotsync
