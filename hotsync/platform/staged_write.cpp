#include "platform/host.h"

namespace hotsync {

bool WriteStaged(const std::vector<ByteSpan>& pieces, const std::function<bool(const uint8_t*, size_t)>& write) {
  constexpr size_t kStagingSize = 64 * 1024;
  std::vector<uint8_t> staged;
  staged.reserve(kStagingSize);
  for (const ByteSpan& piece : pieces) {
    if (staged.size() + piece.size > kStagingSize && !staged.empty()) {
      if (!write(staged.data(), staged.size())) return false;
      staged.clear();
    }
    if (piece.size >= kStagingSize) {
      if (!write(piece.data, piece.size)) return false;
    } else {
      staged.insert(staged.end(), piece.data, piece.data + piece.size);
    }
  }
  return staged.empty() || write(staged.data(), staged.size());
}

}  // namespace hotsync
