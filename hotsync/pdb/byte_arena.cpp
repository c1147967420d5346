#include "pdb/byte_arena.h"

#include <cstring>
#include <utility>

namespace hotsync {
namespace {

constexpr size_t kBlockSize = 64 * 1024;

}  // namespace

SharedBytes ByteArena::Copy(const uint8_t* data, size_t size) {
  // A large record would leave much of a block unused.
  if (size == 0 || size > kBlockSize / 4 || handedOut_ + size > budget_) return SharedBytes(data, size);
  SharedBytes full;  // kept until the copy is made, as data may lie in it
  if (block_.empty() || filled_ + size > kBlockSize) {
    full = std::move(block_);
    block_ = SharedBytes::Uninitialized(kBlockSize, &blockBytes_);
    filled_ = 0;
  }
  std::memcpy(blockBytes_ + filled_, data, size);
  SharedBytes copy = block_.Slice(filled_, size);
  filled_ += size;
  handedOut_ += size;
  return copy;
}

}  // namespace hotsync
