#include "conduit/conduit_info.h"

#include <cstring>

namespace {

// Zero-fills the buffer and copies the name, at most size - 1 characters; nothing for size 0.
void CopyName(char* buffer, uint32_t size) {
  if (size == 0) return;
  std::memset(buffer, 0, size);
  size_t n = std::strlen(kConduitDisplayName);
  if (n > size - 1) n = size - 1;
  std::memcpy(buffer, kConduitDisplayName, n);
}

uint32_t ReadLe32(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

void WriteLe32(void* p, uint32_t value) {
  uint8_t* b = static_cast<uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

int32_t ConduitName(char* buffer, uint16_t size) {
  if (buffer != nullptr) CopyName(buffer, size);
  return 0;
}

EntryCode ConduitInfo(int32_t query, const void* input, void* output, uint32_t* output_size) {
  if (output == nullptr) return EntryCode::kNoOutput;
  if (output_size == nullptr) return EntryCode::kNoOutputSize;
  switch (query) {
    case 0: {
      if (input == nullptr) return EntryCode::kNoInput;
      const uint8_t* record = static_cast<const uint8_t*>(input);
      if (ReadLe32(record) != 1 || ReadLe32(record + 4) != 80) return EntryCode::kBadInputRecord;
      CopyName(static_cast<char*>(output), *output_size);
      return EntryCode::kOk;
    }
    case 1:
      if (*output_size != 4) return EntryCode::kWrongOutputSize;
      WriteLe32(output, 0x10000000u);
      return EntryCode::kOk;
    case 2:
      if (*output_size != 4) return EntryCode::kWrongOutputSize;
      WriteLe32(output, 0);
      return EntryCode::kOk;
    default:
      return EntryCode::kUnknownQuery;
  }
}
